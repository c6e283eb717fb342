#!/bin/bash
# Runs a Windows program under Wine in the build tree's own prefix and display.
# usage: wine-run.sh WINE_ENV_DIR PROGRAM [ARGS...]
set -u
env_dir=$1
shift
# shellcheck source=wine-env.sh
source "$(dirname "$0")/wine-vars.sh" "$env_dir"
if [ -f "$env_dir/display" ]; then
    DISPLAY=$(cat "$env_dir/display")
    export DISPLAY
fi
# Wine leaves helper processes (services, the desktop window) running after
# the first program; they inherit its output. Writing to a file, not to the
# caller's pipe, keeps a caller such as ctest from waiting for them.
log=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
wine "$@" >"$log" 2>&1 </dev/null
status=$?
cat "$log"
rm -f "$log"
exit $status
