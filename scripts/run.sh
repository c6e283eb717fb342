#!/bin/bash
# Builds the Varnlet installer and runs it under Wine.
#   With a display: starts the installer for a person to use.
#   Without one: starts a private virtual display (Xvfb) and lets the demo
#   driver carry out one complete installation on it, printing each step and
#   keeping a screenshot of each step (PNG) in build/demo-screenshots/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh" --target VarnletSetup varnlet_demo
installer="$build/product/VarnletSetup.exe"
echo "Installer: $installer"

env_dir="$build/run-env"
mkdir -p "$env_dir"
source "$root/tests/harness/wine-vars.sh" "$env_dir"
if [ -n "${DISPLAY:-}" ]; then
    "$root/tests/harness/wine-env.sh" prepare "$env_dir"
    wine "$installer"
    exit 0
fi

echo "No display: running one complete installation on a virtual display (Xvfb)."
"$root/tests/harness/wine-env.sh" start "$env_dir"
DISPLAY=$(cat "$env_dir/display")
export DISPLAY
trap '"$root/tests/harness/wine-env.sh" stop "$env_dir"' EXIT

shots="$build/demo-screenshots"
rm -rf "$shots"
mkdir -p "$shots"
windows_path() { local path=${1//\//\\}; echo "Z:$path"; }
status=0
wine "$build/tests/e2e/varnlet_demo.exe" "$(windows_path "$installer")" "$(windows_path "$shots")" || status=$?

for bmp in "$shots"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo "Screenshots (PNG): $shots/"
ls "$shots"
exit $status
