#!/usr/bin/env bash
# The real binaries end without leaks (LeakSanitizer in sanitizer builds; in other builds this
# checks the exit statuses only): the player on refused songs and its usage text with SDL's
# dummy drivers, and the tool on every demo song and bad input.
set -u
. "$(dirname "$0")/lib.sh"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
printf 'QTN\x09\x32\x00' > "$tmp/short.sng"
printf 'QTN\x19\x32\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00' > "$tmp/nine.sng"
head -c 200 /dev/zero > "$tmp/zeros.sng"

failures=0
check() {  # expected-status description command...
  local want=$1 what=$2
  shift 2
  "$@" >"$tmp/out" 2>"$tmp/err"
  local got=$?
  if [ "$got" -ne "$want" ] || grep -q "LeakSanitizer" "$tmp/err"; then
    echo "FAIL: $what: status $got (want $want)"
    head -20 "$tmp/err"
    failures=$((failures + 1))
  else
    echo "ok: $what"
  fi
}

check 0 "usage" "$QUANDOR" '/?'
for f in "$tmp"/*.sng; do
  check 0 "player refuses $(basename "$f")" "$QUANDOR" "$f"
  check 1 "tool refuses $(basename "$f")" "$QUANDOR_TOOL" info "$f"
done
for song in "$SOURCE_DIR"/songs/*.sng; do
  check 0 "info $(basename "$song")" "$QUANDOR_TOOL" info "$song"
  check 0 "render $(basename "$song")" "$QUANDOR_TOOL" render --seconds 2 "$song" "$tmp/out.wav"
  check 0 "dump $(basename "$song")" "$QUANDOR_TOOL" dump "$song" "$tmp/out.txt"
  check 0 "build $(basename "$song")" "$QUANDOR_TOOL" build "$tmp/out.txt" "$tmp/out.sng"
done
[ "$failures" -eq 0 ]
