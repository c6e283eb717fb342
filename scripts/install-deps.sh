#!/bin/bash
# Installs the Debian packages the build and the tests need. Quiet when they are
# all present already; needs root (apt-get, dpkg --add-architecture).
set -euo pipefail

packages=(
    cmake make ninja-build g++ pkg-config
    mingw-w64 g++-mingw-w64-i686 binutils-mingw-w64-i686 libz-mingw-w64-dev
    zlib1g-dev libdeflate-dev nlohmann-json3-dev googletest
    g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
    wine wine32:i386 wine64 fonts-wine
    xvfb x11-utils xauth imagemagick
    nsis hyperfine time
    locales
    osslsigncode openssl
    python3 python3-jsonschema
)

# One query for all of them: this runs first in every build and every
# scripts/make-installer.sh, so it must cost next to nothing when all is there.
installed=" $(dpkg-query -W -f='${binary:Package} ${Package} ${Status}\n' "${packages[@]}" 2>/dev/null |
    awk '/ install ok installed$/ {printf "%s %s ", $1, $2}') "
missing=()
for p in "${packages[@]}"; do
    [[ "$installed" == *" $p "* ]] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages (${missing[*]}); run as root to install them" >&2
    exit 1
fi
echo "install-deps: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
# The i686 compiler must use the posix-free win32 thread model so that nothing
# pulls in libwinpthread.
if update-alternatives --list i686-w64-mingw32-g++ >/dev/null 2>&1; then
    update-alternatives --set i686-w64-mingw32-g++ /usr/bin/i686-w64-mingw32-g++-win32 >/dev/null || true
    update-alternatives --set i686-w64-mingw32-gcc /usr/bin/i686-w64-mingw32-gcc-win32 >/dev/null || true
    update-alternatives --set x86_64-w64-mingw32-g++ /usr/bin/x86_64-w64-mingw32-g++-win32 >/dev/null || true
    update-alternatives --set x86_64-w64-mingw32-gcc /usr/bin/x86_64-w64-mingw32-gcc-win32 >/dev/null || true
fi
