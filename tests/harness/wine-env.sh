#!/bin/bash
# Starts and stops the test environment of one build tree:
#   - a private Xvfb display (1024x768, 24 bits), its name kept in DIR/display
#   - the 32-bit Wine prefix DIR/prefix, created once and reused
#   - a 2 MB tmpfs mounted at DIR/smalldrive and mapped as drive T:, for real
#     disk-full and low-space cases (needs root; skipped with a note otherwise)
# usage: wine-env.sh start|prepare|stop DIR
set -u
action=$1
dir=$2
mkdir -p "$dir"
source "$(dirname "$0")/wine-vars.sh" "$dir"

start_display() {
    if [ -f "$dir/xvfb.pid" ] && kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null; then
        return 0
    fi
    rm -f "$dir/display.fd"
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -nolisten unix 3>"$dir/display.fd" </dev/null \
        >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    for _ in $(seq 100); do
        [ -s "$dir/display.fd" ] && break
        sleep 0.1
    done
    if [ ! -s "$dir/display.fd" ]; then
        # -nolisten unix is refused by some servers; try again with the socket.
        kill "$(cat "$dir/xvfb.pid")" 2>/dev/null
        setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display.fd" </dev/null >"$dir/xvfb.log" 2>&1 &
        echo $! >"$dir/xvfb.pid"
        for _ in $(seq 100); do
            [ -s "$dir/display.fd" ] && break
            sleep 0.1
        done
    fi
    [ -s "$dir/display.fd" ] || { echo "wine-env: Xvfb did not start:"; cat "$dir/xvfb.log"; return 1; }
    echo ":$(tr -d '\n' <"$dir/display.fd")" >"$dir/display"
}

# Wine's own fonts (Debian's fonts-wine) are not copied into a new prefix;
# without them dialogs come out in a substitute for MS Sans Serif and the
# caption buttons, drawn with Marlett, as letters.
install_fonts() {
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    [ -d /usr/share/wine/fonts ] && [ -d "$fonts" ] || return 0
    [ -f "$fonts/marlett.ttf" ] && return 0
    cp -n /usr/share/wine/fonts/* "$fonts/"
}

configure_prefix() {
    [ -f "$WINEPREFIX/.varnlet-config-2" ] && return 0
    # Without a window manager Wine must draw captions and frames itself.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    # No crash dialogs waiting for a click that never comes.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    # Wine's menu builder would read every link target saved (moving its access
    # time) and write desktop entries into the host user's home.
    wine reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /t REG_SZ /d '' /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.varnlet-config-2"
}

create_prefix() {
    [ -f "$WINEPREFIX/.varnlet-ready" ] && return 0
    rm -rf "$WINEPREFIX"
    echo "wine-env: creating the Wine prefix $WINEPREFIX (once per build tree)"
    wineboot -i >"$dir/wineboot.log" 2>&1
    wineserver -w
    touch "$WINEPREFIX/.varnlet-ready"
}

mount_small_drive() {
    mkdir -p "$dir/smalldrive"
    if ! mountpoint -q "$dir/smalldrive"; then
        if [ "$(id -u)" -eq 0 ]; then
            mount -t tmpfs -o size=2m,mode=0777 varnlet-smalldrive "$dir/smalldrive" ||
                echo "wine-env: could not mount the small tmpfs drive; disk-full tests will skip"
        else
            echo "wine-env: not root, no small tmpfs drive; disk-full tests will skip"
        fi
    fi
    ln -sfn "$dir/smalldrive" "$WINEPREFIX/dosdevices/t:"
}

case "$action" in
start)
    start_display || exit 1
    DISPLAY=$(cat "$dir/display")
    export DISPLAY
    create_prefix || exit 1
    install_fonts
    configure_prefix
    mount_small_drive
    # A persistent wineserver keeps every test's start-up short.
    wineserver -p >/dev/null 2>&1 </dev/null
    echo "wine-env: display $DISPLAY, prefix $WINEPREFIX"
    ;;
prepare)
    # The prefix alone, for running the installer on a real display.
    create_prefix || exit 1
    install_fonts
    ;;
stop)
    wineserver -k 2>/dev/null
    if [ -f "$dir/xvfb.pid" ]; then
        kill "$(cat "$dir/xvfb.pid")" 2>/dev/null
        rm -f "$dir/xvfb.pid"
    fi
    if mountpoint -q "$dir/smalldrive" 2>/dev/null; then umount "$dir/smalldrive"; fi
    ;;
*)
    echo "usage: wine-env.sh start|prepare|stop DIR" >&2
    exit 2
    ;;
esac
exit 0
