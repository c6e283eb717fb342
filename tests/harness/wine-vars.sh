# Sourced: the environment every Wine call of the tests shares.
# usage: source wine-vars.sh WINE_ENV_DIR
export WINEPREFIX="$1/prefix"
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko download prompts: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
export VARNLET_WINE_ENV="$1"
