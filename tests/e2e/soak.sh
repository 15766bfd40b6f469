#!/usr/bin/env bash
# Soak: a long, seeded stream of random input through xdotool - hotkeys, F12,
# modifiers, mouse moves, clicks and drags over the labels and sliders, focus
# loss and regain - then a window close. The program must stay up, keep its
# memory flat after the first seconds, exit 0 and write a valid file.
#   QUILLON_SOAK_SEED=N      replay a run (the seed is printed first)
#   QUILLON_SOAK_INPUTS=N    inputs to send (default 2500, about a minute)
#   QUILLON_SOAK_SECONDS=N   send for N seconds instead, for longer runs
. "$QUILLON_SOURCE_DIR/tests/e2e/lib.sh"
make_workdir
SEED=${QUILLON_SOAK_SEED:-$(date +%s)}
INPUTS_WANTED=${QUILLON_SOAK_INPUTS:-2500}
SECONDS_WANTED=${QUILLON_SOAK_SECONDS:-0}
LIMIT=$(( SECONDS_WANTED > 0 ? SECONDS_WANTED : 240 ))  # a stalled stream still ends
echo "seed $SEED"
RANDOM=$SEED

start_setup || exit 1
ROOT=$(xwininfo -root | awk '/Window id:/ {print $4}')
rss() { awk '/^VmRSS:/ {print $2}' "/proc/$SETUP_PID/status" 2>/dev/null || echo 0; }

# Keys that change nothing for good or that the screen reads; Escape ends the
# program and stays out, as does a click on "Done".
KEYS=(1 2 3 4 KP_2 KP_3 f m s i t x a space Tab Return F12 BackSpace Left Right)
MODIFIERS=(Shift_L Shift_R Control_L Control_R)
LABEL_ROWS=(128 144 160 176 208 240 272 304 336 368)
SLIDER_ROWS=(32 96 160)
# Sets PICKED to a random element of the named array (no subshell: speed).
pick() { local -n list=$1; PICKED=${list[RANDOM % ${#list[@]}]}; }

# One random input as xdotool chain words; sets ACTIONS to how many it sent.
HOLD=0.01
next_input() {
    local kind=$((RANDOM % 100)) x y m
    case $kind in
    [0-9]|1[0-9]|2[0-9]) # a key tap, sometimes with a modifier held
        if [ $((RANDOM % 4)) -eq 0 ]; then
            pick MODIFIERS; m=$PICKED; pick KEYS; k=$PICKED
            CHAIN+=(keydown "$m" keydown "$k" sleep $HOLD keyup "$k" keyup "$m"); ACTIONS=2
        else
            pick KEYS; k=$PICKED; CHAIN+=(keydown "$k" sleep $HOLD keyup "$k"); ACTIONS=1
        fi ;;
    3[0-9]|4[0-9]) # a move anywhere in the window
        CHAIN+=(mousemove --window "$WIN" $((RANDOM % 640)) $((RANDOM % 480)) sleep 0.005); ACTIONS=1 ;;
    5[0-9]|6[0-4]) # a click on a label
        pick LABEL_ROWS; y=$((PICKED + 2 + RANDOM % 12)); x=$((6 + RANDOM % 100))
        CHAIN+=(mousemove --window "$WIN" $x $y sleep $HOLD mousedown 1 sleep $HOLD mouseup 1); ACTIONS=2 ;;
    6[5-9]|7[0-9]|8[0-4]) # a drag over a slider, perhaps with Ctrl or Shift held
        pick SLIDER_ROWS; y=$((PICKED + 2 + RANDOM % 28))
        m=""; if [ $((RANDOM % 2)) -eq 0 ]; then pick MODIFIERS; m=$PICKED; fi
        [ -n "$m" ] && CHAIN+=(keydown "$m")
        CHAIN+=(mousemove --window "$WIN" $((290 + RANDOM % 250)) $y sleep $HOLD mousedown 1 sleep $HOLD)
        CHAIN+=(mousemove --window "$WIN" $((250 + RANDOM % 340)) $((y + RANDOM % 40 - 20)) sleep $HOLD)
        CHAIN+=(mousemove --window "$WIN" $((250 + RANDOM % 340)) $y sleep $HOLD mouseup 1)
        [ -n "$m" ] && CHAIN+=(keyup "$m")
        ACTIONS=4 ;;
    8[5-9]|9[0-4]) # the wheel, or a right click somewhere harmless
        CHAIN+=(mousemove --window "$WIN" $((100 + RANDOM % 500)) $((60 + RANDOM % 400)) click $((3 + RANDOM % 3))); ACTIONS=2 ;;
    *) # focus away and back
        CHAIN+=(windowfocus "$ROOT" sleep 0.03 windowfocus "$WIN" sleep 0.03); ACTIONS=2 ;;
    esac
}

SENT=0
BATCHES=0
ALIVE=1
START=$(date +%s)
RSS_EARLY=
while [ $(( $(date +%s) - START )) -lt "$LIMIT" ] && { [ "$SECONDS_WANTED" -gt 0 ] || [ "$SENT" -lt "$INPUTS_WANTED" ]; }; do
    CHAIN=()
    for ((n = 0; n < 40; n++)); do next_input; SENT=$((SENT + ACTIONS)); done
    xdotool "${CHAIN[@]}" 2>>"$WORKDIR/xdotool.txt"
    BATCHES=$((BATCHES + 1))
    if ! kill -0 "$SETUP_PID" 2>/dev/null; then ALIVE=0; break; fi
    # The first seconds load the driver and build its state for each new drawing path.
    [ -z "$RSS_EARLY" ] && [ $(( $(date +%s) - START )) -ge 10 ] && RSS_EARLY=$(rss)
    [ -n "${QUILLON_SOAK_TRACE:-}" ] && echo "$(( $(date +%s) - START )) s: $SENT inputs, RSS $(rss) kB"
done
ELAPSED=$(( $(date +%s) - START ))
RSS_LATE=$(rss)
echo "sent $SENT inputs in $BATCHES batches over $ELAPSED s; RSS $RSS_EARLY kB after 10 s, $RSS_LATE kB at the end"
check "the program is alive after every batch" test "$ALIVE" -eq 1
check "several thousand inputs were sent" test "$SENT" -ge 2000
check "memory was measured after the warm-up" test -n "$RSS_EARLY"
# Flat memory: at most 2 MiB more than after the warm-up. A sanitizer build
# keeps freed blocks in quarantine, so its margin is the quarantine's size.
MARGIN=2048
grep -q '^QUILLON_SANITIZE:BOOL=ON' "$QUILLON_BINARY_DIR/CMakeCache.txt" 2>/dev/null && MARGIN=300000
check "resident memory stays flat (+$MARGIN kB at most)" test "${RSS_LATE:-0}" -le $(( ${RSS_EARLY:-0} + MARGIN ))

xdotool windowfocus "$WIN"
close_window
wait_setup_exit
check_eq "exit status after the soak" 0 "$EXIT_CODE"
cfg="$WORKDIR/hwconfig.cfg"
check_eq "file size" 444 "$(file_size "$cfg" 2>/dev/null)"
check_eq "version" 4 "$(int_at "$cfg" 0)"
width=$(int_at "$cfg" 4); height=$(int_at "$cfg" 8)
check "a resolution of the screen ($width x $height)" \
    bash -c 'case "$1x$2" in 640x480|800x600|1024x768|1280x960) ;; *) exit 1 ;; esac' _ "$width" "$height"
for field in 16:fullscreen 24:sound 32:mouseUnlocked 36:interfaceOn 52:lowTextureDetail; do
    check "${field#*:} is 0 or 1" bash -c 'case "$1" in 0|1) ;; *) exit 1 ;; esac' _ "$(int_at "$cfg" "${field%%:*}")"
done
# The screen offers no way to change these; they keep the defaults of a first start.
for field in 12:depth:16 20:flag4:1 28:joystickEnabled:1; do
    IFS=: read -r at name want <<<"$field"
    check_eq "$name untouched" "$want" "$(int_at "$cfg" "$at")"
done
for field in 40:textRed 44:textGreen 48:textBlue; do
    check "${field#*:} within 0..1" awk -v v="$(float_at "$cfg" "${field%%:*}")" 'BEGIN { exit !(v >= 0 && v <= 1) }'
done
check "quillon-hwconfig --check accepts the file" "$HWCONFIG_BIN" --check "$cfg"
[ "$FAILED" -eq 0 ] || echo "replay with QUILLON_SOAK_SEED=$SEED"
finish
