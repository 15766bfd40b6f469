# Shared helpers for the end-to-end tests. Sourced; expects QUILLON_BINARY_DIR,
# QUILLON_SOURCE_DIR and a DISPLAY (the test runner starts a private Xvfb).
set -u
SETUP_BIN="$QUILLON_BINARY_DIR/quillon-setup"
XTOOL="$QUILLON_BINARY_DIR/tools/quillon-xtool"
HWCONFIG_BIN="$QUILLON_BINARY_DIR/quillon-hwconfig"
PASSED=0
FAILED=0

# Every end-to-end test gets an X server of its own: tests run in parallel,
# and a second program's window, pointer warps or focus changes on a shared
# display would reach the program under test.
. "$QUILLON_SOURCE_DIR/scripts/xvfb-lib.sh"
start_private_xvfb || exit 1
# The server ends with this shell whatever traps the test sets.
( while kill -0 $$ 2>/dev/null; do sleep 0.5; done; kill "$XVFB_PID" 2>/dev/null ) >/dev/null 2>&1 &

# A fresh working directory holding the program's assets; removed at exit.
make_workdir() {
    WORKDIR=$(mktemp -d "${TMPDIR:-/tmp}/quillon-e2e-XXXXXX")
    cp "$QUILLON_SOURCE_DIR/assets/font.bmp" "$QUILLON_SOURCE_DIR/assets/qln.bmp" "$WORKDIR/"
    trap 'cleanup_e2e' EXIT
}
cleanup_e2e() {
    [ -n "${SETUP_PID:-}" ] && kill "$SETUP_PID" 2>/dev/null
    [ -n "${WORKDIR:-}" ] && rm -rf "$WORKDIR"
}

# Starts the setup program in $WORKDIR and waits for its window (WIN).
start_setup() {
    ( cd "$WORKDIR" && exec "$SETUP_BIN" ) >"$WORKDIR/stdout.txt" 2>"$WORKDIR/stderr.txt" &
    SETUP_PID=$!
    WIN=$("$XTOOL" find "Quillon Setup" 20) || { echo "window did not appear"; cat "$WORKDIR/stderr.txt"; return 1; }
    # With no window manager the focus follows the pointer; give it to the
    # window explicitly so that focus changes reach the program as events.
    xdotool windowfocus "$WIN"
    # Wait for the first frames: the heading shows once the font is up.
    local i
    for i in $(seq 1 100); do
        [ "$("$XTOOL" bright "$WIN" 0 96 160 16 2>/dev/null || echo 0)" -gt 50 ] && break
        sleep 0.1
    done
    settle
}

# Lets the program run a few frames so that input and drawing catch up.
settle() { sleep "${1:-0.3}"; }

# Waits up to 20 s for the program to exit; sets EXIT_CODE.
wait_setup_exit() {
    local i
    for i in $(seq 1 200); do
        if ! kill -0 "$SETUP_PID" 2>/dev/null; then
            wait "$SETUP_PID"; EXIT_CODE=$?; SETUP_PID=; return 0
        fi
        sleep 0.1
    done
    EXIT_CODE=124
    return 1
}

# Keys are read as state once a frame, so each key is held long enough for
# at least one frame to see it down, even on a loaded machine.
press() {
    local k
    for k in "$@"; do xdotool keydown "$k"; settle 0.25; xdotool keyup "$k"; settle 0.2; done
}
hold_key() { xdotool keydown "$1"; settle 0.2; }
release_key() { xdotool keyup "$1"; settle 0.2; }
move_to() { xdotool mousemove --window "$WIN" "$1" "$2"; settle 0.25; }
click_at() { move_to "$1" "$2"; xdotool mousedown 1; settle 0.25; xdotool mouseup 1; settle 0.2; }
close_window() { "$XTOOL" close "$WIN"; }

# Little-endian int32 / float32 at a byte offset of a file.
int_at() { od -An -t d4 -j "$2" -N 4 "$1" | tr -d ' '; }
float_at() { od -An -t f4 -j "$2" -N 4 "$1" | tr -d ' '; }
file_size() { stat -c %s "$1"; }

check() {
    local what=$1; shift
    if "$@"; then PASSED=$((PASSED + 1)); else FAILED=$((FAILED + 1)); echo "FAILED: $what"; fi
}
check_eq() {
    local what=$1 want=$2 got=$3
    if [ "$want" = "$got" ]; then PASSED=$((PASSED + 1)); else FAILED=$((FAILED + 1)); echo "FAILED: $what: want '$want', got '$got'"; fi
}
finish() {
    echo "$PASSED passed, $FAILED failed"
    [ "$FAILED" -eq 0 ]
}
