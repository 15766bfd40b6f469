# Shared by the end-to-end tests; sourced. Expects QUILLON_SOURCE_DIR and
# QUILLON_BINARY_DIR. Each test gets an X server and a working folder of its
# own: tests run in parallel, and another program's window, pointer warps or
# focus changes on a shared display would reach the program under test.
# With QUILLON_E2E_WAYLAND set, programs run on Wayland without DISPLAY (so
# they choose it themselves) under a weston in that X server, and WIN is
# weston's window, which shows theirs 1:1.
set -u
SETUP_BIN=$QUILLON_BINARY_DIR/quillon-setup HWCONFIG_BIN=$QUILLON_BINARY_DIR/quillon-hwconfig
XTOOL=$QUILLON_BINARY_DIR/tools/quillon-xtool
PASSED=0 FAILED=0
. "$QUILLON_SOURCE_DIR/scripts/xvfb-lib.sh"
start_private_xvfb || exit 1
( while kill -0 $$ 2>/dev/null; do sleep 0.5; done; kill "$XVFB_PID" ) >/dev/null 2>&1 &
ROOT=$(xwininfo -root | awk '/Window id:/ {print $4}')
ON_WAYLAND=${QUILLON_E2E_WAYLAND:+1}
[ -z "$ON_WAYLAND" ] || { . "$QUILLON_SOURCE_DIR/scripts/weston-lib.sh"; start_weston || exit 1; }
trap '[ -n "${PROGRAM_PID:-}" ] && kill "$PROGRAM_PID" 2>/dev/null; [ -z "${WESTON_PID:-}" ] || stop_weston; rm -rf "${WORKDIR:-/nonexistent}"' EXIT

# A fresh working folder holding the program's font and icon.
make_workdir() {
    [ -n "${WORKDIR:-}" ] && rm -rf "$WORKDIR"
    WORKDIR=$(mktemp -d "${TMPDIR:-/tmp}/quillon-e2e-XXXXXX")
    cp "$QUILLON_SOURCE_DIR/assets/font.bmp" "$QUILLON_SOURCE_DIR/assets/qln.bmp" "$WORKDIR/"
}

# Starts PROGRAM [TITLE] in the working folder and waits for its window.
start() {
    ( cd "$WORKDIR" && exec env ${ON_WAYLAND:+-u DISPLAY} "$1" ) >"$WORKDIR/stdout.txt" 2>"$WORKDIR/stderr.txt" &
    PROGRAM_PID=$!
    await_window "$XTOOL" "${WESTON_TITLE:-${2:-Quillon Setup}}" || { echo "no window"; cat "$WORKDIR/stderr.txt"; kill "$PROGRAM_PID"; return 1; }
}
# Waits up to 20 s for the program to end; sets EXIT_CODE (124 when it did not).
wait_exit() {
    for _ in $(seq 200); do kill -0 "$PROGRAM_PID" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$PROGRAM_PID" 2>/dev/null; then EXIT_CODE=124; else wait "$PROGRAM_PID"; EXIT_CODE=$?; PROGRAM_PID=; fi
}
# A little-endian word of the file at a byte offset: an int, or a float with f.
word_at() { od -An -t "$([ "${3:-}" = f ] && echo f4 || echo d4)" -j "$2" -N 4 "$1" 2>/dev/null | tr -d ' '; }

check() { local what=$1; shift; if "$@"; then PASSED=$((PASSED + 1)); else FAILED=$((FAILED + 1)); echo "FAILED: $what"; fi; }
check_eq() { check "$1: want '$2', got '$3'" test "$2" = "$3"; }
finish() { echo "$PASSED passed, $FAILED failed"; [ "$FAILED" -eq 0 ]; }
