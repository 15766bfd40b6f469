#!/usr/bin/env bash
# The setup program as a player meets it, one scenario a row: started in a
# fresh folder (after PREPARE), driven with real key presses, clicks and focus
# changes, then its exit status, stderr and the words of the file it saved are
# checked. Steps, separated by ";":
#   key K...  press keys (xdotool names)     hold K / free K  hold or let go of a key
#   click X Y / move X Y / down / up         the pointer and its left button
#   moves N   N quick moves of the pointer   gone S  the program ended within S s
#   away / back    the input focus to the root window / back to the program
#   clickback      the focus given back with the left button held
#   f12back        F12, then the focus away and back   close  the window closed
#   lit A X Y W H  the rectangle's brightest glyph pixels say how a label is
#                  drawn (A: none below 0.78 of white, dim below 0.9, lit above)
#   dark/drawn X Y W H  nothing / something bright there   held / free  the pointer
#   pointer/nopointer X Y  the cursor is / is not drawn at the pointer
#   icon T    the window's icon title (classic SDL 1.2 only)    geometry W H  its size
# Expectations: exit=N, err=REGEX, OFFSET=VALUE (a file word; fOFFSET for a
# float), reset (the file equals quillon-hwconfig --reset's).
# With QUILLON_E2E_WAYLAND set (tests/e2e/wayland.sh) the program runs on
# Wayland under weston's kiosk shell, which shows one client at a time and has
# no close: the focus goes away to another client (weston-simple-shm), so
# pixel steps while it is away, and clickback's held button, have nothing to
# act on; close is SIGTERM, which SDL turns into the same quit event; and the
# pointer never leaves weston's window, so held and free-pointer are skipped.
. "$QUILLON_SOURCE_DIR/tests/e2e/lib.sh"
COMPAT=$(grep -l SDL12COMPAT "$(ldd "$SETUP_BIN" | awk '/libSDL-1\.2/ {print $3}')" || true)
bright() { "$XTOOL" bright "$WIN" "$@"; }
leaves() { xdotool mousemove 1279 1023; settle 0.2; xdotool getmouselocation | grep -q '^x:1279 y:1023 '; }

step() {
    local verb=$1; shift
    case ${OTHER:+$verb} in lit|dark|drawn|pointer|nopointer) echo "skipped on Wayland while away: $verb $* (the kiosk shell shows one client)"; return ;; esac
    case $verb in
    key) press "$@" ;;
    hold|free) xdotool "key$([ "$verb" = hold ] && echo down || echo up)" "$1"; settle 0.2 ;;
    click) click_at "$1" "$2" ;;
    move) move_to "$1" "$2" ;;
    moves) local a=() i; for i in $(seq "$1"); do a+=(mousemove --window "$WIN" $((20 + 9 * i)) $((40 + 7 * i)) sleep 0.02); done; xdotool "${a[@]}" ;;
    gone) for _ in $(seq $(($1 * 10))); do kill -0 "$PROGRAM_PID" 2>/dev/null || break; sleep 0.1; done
          check_eq "ended within $1 s" gone "$(kill -0 "$PROGRAM_PID" 2>/dev/null && echo running || echo gone)" ;;
    down|up) xdotool "mouse$verb" 1; settle 0.25 ;;
    clickback) if [ -n "$ON_WAYLAND" ]; then step back; else xdotool mousedown 1; step back; xdotool mouseup 1; settle 0.2; fi ;;
    away) if [ -n "$ON_WAYLAND" ]; then weston-simple-shm >/dev/null 2>&1 & OTHER=$!; else xdotool windowfocus "$ROOT"; fi; settle 0.5 ;;
    back) if [ -n "$ON_WAYLAND" ]; then kill "$OTHER"; OTHER=; else xdotool windowfocus "$WIN"; fi; settle 0.5 ;;
    f12back) press F12; step away; step back ;;
    close) if [ -n "$ON_WAYLAND" ]; then kill -TERM "$PROGRAM_PID"; else "$XTOOL" close "$WIN"; fi ;;
    lit) local dim=$(bright "${@:2}" 200) full=$(bright "${@:2}" 226)   # hovered glyphs reach 0.875 of 255
         case $1 in none) check "$*: no pixel above 0.78" test "$dim" -eq 0 ;;
                    dim) check "$*: hovered, not lit" test "$dim" -gt 0 -a "$full" -eq 0 ;;
                    *) check "$*: lit" test "$full" -gt 0 ;; esac ;;
    dark) check "dark at $*" test "$(bright "$@" 60)" -eq 0 ;;
    pointer|nopointer) local n=$(bright $(($1 + 6)) $(($2 + 2)) 12 12); check "$verb $*" test "$n" "$([ $verb = pointer ] && echo -gt || echo -eq)" 0 ;;
    drawn) check "drawn at $*" test "$(bright "$@" 100)" -gt 20 ;;
    held) [ -n "$ON_WAYLAND" ] && return; ! leaves; check "the pointer is held in the window" test $? -eq 0 ;;
    geometry) check_eq "window size" "$*" "$("$XTOOL" geometry "$WIN")" ;;
    free-pointer) [ -n "$ON_WAYLAND" ] || check "the pointer may leave the window" leaves ;;
    icon) if [ -n "$COMPAT" ]; then echo "skipped on sdl12-compat: the icon title (SDL 2 has no icon titles)"
          else check_eq "icon title" "WM_ICON_NAME(STRING) = \"$1\"" "$(xprop -id "$WIN" WM_ICON_NAME)"; fi ;;
    *) check "a step the driver knows: $verb" false ;;
    esac
}

# scenario NAME PREPARE STEPS EXPECTATIONS; PREPARE "again" keeps the folder.
scenario() {
    echo "--- $1"
    [ "$2" = again ] || { make_workdir; eval "${2:-true}"; }
    start "$SETUP_BIN" || { FAILED=$((FAILED + 1)); return; }
    local s
    IFS=';' read -ra steps <<<"${3//$'\n'/ }"
    for s in "${steps[@]}"; do step $s; done
    wait_exit
    cfg=$WORKDIR/hwconfig.cfg
    for e in $4; do
        case $e in
        exit=*) check_eq "$1: exit status" "${e#exit=}" "$EXIT_CODE" ;;
        err=*) check "$1: stderr matches ${e#err=}" grep -q "${e#err=}" "$WORKDIR/stderr.txt" ;;
        reset) "$HWCONFIG_BIN" --reset "$WORKDIR/reset.cfg" >/dev/null; check "$1: as --reset writes" cmp "$cfg" "$WORKDIR/reset.cfg" ;;
        f*) local at=${e%%=*}; check_eq "$1: float at ${at#f}" "${e#*=}" "$(word_at "$cfg" "${at#f}" f)" ;;
        *) check_eq "$1: word at ${e%%=*}" "${e#*=}" "$(word_at "$cfg" "${e%%=*}")" ;;
        esac
    done
}

scenario "a first run: the screen drawn, Escape saves the first-run file" "" \
    "geometry 640 480; drawn 0 96 160 16; drawn 4 4 64 16; dark 200 96 200 16; icon SDL; key Escape" "exit=0 reset 0=4 4=640 12=16 f152=0.99"
scenario "closing the window saves; a reloaded file's overrides apply" again "close" "exit=0 f152=0.9 f156=0.65"
scenario "hotkeys, labels and the colour picker by mouse, left Ctrl snaps" "" \
    "key 3 f; click 12 248; click 12 376; key t; move 352 48; down; move 480 48; up; hold Control_L; click 304 112; free Control_L; close" \
    "exit=0 4=1024 8=768 16=1 24=1 32=0 52=1 f40=0.75 f44=0.125 f48=1"
scenario "the keypad and right Shift: a grey, drawn in the Color label, which also closes the picker" "" \
    "key KP_2 t; hold Shift_R; click 416 176; free Shift_R; lit none 80 336 80 16; click 88 344; dark 288 32 256 160; key Escape" \
    "exit=0 4=800 8=600 f40=0.5 f44=0.5 f48=0.5"
scenario "a width of no label is kept, none lit" '"$HWCONFIG_BIN" --set width=1152 height=864 "$WORKDIR/hwconfig.cfg" >/dev/null' \
    "lit none 20 128 160 64; key Escape" "exit=0 4=1152 8=864"
scenario "without focus the mouse is parked; a click that brings the focus back, or comes after a minimise never done, only focuses" "" \
    "away; move 160 216; drawn 304 224 32 32; nopointer 160 216; clickback; move 600 440; lit none 20 208 100 16; held; move 160 216;
     pointer 160 216; key F12; drawn 304 224 32 32; free-pointer; click 160 216; pointer 160 216; f12back; move 600 440; pointer 600 440;
     lit none 20 208 100 16; click 12 280; key Escape" "exit=0 16=0 24=0"
scenario "F12 held while the pointer moves, then Escape: the program leaves at once" "" "hold F12; moves 30; key Escape; gone 1; free F12" "exit=0 reset"
scenario "settings that cannot be written: a failure, said once" 'mkdir "$WORKDIR/hwconfig.cfg"' "key Escape" \
    "exit=1 err=^quillon-setup:.*hwconfig.cfg"
rmdir "$WORKDIR/hwconfig.cfg"
for unset in "-u DISPLAY -u WAYLAND_DISPLAY" "DISPLAY= WAYLAND_DISPLAY="; do   # no display: status 1, one line naming both, nothing written
    ( cd "$WORKDIR" && exec env -u SDL_VIDEODRIVER -u SDL_VIDEO_DRIVER $unset "$SETUP_BIN" ) >"$WORKDIR/out" 2>"$WORKDIR/err"; status=$?
    check_eq "no display ($unset): status, bytes out, lines naming both displays, lines, a file" "1 0 1 1 no" \
        "$status $(wc -c <"$WORKDIR/out") $(grep -c '^quillon-setup: .* DISPLAY .* WAYLAND_DISPLAY ' "$WORKDIR/err") $(wc -l <"$WORKDIR/err") $([ -e "$WORKDIR/hwconfig.cfg" ] && echo yes || echo no)"
done
finish
