#!/usr/bin/env bash
# What surrounds the programs: the committed pictures are exactly what the
# generator makes, and it refuses a file that is not a font; the manual pages render without
# warnings and agree with quillon-hwconfig --help; scripts/test --help prints
# its usage without building anything.
. "$QUILLON_SOURCE_DIR/tests/e2e/lib.sh"
make_workdir
TOOL=$QUILLON_BINARY_DIR/tools/make-assets MAN=$QUILLON_SOURCE_DIR/docs/man
check "make-assets reproduces the committed pictures" "$TOOL" "$WORKDIR" >"$WORKDIR/log" 2>&1
for name in font.bmp qln.bmp; do check "$name as committed" cmp -s "$WORKDIR/$name" "$QUILLON_SOURCE_DIR/assets/$name"; done
mkdir "$WORKDIR/bad"
printf 'not a font' >"$WORKDIR/notafont.ttf"
check "a file that is not a font is refused, nothing written" \
    bash -c '! "$1" --font "$2" "$3" && [ -z "$(ls -A "$3")" ]' _ "$TOOL" "$WORKDIR/notafont.ttf" "$WORKDIR/bad" 2>/dev/null
# Beside each other, so that each finds the one it refers to.
check_eq "the manual pages render without warnings" "" "$(cd "$MAN" && mandoc -T lint -W all quillon-hwconfig.1 quillon-setup.6 2>&1)"
page=$(mandoc -T ascii "$MAN/quillon-hwconfig.1" | sed 's/.\x08//g' | tr -s ' \n' '  ') help=$("$HWCONFIG_BIN" --help)
exits=$(sed '1,/^Exit status:/d; s/^ *[0-9]* *//' <<<"$help")
fields=$(sed -n 's/^  \([A-Za-z0-9]*\)  *\(0 or 1\|1 or more\|0 to 1\)  .*/\1/p' <<<"$help")
check_eq "exit status lines and fields found in --help" "5 13" "$(grep -c . <<<"$exits") $(grep -c . <<<"$fields")"
while IFS= read -r line; do check "the manual page says: $line" grep -qF -- "$line" <<<"$page"; done <<<"$exits"
while IFS= read -r field; do check "the manual page describes $field" grep -qw -- "$field" <<<"$page"; done <<<"$fields"
out=$(QUILLON_BUILD_DIR="$WORKDIR/no-build" timeout 30 "$QUILLON_SOURCE_DIR/scripts/test" --help) 
check "scripts/test --help prints its usage and builds nothing" test $? -eq 0 -a ! -e "$WORKDIR/no-build" -a -n "$(grep '^Usage: scripts/test' <<<"$out")"
finish
