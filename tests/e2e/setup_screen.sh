#!/usr/bin/env bash
# The settings screen as a player meets it: every label by hotkey and by mouse,
# the colour sliders with and without Ctrl and Shift (left and right keys),
# Done, Escape and window close, each checked in the bytes of the file written,
# and the label states and slider ramps as drawn.
. "$QUILLON_SOURCE_DIR/tests/e2e/lib.sh"
make_workdir
cfg="$WORKDIR/hwconfig.cfg"
label() { echo $((4 + 8)) $(($1 + 8)); }   # centre of a label's first cell

# --- hotkeys, keypad digits through the aliases, Escape ----------------------
start_setup || exit 1
press 3; press f; press m; press s; press i; press KP_2
press Escape
wait_setup_exit
check_eq "hotkeys: exit status" 0 "$EXIT_CODE"
check_eq "hotkeys: width from keypad 2" 800 "$(int_at "$cfg" 4)"
check_eq "hotkeys: height completed" 600 "$(int_at "$cfg" 8)"
check_eq "hotkeys: fullscreen" 1 "$(int_at "$cfg" 16)"
check_eq "hotkeys: sound" 0 "$(int_at "$cfg" 24)"
check_eq "hotkeys: mouseUnlocked" 0 "$(int_at "$cfg" 32)"
check_eq "hotkeys: interfaceOn" 0 "$(int_at "$cfg" 36)"
check_eq "hotkeys: lowTextureDetail" 0 "$(int_at "$cfg" 52)"

# --- every label by mouse, then Done -----------------------------------------
rm -f "$cfg"
start_setup || exit 1
# Label states as drawn: "Sound" is on (lit, full white), "Fullscreen" is off
# (0.75 grey except its highlighted F), the hovered label at 0.875.
move_to 600 20
# Anti-aliased glyphs rarely reach 255: count pixels near full white.
check "lit toggle drawn at full brightness" test "$("$XTOOL" bright "$WIN" 4 272 80 16 220)" -gt 5
check "off toggle drawn dimmer" test "$("$XTOOL" bright "$WIN" 20 208 144 16 200)" -eq 0
check "off toggle still visible" test "$("$XTOOL" bright "$WIN" 20 208 144 16 150)" -gt 10
check "hotkey letter F picked out in full colour" test "$("$XTOOL" bright "$WIN" 4 208 16 16 220)" -gt 5
normal=$("$XTOOL" mean "$WIN" 20 208 100 16 | cut -d' ' -f1)
move_to 156 216
hovered=$("$XTOOL" mean "$WIN" 20 208 100 16 | cut -d' ' -f1)
check "hovered label brighter than normal ($hovered vs $normal)" test $((hovered * 100)) -gt $((normal * 110))
check "hovered label not lit" test "$("$XTOOL" bright "$WIN" 20 208 100 16 230)" -eq 0
for y in 176 208 240 272 304 368; do click_at $(label $y); done
click_at $(label 4)
wait_setup_exit
check_eq "mouse: exit status" 0 "$EXIT_CODE"
check_eq "mouse: width" 1280 "$(int_at "$cfg" 4)"
check_eq "mouse: height" 960 "$(int_at "$cfg" 8)"
check_eq "mouse: fullscreen" 1 "$(int_at "$cfg" 16)"
check_eq "mouse: sound" 0 "$(int_at "$cfg" 24)"
check_eq "mouse: mouseUnlocked" 0 "$(int_at "$cfg" 32)"
check_eq "mouse: interfaceOn" 0 "$(int_at "$cfg" 36)"
check_eq "mouse: lowTextureDetail" 1 "$(int_at "$cfg" 52)"

# --- the colour picker -------------------------------------------------------
rm -f "$cfg"
start_setup || exit 1
press t
settle 0.3
check "red ramp drawn" test "$("$XTOOL" mean "$WIN" 530 40 10 16 | cut -d' ' -f1)" -gt 200
check "green ramp drawn" test "$("$XTOOL" mean "$WIN" 530 104 10 16 | cut -d' ' -f2)" -gt 200
check "blue ramp dark at its left end" test "$("$XTOOL" mean "$WIN" 290 168 4 16 | cut -d' ' -f3)" -lt 20
# A drag: pressed on the red ramp, moved, released.
move_to 352 48; xdotool mousedown 1; settle 0.2
move_to 480 48; xdotool mouseup 1; settle 0.2
# Left Ctrl snaps green; right Shift makes a grey from blue; right Ctrl + left
# Shift together on blue snap to 1.0 and copy it everywhere.
xdotool keydown Control_L; settle 0.2; click_at 304 112; xdotool keyup Control_L; settle 0.2
move_to 200 440
press t
check "picker hidden after t" test "$("$XTOOL" bright "$WIN" 288 32 256 160 60)" -eq 0
click_at 88 344
check "Color label opens it again" test "$("$XTOOL" bright "$WIN" 288 32 256 32 200)" -gt 100
close_window
wait_setup_exit
check_eq "sliders: exit status after close" 0 "$EXIT_CODE"
check_eq "sliders: drag sets red" 0.75 "$(float_at "$cfg" 40)"
check_eq "sliders: Ctrl snaps green" 0.125 "$(float_at "$cfg" 44)"
check_eq "sliders: blue untouched" 1 "$(float_at "$cfg" 48)"

rm -f "$cfg"
start_setup || exit 1
press t
settle 0.3
xdotool keydown Shift_R; settle 0.2; click_at 416 176; xdotool keyup Shift_R; settle 0.2
check "Color label drawn in the grey" test "$("$XTOOL" bright "$WIN" 80 336 80 16 150)" -eq 0
xdotool keydown Control_R keydown Shift_L; settle 0.2; click_at 541 176
xdotool keyup Shift_L keyup Control_R; settle 0.2
press Escape
wait_setup_exit
check_eq "Ctrl+Shift: red" 1 "$(float_at "$cfg" 40)"
check_eq "Ctrl+Shift: green" 1 "$(float_at "$cfg" 44)"
check_eq "Ctrl+Shift: blue" 1 "$(float_at "$cfg" 48)"

rm -f "$cfg"
start_setup || exit 1
press t
settle 0.3
xdotool keydown Shift_R; settle 0.2; click_at 416 176; xdotool keyup Shift_R; settle 0.2
press Escape
wait_setup_exit
check_eq "Shift_R: red grey" 0.5 "$(float_at "$cfg" 40)"
check_eq "Shift_R: green grey" 0.5 "$(float_at "$cfg" 44)"
check_eq "Shift_R: blue grey" 0.5 "$(float_at "$cfg" 48)"

# --- a file from elsewhere: an unknown width survives, 1280x1024 becomes 960 --
printf '' > "$cfg"
"$HWCONFIG_BIN" --set width=1152 height=864 "$cfg" >/dev/null 2>&1 || true
if [ "$(int_at "$cfg" 4)" = 1152 ]; then
    start_setup || exit 1
    check "no resolution lit for 1152" test "$("$XTOOL" bright "$WIN" 20 128 160 64 240)" -eq 0
    press Escape
    wait_setup_exit
    check_eq "1152 kept" 1152 "$(int_at "$cfg" 4)"
    check_eq "864 kept" 864 "$(int_at "$cfg" 8)"
fi
finish
