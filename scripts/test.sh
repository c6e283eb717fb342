#!/bin/bash
# Builds everything and runs every test: natively on the host and under Wine
# with a private Xvfb display. usage: scripts/test.sh [ctest args...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh"
# The signing password is the signing step's alone, not the tests'.
unset VARNLET_SIGN_PASSWORD
cd "$build"
ctest --output-on-failure --parallel 2 "$@"
