#!/bin/bash
# quandor-tool build and dump as a person runs them: the demo texts build to the committed
# songs, dump then build gives the same file, mistakes are reported with their place and leave
# no file behind, bad usage exits 2.
set -u
[ -x "${QUANDOR_TOOL:-}" ] || { echo "QUANDOR_TOOL not built"; exit 77; }
T=$QUANDOR_TOOL
SONGS=$SOURCE_DIR/songs
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
failed=0
fail() { echo "FAILED: $*"; failed=$((failed + 1)); }

for text in "$SONGS"/*.txt; do
  name=$(basename "$text" .txt)
  "$T" build "$text" "$W/$name.sng" || fail "build $name exits $?"
  cmp -s "$W/$name.sng" "$SONGS/$name.sng" || fail "$name.txt does not build to $name.sng"
  # dump to a file and to standard output agree; building the dump gives the same song file
  "$T" dump "$SONGS/$name.sng" "$W/$name.dump.txt" || fail "dump $name exits $?"
  "$T" dump "$SONGS/$name.sng" >"$W/$name.stdout.txt" || fail "dump $name to stdout"
  cmp -s "$W/$name.dump.txt" "$W/$name.stdout.txt" || fail "dump $name: file and stdout differ"
  "$T" build "$W/$name.dump.txt" "$W/$name.again.sng" || fail "build dump of $name"
  cmp -s "$W/$name.again.sng" "$SONGS/$name.sng" || fail "dump then build of $name differs"
done

# '-' reads standard input and writes standard output.
"$T" build - - <"$SONGS/tidepool.txt" >"$W/piped.sng" || fail "build - - exits $?"
cmp -s "$W/piped.sng" "$SONGS/tidepool.sng" || fail "build through pipes differs"

# Mistakes: every one reported as FILE:LINE:COLUMN, exit 1, an existing output left alone.
cat >"$W/bad.txt" <<'TEXT'
rate 50
tempo 3
rows
[C-4] 00 C0 80 FF
[H-4] 00 C0 80 FF
[C-4] 00 C0 8G FF | [C-4] 00 C0 80 FF
TEXT
echo keep >"$W/out.sng"
"$T" build "$W/bad.txt" "$W/out.sng" 2>"$W/err"
status=$?
[ "$status" = 1 ] || fail "build of a bad text exits $status, wanted 1"
[ "$(cat "$W/out.sng")" = keep ] || fail "a failed build changed the output file"
for line in "$W/bad.txt:2:1: unknown header line 'tempo'" \
            "$W/bad.txt:5:2: wrong note 'H-4'" \
            "$W/bad.txt:6:13: wrong hex value '8G'" \
            "$W/bad.txt:6:19: too many columns"; do
  grep -qF "$line" "$W/err" || fail "no '$line' in: $(cat "$W/err")"
done
[ "$(wc -l <"$W/err")" = 4 ] || fail "expected 4 error lines: $(cat "$W/err")"
"$T" build "$W/bad.txt" "$W/new.sng" 2>/dev/null
[ ! -e "$W/new.sng" ] || fail "a failed build created its output"
ls -A "$W" | grep -q '\.tmp-' && fail "a failed build left a temporary file"

# Refused songs and unreadable files: exit 1 with a reason.
printf 'QTX\x11\x32\x00' >"$W/notasong.sng"
"$T" dump "$W/notasong.sng" >/dev/null 2>"$W/err"
[ $? = 1 ] || fail "dump of a non-song should exit 1"
grep -q "magic" "$W/err" || fail "dump of a non-song: no reason given: $(cat "$W/err")"
"$T" build "$W/missing.txt" "$W/x.sng" 2>/dev/null
[ $? = 1 ] || fail "build of a missing file should exit 1"

# Bad usage.
for args in "build" "build one" "build a b c" "dump" "dump a b c"; do
  # shellcheck disable=SC2086
  "$T" $args >/dev/null 2>&1
  s=$?
  [ "$s" = 2 ] || fail "'$args' exits $s, wanted 2"
done
"$T" build --help | grep -q "Usage: quandor-tool build" || fail "build --help"
"$T" dump --help | grep -q "Usage: quandor-tool dump" || fail "dump --help"

[ "$failed" = 0 ] || exit 1
echo "tool_text: all checks passed"
