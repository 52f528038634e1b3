#!/bin/bash
# quandor-tool render, info, pack, unpack and relayout as a person runs them: exit statuses,
# files left behind, standard output, parallel renders against sequential ones.
set -u
[ -x "${QUANDOR_TOOL:-}" ] || { echo "QUANDOR_TOOL not built"; exit 77; }
T=$QUANDOR_TOOL
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
passed=0
failed=0
check() {  # check NAME COMMAND...: the command's success is the check
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
  fi
}
status_is() {  # status_is EXPECTED COMMAND...
  local want=$1
  shift
  "$@" >/dev/null 2>"$W/stderr"
  local got=$?
  [ "$got" = "$want" ] || { echo "  exit $got, wanted $want: $*"; cat "$W/stderr"; return 1; }
}

# make_song PATH CHANNELS ROWS ROWS_PER_SECOND LOOP_ROW: an interleaved song whose cells vary
# with row and channel.
make_song() {
  local path=$1 ch=$2 rows=$3 rps=$4 loop=$5 r c
  {
    printf 'QTN'
    printf "\\x$(printf %02x $((ch | 16)))"
    printf "\\x$(printf %02x $((rps & 255)))\\x$(printf %02x $((rps >> 8)))"
    printf "\\x$(printf %02x "$loop")\\x00\\x00\\x00"
    printf '\x05\x00\x00\x00\x00\x00'
    printf 'Hello'
    for ((r = 0; r < rows; r++)); do
      for ((c = 0; c < ch; c++)); do
        printf "\\x$(printf %02x $(((r * 29 + c * 71) & 255)))"
        printf "\\x$(printf %02x $(((3 + c % 4) | ((c % 3) << 4))))"
        printf "\\x$(printf %02x $(((r * 11) & 255)))\\x$(printf %02x $((c & 1)))"
        printf "\\x$(printf %02x $((250 - (r % 5) * 30)))\\x$(printf %02x $((120 + c * 16)))"
      done
    done
  } >"$path"
}

make_song "$W/a.sng" 4 60 50 10
make_song "$W/b.sng" 8 40 60 0
make_song "$W/c.sng" 1 30 70 29
printf 'QTX\x11' >"$W/bad.sng"

# Default length is once through: 60 rows x 960 frames x 4 bytes on standard output.
check "stdout raw length" test "$("$T" render "$W/a.sng" - | wc -c)" = $((60 * 960 * 4))
check "frames exact" status_is 0 "$T" render --frames 12345 "$W/a.sng" "$W/f.raw"
check "frames exact size" test "$(stat -c %s "$W/f.raw")" = $((12345 * 4))
check "loops" status_is 0 "$T" render --loops 2 "$W/a.sng" "$W/l.raw"
check "loops size" test "$(stat -c %s "$W/l.raw")" = $(((60 + 2 * 50) * 960 * 4))
check "raw file equals stdout" cmp -s "$W/f.raw" <("$T" render --frames 12345 "$W/a.sng" -)
check "wav" status_is 0 "$T" render "$W/a.sng" "$W/a.wav"
check "wav size" test "$(stat -c %s "$W/a.wav")" = $((44 + 60 * 960 * 4))
check "wav data is the raw render" cmp -s <(tail -c +45 "$W/a.wav") <("$T" render "$W/a.sng" -)
check "flac" status_is 0 "$T" render --format flac "$W/a.sng" "$W/a.out"
check "flac magic" test "$(head -c 4 "$W/a.out")" = fLaC

# Refusals: reason on standard error, status 1, nothing at OUT (an old file stays as it was).
check "refused song" status_is 1 "$T" render "$W/bad.sng" "$W/bad.wav"
check "refusal reason" grep -q "bad.sng: not a song: magic is not QTN" "$W/stderr"
check "refusal leaves no OUT" test ! -e "$W/bad.wav"
echo old >"$W/keep.wav"
check "refused over existing" status_is 1 "$T" render "$W/bad.sng" "$W/keep.wav"
check "existing OUT untouched" test "$(cat "$W/keep.wav")" = old
check "missing song" status_is 1 "$T" render "$W/none.sng" "$W/none.wav"
check "no temporary files left" test -z "$(ls -A "$W" | grep tmp)"

# Bad usage: status 2.
check "no OUT" status_is 2 "$T" render "$W/a.sng"
check "unknown option" status_is 2 "$T" render --bogus "$W/a.sng" "$W/x.wav"
check "two lengths" status_is 2 "$T" render --frames 1 --loops 1 "$W/a.sng" "$W/x.wav"
check "bad preset" status_is 2 "$T" render --preset 4 "$W/a.sng" "$W/x.wav"
check "bad mute" status_is 2 "$T" render --mute 9 "$W/a.sng" "$W/x.wav"
check "unknown extension" status_is 2 "$T" render "$W/a.sng" "$W/x.mp3"
check "several songs need a directory" status_is 2 "$T" render "$W/a.sng" "$W/b.sng" "$W/x.wav"

# Several songs: -j 2 in child processes gives the same files as one after another.
mkdir "$W/seq" "$W/par"
check "sequential" status_is 0 "$T" render -j 1 --format raw "$W/a.sng" "$W/b.sng" "$W/c.sng" "$W/seq"
check "parallel" status_is 0 "$T" render -j 2 --format raw "$W/a.sng" "$W/b.sng" "$W/c.sng" "$W/par"
for s in a b c; do
  check "parallel $s" cmp -s "$W/seq/$s.raw" "$W/par/$s.raw"
done
check "first of several equals alone" cmp -s "$W/par/b.raw" <("$T" render "$W/b.sng" -)
check "parallel with a refused song" status_is 1 "$T" render -j 2 "$W/a.sng" "$W/bad.sng" "$W/par"

# Stems: one file per channel.
check "stems" status_is 0 "$T" render --stems "$W/b.sng" "$W/stem.wav"
check "eight stems" test "$(ls "$W"/stem.*.wav | wc -l)" = 8

# Fade changes only the end.
"$T" render --fade 0.5 "$W/a.sng" "$W/fade.raw"
check "fade keeps the start" cmp -s <(head -c 100000 "$W/fade.raw") <(head -c 100000 "$W/seq/a.raw")
check "fade changes the end" bash -c "! cmp -s '$W/fade.raw' '$W/seq/a.raw'"

# info
check "info" status_is 0 "$T" info "$W/a.sng"
check "info fields" bash -c "'$T' info '$W/a.sng' | grep -q 'rows           60'"
check "info json" bash -c "'$T' info --json '$W/a.sng' '$W/c.sng' | grep -q '\"loopRow\": 29'"
check "info refused" status_is 1 "$T" info "$W/a.sng" "$W/bad.sng"

# pack, unpack, relayout: the render never changes.
check "pack" status_is 0 "$T" pack "$W/a.sng" "$W/ap.sng"
check "packed is compressed" bash -c "'$T' info '$W/ap.sng' | grep -q aPLib"
check "packed renders the same" cmp -s "$W/seq/a.raw" <("$T" render "$W/ap.sng" -)
check "unpack" status_is 0 "$T" unpack "$W/ap.sng" "$W/au.sng"
check "unpacked renders the same" cmp -s "$W/seq/a.raw" <("$T" render "$W/au.sng" -)
check "relayout planar" status_is 0 "$T" relayout --planar "$W/a.sng" "$W/apl.sng"
check "planar renders the same" cmp -s "$W/seq/a.raw" <("$T" render "$W/apl.sng" -)
check "relayout back" status_is 0 "$T" relayout --interleaved "$W/apl.sng" "$W/ai.sng"
check "relayout round trip" cmp -s "$W/a.sng" "$W/ai.sng"
check "relayout needs a layout" status_is 2 "$T" relayout "$W/a.sng" "$W/x.sng"
check "pack refused" status_is 1 "$T" pack "$W/bad.sng" "$W/x.sng"
check "pack refused leaves nothing" test ! -e "$W/x.sng"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
