#!/usr/bin/env bash
# The texture viewer example under Xvfb: it shows a generated BMP and TGA from
# its texture folder, the typed wildcard filter hides the BMP, F5 writes a
# screenshot of what is on screen, and closing the window ends it with 0.
. "$QUILLON_SOURCE_DIR/tests/e2e/lib.sh"
VIEWER_BIN="$QUILLON_BINARY_DIR/examples/quillon-texture-viewer"
make_workdir
mkdir "$WORKDIR/texture"

le32() { printf "\\$(printf %03o $(($1 & 255)))\\$(printf %03o $(($1 >> 8 & 255)))\\$(printf %03o $(($1 >> 16 & 255)))\\$(printf %03o $(($1 >> 24 & 255)))"; }
# A 4x4 24-bit BMP of one colour given as three octal escapes in file order (B, G, R).
solid_bmp() {
    { printf 'BM'; le32 102; le32 0; le32 54; le32 40; le32 4; le32 4
      printf '\001\000\030\000'; le32 0; le32 48; le32 0; le32 0; le32 0; le32 0
      for i in $(seq 16); do printf "$2"; done; } > "$1"
}
# A 4x4 24-bit TGA of one colour, same pixel order.
solid_tga() {
    { printf '\000\000\002\000\000\000\000\000\000\000\000\000\004\000\004\000\030\000'
      for i in $(seq 16); do printf "$2"; done; } > "$1"
}
solid_bmp "$WORKDIR/texture/red.bmp" '\000\000\377'
solid_tga "$WORKDIR/texture/green.tga" '\000\377\000'
check_eq "generated BMP size" 102 "$(file_size "$WORKDIR/texture/red.bmp")"

# Mesa's llvmpipe reads the front buffer back as black; softpipe keeps the
# shown frame there as hardware does, which the screenshot needs.
( cd "$WORKDIR" && GALLIUM_DRIVER=softpipe exec "$VIEWER_BIN" ) >"$WORKDIR/stdout.txt" 2>"$WORKDIR/stderr.txt" &
SETUP_PID=$!
WIN=$("$XTOOL" find "Quillon Texture Viewer" 20) || { echo "viewer window did not appear"; cat "$WORKDIR/stderr.txt"; exit 1; }
xdotool windowfocus "$WIN"
# The window can show black for a second before its first frame (seen on sdl12-compat).
for i in $(seq 1 100); do [ "$("$XTOOL" pixel "$WIN" 600 400)" != "0 0 0" ] && break; sleep 0.1; done
settle 0.5
check_eq "window size" "640 480" "$("$XTOOL" geometry "$WIN")"

# Tiles are 96 pixels from (8, 72), 104 apart; BMP files are listed before TGA files.
check_eq "first tile shows the BMP" "255 0 0" "$("$XTOOL" pixel "$WIN" 56 120)"
check_eq "second tile shows the TGA" "0 255 0" "$("$XTOOL" pixel "$WIN" 160 120)"
check "file names are printed under the tiles" test "$("$XTOOL" bright "$WIN" 8 168 96 8)" -gt 0

click_at 30 16            # the "Filter" label starts the edit
xdotool type --delay 80 '*.tga'
settle 0.3
press Return
check_eq "filtered: the TGA moved to the first tile" "0 255 0" "$("$XTOOL" pixel "$WIN" 56 120)"
check "filtered: the second tile is empty" test "$("$XTOOL" pixel "$WIN" 160 120)" != "0 255 0"

press F5
settle 0.3
shot="$WORKDIR/scsht000.bmp"
check "F5 wrote scsht000.bmp" test -f "$shot"
check_eq "screenshot size" 921654 "$(file_size "$shot")"
check_eq "screenshot width" 640 "$(int_at "$shot" 18)"
check_eq "screenshot height" 480 "$(int_at "$shot" 22)"
# Window pixel (56, 120) lies in file row 479 - 120 from the bottom, stored B, G, R.
offset=$((54 + ((479 - 120) * 640 + 56) * 3))
check_eq "screenshot holds the shown tile" "0 255 0" "$(od -An -t u1 -j "$offset" -N 3 "$shot" | awk '{print $3, $2, $1}')"
press F5
settle 0.3
check "a second F5 writes scsht001.bmp" test -f "$WORKDIR/scsht001.bmp"

close_window
wait_setup_exit
check_eq "exit status after closing the window" 0 "$EXIT_CODE"

# Escape ends a filter edit and leaves the viewer running; the next one quits.
( cd "$WORKDIR" && exec "$VIEWER_BIN" ) >"$WORKDIR/stdout.txt" 2>"$WORKDIR/stderr.txt" &
SETUP_PID=$!
WIN=$("$XTOOL" find "Quillon Texture Viewer" 20) || { echo "viewer window did not appear"; exit 1; }
xdotool windowfocus "$WIN"
settle 0.5
click_at 30 16
xdotool type --delay 80 'x'
press Escape
settle 0.5
check "Escape in the filter keeps the viewer running" kill -0 "$SETUP_PID" 2>/dev/null
press Escape
wait_setup_exit
check_eq "exit status after Escape outside the filter" 0 "$EXIT_CODE"
finish
