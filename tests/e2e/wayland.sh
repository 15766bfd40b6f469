#!/usr/bin/env bash
# The setup program on SDL's Wayland driver under weston, on an sdl12-compat
# build (classic SDL 1.2 has no Wayland driver: skipped there). Every scenario
# of setup.sh runs under a weston inside an X server of its own, where xdotool
# drives it and its pixels are read, the program started without DISPLAY. Then
# the program, once without DISPLAY and once with it and a player's
# SDL_VIDEO_DRIVER, shows it draws on Wayland and saves on SIGTERM; on SDL 3
# it does so under a headless weston too, with no X server at all (that weston
# offers no seat, and SDL 2.26's Wayland driver crashes in SDL_Init without one).
. "$QUILLON_SOURCE_DIR/tests/e2e/lib.sh"
if ! grep -q SDL12COMPAT "$(ldd "$SETUP_BIN" | awk '/libSDL-1\.2/ {print $3}')"; then
    echo "skipped: classic SDL 1.2 has no Wayland driver"
    exit 77
fi
QUILLON_E2E_WAYLAND=1 bash "$QUILLON_SOURCE_DIR/tests/e2e/setup.sh"
check "every scenario of setup.sh on Wayland" test $? -eq 0
. "$QUILLON_SOURCE_DIR/scripts/weston-lib.sh"
runs=("-u DISPLAY" "SDL_VIDEO_DRIVER=wayland")
for dir in $(readelf -d "$SETUP_BIN" | sed -n 's/.*R[UN]*PATH.*\[\(.*\)\]/\1/p' | tr : ' '); do
    [ -e "$dir/libSDL3.so.0" ] && runs+=("-u DISPLAY headless")
done
for env in "${runs[@]}"; do
    stop_weston
    start_weston "$([ "${env##* }" = headless ] && echo headless || echo x11)" || exit 1
    name=$env
    env=${env% headless}
    make_workdir
    # Protocol logging shows the frames the program commits.
    ( cd "$WORKDIR" && exec env -u SDL_VIDEODRIVER -u SDL_VIDEO_DRIVER $env WAYLAND_DEBUG=client "$SETUP_BIN" ) \
        >/dev/null 2>"$WORKDIR/err" &
    PROGRAM_PID=$!
    for _ in $(seq 100); do [ "$(grep -cs 'wl_surface@[0-9]*\.commit' "$WORKDIR/err")" -ge 10 ] && break; sleep 0.1; done
    frames=$(grep -cs 'wl_surface@[0-9]*\.commit' "$WORKDIR/err")
    kill -TERM "$PROGRAM_PID"
    wait_exit
    "$HWCONFIG_BIN" --reset "$WORKDIR/reset.cfg" >/dev/null
    check_eq "$name: frames drawn on Wayland, exit status, the file as --reset writes it" "yes 0 same" \
        "$([ "$frames" -ge 10 ] && echo yes || echo "$frames") $EXIT_CODE $(cmp -s "$WORKDIR/hwconfig.cfg" "$WORKDIR/reset.cfg" && echo same)"
done
finish
