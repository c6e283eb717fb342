#!/bin/bash
# Builds the Varnlet installer and starts it under Wine. Without a display it
# runs on a private virtual display (Xvfb) and says so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh" --target VarnletSetup
installer="$build/product/VarnletSetup.exe"
echo "Installer: $installer"

env_dir="$build/run-env"
mkdir -p "$env_dir"
source "$root/tests/harness/wine-vars.sh" "$env_dir"
if [ -z "${DISPLAY:-}" ]; then
    echo "No display: starting a virtual display (Xvfb) for the installer."
    "$root/tests/harness/wine-env.sh" start "$env_dir"
    DISPLAY=$(cat "$env_dir/display")
    export DISPLAY
    trap '"$root/tests/harness/wine-env.sh" stop "$env_dir"' EXIT
elif [ ! -f "$WINEPREFIX/.varnlet-ready" ]; then
    wineboot -i >/dev/null 2>&1
    touch "$WINEPREFIX/.varnlet-ready"
fi
wine "$installer"
