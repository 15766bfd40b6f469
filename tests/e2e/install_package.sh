#!/usr/bin/env bash
# Installs the build into a temporary prefix, builds the texture viewer
# example as a separate project through find_package(Quillon) and
# Quillon::engine, and runs the result: its window opens and closes cleanly.
. "$QUILLON_SOURCE_DIR/tests/e2e/lib.sh"
make_workdir
PREFIX="$WORKDIR/prefix"
GAME="$WORKDIR/game"

cmake --install "$QUILLON_BINARY_DIR" --prefix "$PREFIX" >"$WORKDIR/install.log" 2>&1
check_eq "cmake --install succeeds" 0 "$?"
for f in lib/libquillon_engine.a include/quillon/render/loaders.h include/quillon/ui/widget.h \
         include/quillon/platform/video.h include/quillon/app/hwconfig.h share/quillon/font.bmp \
         share/quillon/qln.bmp lib/cmake/Quillon/QuillonConfig.cmake \
         lib/cmake/Quillon/QuillonConfigVersion.cmake bin/quillon-setup \
         share/man/man1/quillon-hwconfig.1 share/man/man6/quillon-setup.6; do
    check "installed $f" test -f "$PREFIX/$f"
done

mkdir -p "$GAME/src"
cp "$QUILLON_SOURCE_DIR/examples/texture_viewer.cpp" "$GAME/src/"
cat >"$GAME/src/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.19)
project(QuillonGame CXX)
set(CMAKE_CXX_STANDARD 17)
find_package(Quillon 0.1 REQUIRED)
add_executable(game-viewer texture_viewer.cpp)
target_link_libraries(game-viewer PRIVATE Quillon::engine)
CMAKE
# The package must name SDL through the game's own find_package(SDL), never by
# the files the engine's build found: give the game its SDL by another path.
BUILT_SDL=$(sed -n 's/^SDL_LIBRARY_TEMP:[A-Z]*=//p' "$QUILLON_BINARY_DIR/CMakeCache.txt")
check "the engine's build found an SDL library" test -f "$BUILT_SDL"
check "the exported targets name no SDL file" \
    bash -c '! grep -q libSDL "$1"' _ "$PREFIX/lib/cmake/Quillon/QuillonTargets.cmake"
mkdir "$WORKDIR/sdl"
ln -s "$(readlink -f "$BUILT_SDL")" "$WORKDIR/sdl/libSDL.so"
cmake -S "$GAME/src" -B "$GAME/build" -DCMAKE_PREFIX_PATH="$PREFIX" \
    -DSDL_LIBRARY="$WORKDIR/sdl/libSDL.so" >"$WORKDIR/configure.log" 2>&1
check_eq "the game project configures against the package" 0 "$?"
LINK_TXT="$GAME/build/CMakeFiles/game-viewer.dir/link.txt"
check "the game links the SDL it found" grep -qF -- "$WORKDIR/sdl/libSDL.so" "$LINK_TXT"
check "the game does not link the engine build's SDL" bash -c '! grep -qF -- "$1" "$2"' _ "$BUILT_SDL" "$LINK_TXT"
cmake --build "$GAME/build" >"$WORKDIR/build.log" 2>&1
check_eq "the game project builds" 0 "$?"
check "the game binary exists" test -x "$GAME/build/game-viewer"
[ "$FAILED" -eq 0 ] || { tail -20 "$WORKDIR/configure.log" "$WORKDIR/build.log"; finish; exit 1; }

# Run it with the installed font; its texture folder holds nothing yet.
cp "$PREFIX/share/quillon/font.bmp" "$WORKDIR/"
mkdir "$WORKDIR/texture"
( cd "$WORKDIR" && exec "$GAME/build/game-viewer" ) >"$WORKDIR/stdout.txt" 2>"$WORKDIR/stderr.txt" &
SETUP_PID=$!
WIN=$("$XTOOL" find "Quillon Texture Viewer" 20)
check_eq "the installed build opens its window" 0 "$?"
if [ -n "$WIN" ]; then
    check_eq "window size" "640 480" "$("$XTOOL" geometry "$WIN")"
    close_window
fi
wait_setup_exit
check_eq "exit status after closing the window" 0 "$EXIT_CODE"
finish
