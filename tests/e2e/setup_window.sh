#!/usr/bin/env bash
# The real program under Xvfb: its window, the heading, focus loss and regain,
# Escape and window close each writing the version-4 file.
. "$QUILLON_SOURCE_DIR/tests/e2e/lib.sh"
make_workdir

# --- window, heading, defaults, Escape ---------------------------------------
start_setup || exit 1
check_eq "window size" "640 480" "$("$XTOOL" geometry "$WIN")"
check "heading 'Resolution' is drawn" test "$("$XTOOL" bright "$WIN" 0 96 160 16)" -gt 100
check "'Done' is drawn" test "$("$XTOOL" bright "$WIN" 4 4 64 16)" -gt 40
check "the row under the heading is dark" test "$("$XTOOL" bright "$WIN" 200 96 200 16)" -eq 0

# Focus loss parks the cursor at the centre; regain keeps the text drawn.
move_to 600 440
check "cursor drawn at the pointer" test "$("$XTOOL" bright "$WIN" 584 424 32 32)" -gt 20
root=$(xwininfo -root | awk '/Window id:/ {print $4}')
xdotool windowfocus "$root"
settle 0.5
check "unfocused: no cursor at the pointer" test "$("$XTOOL" bright "$WIN" 584 424 32 32)" -eq 0
check "unfocused: cursor parked at the centre" test "$("$XTOOL" bright "$WIN" 304 224 32 32)" -gt 20
xdotool windowfocus "$WIN"
settle 0.5
check "regained: heading still drawn" test "$("$XTOOL" bright "$WIN" 0 96 160 16)" -gt 100
check "regained: cursor follows the pointer again" test "$("$XTOOL" bright "$WIN" 584 424 32 32)" -gt 20

press Escape
wait_setup_exit
check_eq "exit status after Escape" 0 "$EXIT_CODE"
cfg="$WORKDIR/hwconfig.cfg"
check_eq "file size" 444 "$(file_size "$cfg")"
check_eq "version" 4 "$(int_at "$cfg" 0)"
check_eq "width" 640 "$(int_at "$cfg" 4)"
check_eq "height" 480 "$(int_at "$cfg" 8)"
check_eq "depth" 16 "$(int_at "$cfg" 12)"
check_eq "mouseUnlocked" 1 "$(int_at "$cfg" 32)"
check_eq "textRed" 1 "$(float_at "$cfg" 40)"
check_eq "parameter word 24 after a fresh start" 0.99 "$(float_at "$cfg" $((56 + 24 * 4)))"

# --- closing the window saves too; the loaded file's overrides apply --------
start_setup || exit 1
close_window
wait_setup_exit
check_eq "exit status after close" 0 "$EXIT_CODE"
check_eq "file size after close" 444 "$(file_size "$cfg")"
check_eq "parameter word 24 after a reload" 0.9 "$(float_at "$cfg" $((56 + 24 * 4)))"

# --- a settings file that cannot be written ---------------------------------
rm -f "$cfg"
mkdir "$cfg"
start_setup || exit 1
press Escape
wait_setup_exit
check "exit status when the file cannot be written is not 0" test "$EXIT_CODE" -ne 0
check "a message on stderr says the settings were not saved" grep -qi "hwconfig.cfg" "$WORKDIR/stderr.txt"
check "the message begins with the program's name" grep -q "^quillon-setup: .*hwconfig.cfg" "$WORKDIR/stderr.txt"
check "the directory is left alone" test -d "$cfg"

# --- focus away and F12: the mouse reads as parked, a click does nothing;
# with the focus back the cursor follows the pointer and clicks count --------
rmdir "$cfg"
start_setup || exit 1
# sdl12-compat (the SDL 1.2 interface over SDL 2) carries SDL12COMPAT names.
if grep -q SDL12COMPAT "$(ldd "$SETUP_BIN" | awk '/libSDL-1\.2/ {print $3}')"; then
    echo "skipped on sdl12-compat: the icon title (SDL 2 has no icon titles)"
else
    check_eq "icon title" 'WM_ICON_NAME(STRING) = "SDL"' "$(xprop -id "$WIN" WM_ICON_NAME)"
fi
normal=$("$XTOOL" mean "$WIN" 20 208 100 16 | cut -d' ' -f1)
not_hovered() { test "$("$XTOOL" mean "$WIN" 20 208 100 16 | cut -d' ' -f1)" -le "$normal"; }
at_pointer() { "$XTOOL" bright "$WIN" "$1" "$2" 12 12; }   # just below right of the pointer
parked() { test "$("$XTOOL" bright "$WIN" 304 224 32 32)" -gt 20; }
leaves() { xdotool mousemove 1279 1023; settle 0.2; xdotool getmouselocation | grep -q '^x:1279 y:1023 '; }
held() { ! leaves; }
xdotool windowfocus "$root"; settle 0.5
click_at 160 216                                           # over "Fullscreen"
check "focus away: cursor parked at the centre" parked
check "focus away: no cursor at the pointer" test "$(at_pointer 166 218)" -eq 0
check "focus away: the label under the pointer is not hovered" not_hovered
xdotool windowfocus "$WIN"; settle 0.5
check "focus back: the pointer is held in the window" held
move_to 160 216
check "focus back: cursor at the pointer" test "$(at_pointer 166 218)" -gt 0
press F12
check "F12: cursor parked at the centre" parked
check "F12: the pointer may leave the window" leaves
move_to 160 216
xdotool windowfocus "$root"; settle 0.3; xdotool windowfocus "$WIN"; settle 0.5
move_to 600 440
check "focus back after F12: cursor follows the pointer" test "$(at_pointer 606 446)" -gt 0
check "focus back after F12: the label at the old position is not hovered" not_hovered
click_at 12 280                                            # "Sound"
press Escape
wait_setup_exit
check_eq "the unfocused click changed nothing (fullscreen)" 0 "$(int_at "$cfg" 16)"
check_eq "the click after F12 and regain counted (sound)" 0 "$(int_at "$cfg" 24)"
finish
