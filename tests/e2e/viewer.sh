#!/usr/bin/env bash
# The engine as a game uses it: the build installed into a prefix, the
# examples built against it as a game's project (find_package and
# Quillon::engine, SDL through the game's own find_package), the viewer run on a
# texture folder: its tiles, a typed wildcard filter that Escape ends without
# quitting, F5 screenshots of what is shown, Escape to leave.
. "$QUILLON_SOURCE_DIR/tests/e2e/lib.sh"
make_workdir
PREFIX=$WORKDIR/prefix GAME=$WORKDIR/game
check "cmake --install" cmake --install "$QUILLON_BINARY_DIR" --prefix "$PREFIX" >"$WORKDIR/log" 2>&1
for f in lib/libquillon_engine.a include/quillon/ui/widget.h include/quillon/app/hwconfig.h share/quillon/font.bmp share/quillon/qln.bmp \
         lib/cmake/Quillon/QuillonConfig.cmake lib/cmake/Quillon/QuillonConfigVersion.cmake bin/quillon-setup bin/quillon-hwconfig \
         share/man/man1/quillon-hwconfig.1 share/man/man6/quillon-setup.6; do
    check "installed $f" test -f "$PREFIX/$f"
done
mkdir -p "$WORKDIR/sdl" "$WORKDIR/texture"
# The package names no SDL file of the machine that built it: the game gets
# the same SDL library by another path, under both its names.
BUILT_SDL=$(sed -n 's/^SDL_LIBRARY_TEMP:[A-Z]*=//p' "$QUILLON_BINARY_DIR/CMakeCache.txt")
check "the exported targets name no SDL file" test -f "$BUILT_SDL" -a -z "$(grep libSDL "$PREFIX/lib/cmake/Quillon/QuillonTargets.cmake")"
for name in libSDL.so libSDL-1.2.so.0; do ln -s "$(readlink -f "$BUILT_SDL")" "$WORKDIR/sdl/$name"; done
check "the examples configure and build against the package" cmake -S "$QUILLON_SOURCE_DIR/examples" -B "$GAME" -DCMAKE_PREFIX_PATH="$PREFIX" \
    -DSDL_LIBRARY="$WORKDIR/sdl/libSDL.so" >>"$WORKDIR/log" 2>&1
check "... and link the SDL they found" grep -qF -- "$WORKDIR/sdl/libSDL.so" "$GAME/CMakeFiles/quillon-texture-viewer.dir/link.txt"
cmake --build "$GAME" >>"$WORKDIR/log" 2>&1 || { tail -20 "$WORKDIR/log"; exit 1; }

# 4x4 pictures of one colour (given as octal B, G, R): a BMP and a TGA.
le32() { printf "\\$(printf %03o $(($1 & 255)))\\$(printf %03o $(($1 >> 8 & 255)))\\$(printf %03o $(($1 >> 16 & 255)))\\$(printf %03o $(($1 >> 24)))"; }
{ printf 'BM'; le32 102; le32 0; le32 54; le32 40; le32 4; le32 4; printf '\001\000\030\000'; for v in 0 48 0 0 0 0; do le32 $v; done
  for i in $(seq 16); do printf '\000\000\377'; done; } >"$WORKDIR/texture/red.bmp"
{ printf '\000\000\002\000\000\000\000\000\000\000\000\000\004\000\004\000\030\000'; for i in $(seq 16); do printf '\000\377\000'; done; } >"$WORKDIR/texture/green.tga"
start "$GAME/quillon-texture-viewer" "Quillon Texture Viewer" || exit 1
pixel() { "$XTOOL" pixel "$WIN" "$1" "$2"; }
# Tiles are 96 pixels from (8, 72), 104 apart; BMP files are listed first.
check_eq "the first tile shows the BMP" "255 0 0" "$(pixel 56 120)"
check_eq "the second tile shows the TGA" "0 255 0" "$(pixel 160 120)"
check "names are printed under the tiles" test "$("$XTOOL" bright "$WIN" 8 168 96 8)" -gt 0
click_at 30 16; press g Escape   # the filter "g": names beginning with g
check "Escape that ends the filter edit leaves the viewer running" kill -0 "$PROGRAM_PID"
check_eq "filtered: the TGA is the first tile" "0 255 0" "$(pixel 56 120)"
check_eq "filtered: the background where the second tile was" "26 26 38" "$(pixel 160 120)"
press F5
shot=$WORKDIR/scsht000.bmp
check_eq "F5 wrote a 640x480 screenshot" "921654 640 480" "$(stat -c %s "$shot") $(word_at "$shot" 18) $(word_at "$shot" 22)"
# Window pixel (56, 120) lies in file row 479 - 120 from the bottom, stored B, G, R.
check_eq "the screenshot holds the shown tile" "0 255 0" "$(od -An -t u1 -j $((54 + (359 * 640 + 56) * 3)) -N 3 "$shot" | awk '{print $3, $2, $1}')"
press Escape
wait_exit
check_eq "Escape outside the filter ends the viewer" 0 "$EXIT_CODE"
finish
