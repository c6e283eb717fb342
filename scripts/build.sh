#!/bin/bash
# Installs what is missing, then configures and builds everything into
# BUILD_DIR (default: build/). usage: scripts/build.sh [cmake build args...]
# With VARNLET_SIGN_PKCS12 set, the programs and installers it makes are
# signed (scripts/sign-program.sh tells how). A password given in
# VARNLET_SIGN_PASSWORD is taken out of the environment here and handed to
# the signing step alone, in a file only this user can read, deleted when
# the build ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
if [ -n "${VARNLET_SIGN_PASSWORD_FILE:-}" ]; then
    VARNLET_SIGN_PASSWORD_FILE=$(realpath -m -- "$VARNLET_SIGN_PASSWORD_FILE")
    export VARNLET_SIGN_PASSWORD_FILE
fi
if [ -n "${VARNLET_SIGN_PASSWORD:-}" ]; then
    if [ -n "${VARNLET_SIGN_PASSWORD_FILE:-}" ]; then
        echo "build.sh: both VARNLET_SIGN_PASSWORD and VARNLET_SIGN_PASSWORD_FILE are set; set one" >&2
        exit 1
    fi
    secrets=$(umask 077 && mktemp -d "${XDG_RUNTIME_DIR:-${TMPDIR:-/tmp}}/varnlet-sign.XXXXXX")
    trap 'rm -rf "$secrets"' EXIT
    trap 'exit 130' INT HUP TERM
    # printf is the shell's own: the password is on no command line.
    (umask 077 && printf '%s' "$VARNLET_SIGN_PASSWORD" >"$secrets/password")
    export VARNLET_SIGN_PASSWORD_FILE="$secrets/password"
fi
unset VARNLET_SIGN_PASSWORD
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
