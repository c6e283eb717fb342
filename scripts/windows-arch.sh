#!/bin/bash
# Prints the architecture the Windows programs of a test build are made for:
# i686 (the shipped installer's, tested in a 32-bit Wine prefix) where this
# machine can run Wine's 32-bit loader, else x86_64 (tested in a 64-bit
# prefix), with a note on standard error. Some kernels run no 32-bit code at
# all (IA-32 emulation switched off), and there no 32-bit Windows program can
# start under Wine. VARNLET_WINDOWS_ARCH=i686|x86_64 overrides the probe.
set -u
case "${VARNLET_WINDOWS_ARCH:-}" in
i686 | x86_64) echo "$VARNLET_WINDOWS_ARCH"; exit 0 ;;
"") ;;
*) echo "windows-arch: VARNLET_WINDOWS_ARCH must be i686 or x86_64, not '$VARNLET_WINDOWS_ARCH'" >&2; exit 2 ;;
esac
if [ ! -x /usr/lib/wine/wine ] || /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo i686
else
    echo "windows-arch: this kernel cannot run 32-bit programs (Wine's 32-bit loader fails);" \
        "the Windows side of the tests is built for x86_64 and runs in a 64-bit prefix" >&2
    echo x86_64
fi
