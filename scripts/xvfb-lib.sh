# Sourced by the scripts and the end-to-end tests: starts a private Xvfb and
# exports DISPLAY, and drives a program's window (WIN) as a player would.
# start_private_xvfb sets XVFB_PID; stop_private_xvfb ends it. The server
# picks a free display itself (-displayfd), so parallel callers never share one.
start_private_xvfb() {
    local out i n
    out=$(mktemp "${TMPDIR:-/tmp}/quillon-xvfb-XXXXXX")
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$out" >/dev/null 2>&1 &
    XVFB_PID=$!
    for i in $(seq 1 200); do
        n=$(head -n 1 "$out" 2>/dev/null)
        if [ -n "$n" ] && xdpyinfo -display ":$n" >/dev/null 2>&1; then
            rm -f "$out"
            export DISPLAY=":$n"
            export LIBGL_ALWAYS_SOFTWARE=1
            return 0
        fi
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.05
    done
    rm -f "$out"
    kill "$XVFB_PID" 2>/dev/null || true
    echo "could not start Xvfb" >&2
    return 1
}
stop_private_xvfb() {
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}

# Finds the window titled TITLE (waiting up to 20 s) with quillon-xtool XTOOL,
# gives it the focus (with no window manager the focus would follow the
# pointer) and waits for its first frames: the top left holds something bright
# once the font is up. Sets WIN.   await_window XTOOL TITLE
await_window() {
    local i
    WIN=$("$1" find "$2" 20) || return 1
    xdotool windowfocus "$WIN"
    for i in $(seq 100); do [ "$("$1" bright "$WIN" 0 0 640 120 2>/dev/null || echo 0)" -gt 50 ] && break; sleep 0.1; done
    settle
}

# Keys and buttons are read as state once a frame: each is held across frames,
# so that even a slow frame sees it.
settle() { sleep "${1:-0.3}"; }
press() { local k; for k in "$@"; do xdotool keydown "$k"; settle 0.25; xdotool keyup "$k"; settle 0.2; done; }
move_to() { xdotool mousemove --window "$WIN" "$1" "$2"; settle 0.25; }
click_at() { move_to "$1" "$2"; xdotool mousedown 1; settle 0.25; xdotool mouseup 1; settle 0.2; }
