#!/bin/bash
# Installs what is missing, then configures and builds everything into
# BUILD_DIR (default: build/). usage: scripts/build.sh [cmake build args...]
# With VARNLET_SIGN_PKCS12 set, the programs and installers it makes are
# signed (scripts/sign-program.sh tells how).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
# The build's steps run in folders of their own: name the key file absolutely.
if [ -n "${VARNLET_SIGN_PKCS12:-}" ]; then
    VARNLET_SIGN_PKCS12=$(realpath -m -- "$VARNLET_SIGN_PKCS12")
    export VARNLET_SIGN_PKCS12
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
fi
cmake --build "$build" --parallel "$(nproc)" "$@"
