#!/usr/bin/env bash
# What a newcomer and support staff meet first: the manual pages render
# without warnings and agree with quillon-hwconfig --help; a first run of the
# setup program writes exactly what quillon-hwconfig --reset writes; without
# an X display the program says so in one line and writes nothing;
# scripts/test --help prints its usage without building.
. "$QUILLON_SOURCE_DIR/tests/e2e/lib.sh"
make_workdir
MAN="$QUILLON_SOURCE_DIR/docs/man"

# --- manual pages ------------------------------------------------------------
# Run beside each other, so that each page finds the one it refers to.
for page in quillon-hwconfig.1 quillon-setup.6; do
    check_eq "$page renders without warnings" "" "$(cd "$MAN" && mandoc -T lint -W all "$page" 2>&1)"
done
# Rendered text, overstrikes removed, all white space one space.
page=$(mandoc -T ascii "$MAN/quillon-hwconfig.1" | sed 's/.\x08//g' | tr -s ' \n' '  ')
help=$("$HWCONFIG_BIN" --help)
while IFS= read -r line; do
    check "the manual page's exit status says: $line" grep -qF -- "$line" <<<"$page"
done < <(sed '1,/^Exit status:/d; s/^ *[0-9]* *//' <<<"$help")
while IFS= read -r field; do
    check "the manual page describes $field" grep -qw -- "$field" <<<"$page"
done < <(sed -n 's/^  \([A-Za-z0-9]*\)  *\(0 or 1\|1 or more\|0 to 1\)  .*/\1/p' <<<"$help")

# --- a first run writes what --reset writes ------------------------------------
start_setup || exit 1
press Escape
wait_setup_exit
check_eq "first run: exit status" 0 "$EXIT_CODE"
"$HWCONFIG_BIN" --reset "$WORKDIR/reset.cfg" >/dev/null
check "a first run writes exactly what --reset writes" cmp "$WORKDIR/hwconfig.cfg" "$WORKDIR/reset.cfg"

# --- no X display ------------------------------------------------------------------
for unset in "-u DISPLAY" "DISPLAY="; do
    rm -f "$WORKDIR/hwconfig.cfg"
    status=0
    ( cd "$WORKDIR" && exec env -u SDL_VIDEODRIVER $unset "$SETUP_BIN" ) >"$WORKDIR/out" 2>"$WORKDIR/err" || status=$?
    check "no display ($unset): the exit status is not 0" test "$status" -ne 0
    check_eq "no display ($unset): nothing on stdout" "" "$(cat "$WORKDIR/out")"
    check_eq "no display ($unset): one line on stderr" 1 "$(wc -l <"$WORKDIR/err")"
    check "no display ($unset): it names the program and the X display" grep -q '^quillon-setup: .*X display' "$WORKDIR/err"
    check "no display ($unset): nothing written" test ! -e "$WORKDIR/hwconfig.cfg"
done

# --- scripts/test --help -------------------------------------------------------------
status=0
out=$(QUILLON_BUILD_DIR="$WORKDIR/no-build" timeout 30 "$QUILLON_SOURCE_DIR/scripts/test" --help) || status=$?
check_eq "scripts/test --help: exit status" 0 "$status"
check "scripts/test --help: its usage" grep -q '^Usage: scripts/test' <<<"$out"
check "scripts/test --help: nothing built" test ! -e "$WORKDIR/no-build"
finish
