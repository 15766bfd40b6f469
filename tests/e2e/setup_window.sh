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
finish
