# Sourced: the environment every Wine call of the tests shares.
# usage: source wine-vars.sh WINE_ENV_DIR
export WINEPREFIX="$1/prefix"
# A build tree made for x86_64 (scripts/windows-arch.sh) tests in a 64-bit
# prefix through Wine's 64-bit loader.
if [ "$(cat "$1/windows-arch" 2>/dev/null)" = x86_64 ]; then
    export WINEARCH=win64
    export WINELOADER=/usr/lib/wine/wine64
    case ":$PATH:" in
    *":$(dirname "${BASH_SOURCE[0]}")/wine64:"*) ;;
    *) PATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64:$PATH" ;;
    esac
    export PATH
else
    export WINEARCH=win32
fi
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko download prompts: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
export VARNLET_WINE_ENV="$1"
