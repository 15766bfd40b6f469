# Sourced by the tests that run the program on Wayland: start_weston starts a
# private weston with the kiosk shell and one 640x480 output, which shows the
# one focused client over the whole output, as a window of the X server of
# $DISPLAY titled "$WESTON_TITLE", through which xdotool drives it;
# start_weston headless starts it with no X server at all. Move the
# input focus between Wayland clients (another client's window takes it),
# never by X focus: weston 10 loses the focus with its X window's but does
# not take it back, and then corrupts its seat's state. (Its headless backend
# needs no X server, but offers no seat, and SDL 2.26's Wayland driver crashes
# without one.)
# Exports WAYLAND_DISPLAY and XDG_RUNTIME_DIR (a fresh private folder, so the
# socket cannot meet another run's) and sets WESTON_PID; stop_weston ends it.
WESTON_TITLE="Weston Compositor - screen0"
start_weston() {
    local i
    XDG_RUNTIME_DIR=$(mktemp -d "${TMPDIR:-/tmp}/quillon-weston-XXXXXX")
    export XDG_RUNTIME_DIR WAYLAND_DISPLAY=quillon-wayland
    # No weston.ini: a player's or the machine's would change the output.
    # The screen never blanks (idle time 0).
    weston --backend="${1:-x11}-backend.so" --shell=kiosk-shell.so --width=640 --height=480 \
        --use-pixman --no-config --idle-time=0 --socket="$WAYLAND_DISPLAY" \
        >"$XDG_RUNTIME_DIR/weston.log" 2>&1 &
    WESTON_PID=$!
    for i in $(seq 200); do
        [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && return 0
        kill -0 "$WESTON_PID" 2>/dev/null || break
        sleep 0.05
    done
    echo "could not start weston:" >&2
    cat "$XDG_RUNTIME_DIR/weston.log" >&2
    stop_weston
    return 1
}
stop_weston() {
    if [ -n "${WESTON_PID:-}" ]; then
        kill "$WESTON_PID" 2>/dev/null || true
        wait "$WESTON_PID" 2>/dev/null || true
        WESTON_PID=
    fi
    [ -n "${XDG_RUNTIME_DIR:-}" ] && rm -rf "$XDG_RUNTIME_DIR"
}
