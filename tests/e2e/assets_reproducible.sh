#!/bin/bash
# The committed pictures are exactly what the generator makes from the
# installed fonts, and the generator fails cleanly instead of leaving
# half-made files. Needs QUILLON_SOURCE_DIR and QUILLON_BINARY_DIR.
set -u
TOOL="$QUILLON_BINARY_DIR/tools/make-assets"
FAILED=0
fail() { echo "FAIL: $*"; FAILED=$((FAILED + 1)); }

[ -x "$TOOL" ] || { echo "FAIL: $TOOL was not built (FreeType missing?)"; exit 1; }
OUT=$(mktemp -d "${TMPDIR:-/tmp}/quillon-assets-XXXXXX")
trap 'rm -rf "$OUT"' EXIT

# Reproduction: a fresh run gives the committed bytes.
mkdir "$OUT/fresh"
if "$TOOL" "$OUT/fresh" >"$OUT/log.txt" 2>&1; then
    for name in font.bmp qln.bmp; do
        cmp -s "$OUT/fresh/$name" "$QUILLON_SOURCE_DIR/assets/$name" ||
            fail "$name made now differs from assets/$name (regenerate it with make-assets and commit)"
    done
    size=$(stat -c %s "$OUT/fresh/font.bmp")
    [ "$size" = 98358 ] || fail "font.bmp is $size bytes, not 98358"
    size=$(stat -c %s "$OUT/fresh/qln.bmp")
    [ "$size" = 3126 ] || fail "qln.bmp is $size bytes, not 3126"
else
    fail "make-assets failed: $(cat "$OUT/log.txt")"
fi

# A font that cannot be opened: non-zero exit, nothing written.
mkdir "$OUT/badfont"
printf 'not a font' >"$OUT/notafont.ttf"
if "$TOOL" --font "$OUT/notafont.ttf" "$OUT/badfont" >/dev/null 2>&1; then
    fail "make-assets accepted a file that is not a font"
fi
[ -z "$(ls -A "$OUT/badfont")" ] || fail "a failed run left files: $(ls -A "$OUT/badfont")"

# An output directory that does not exist: non-zero exit, no stray files.
if "$TOOL" "$OUT/missing/dir" >/dev/null 2>&1; then
    fail "make-assets reported success writing into a missing directory"
fi
[ ! -e "$OUT/missing" ] || fail "make-assets created the missing directory"

# A malformed command line is refused.
if "$TOOL" >/dev/null 2>&1 || "$TOOL" --font >/dev/null 2>&1 || "$TOOL" a b >/dev/null 2>&1; then
    fail "make-assets accepted a malformed command line"
fi

[ "$FAILED" = 0 ] || { echo "$FAILED check(s) failed"; exit 1; }
echo "assets reproducible: all checks passed"
