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
# The Windows programs are i686, as shipped, wherever Wine can run them; a
# kernel without 32-bit support gets an x86_64 build of the same code for the
# tests (scripts/windows-arch.sh).
arch=$("$root/scripts/windows-arch.sh")
if [ -f "$build/CMakeCache.txt" ] && ! grep -q "^CMAKE_TOOLCHAIN_FILE:.*/mingw-$arch.cmake$" "$build/CMakeCache.txt"; then
    echo "build: $build was configured for another architecture than $arch; remove it or set BUILD_DIR" >&2
    exit 1
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" >/dev/null
fi
cmake --build "$build" --parallel "$(nproc)" "$@"
