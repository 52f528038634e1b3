#!/bin/bash
# Audio that cannot be opened: the disk driver initialises but cannot create its file. The
# player shows "?Audio: ... ERROR" and "..press any key to continue..", and a key returns.
here=$(dirname "$0")
. "$here/lib.sh"
. "$here/player_helpers.bash"
e2e_require Xvfb xdotool xwd convert python3
[ -x "${QUANDOR:-}" ] || { echo "SKIP: binary not given" >&2; exit 77; }

e2e_start_xvfb
cd "$E2E_TMP" || exit 1
player_make_song tune.sng
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$E2E_TMP/no/such/folder/audio.raw \
  "$QUANDOR" tune.sng >"$E2E_TMP/out" 2>&1 &
pid=$!
e2e_track "$pid"
win=$(e2e_find_window_by_pid "$pid")
e2e_wait_window_size "$win" 640 400
sleep 1
kill -0 "$pid" 2>/dev/null || e2e_fail "the player did not wait for a key"
e2e_screenshot "$win" "$E2E_TMP/failure.png"
# The message stands at the cursor (the top-left corner) in the start-up attribute, white on
# black: "?" in cell 0,0, and the second line's dots in row 1 or below.
player_expect_cell "$E2E_TMP/failure.png" 0 0 "the ? of ?Audio" "$BLACK" "$WHITE"
found=""
for row in 1 2 3 4; do
  if [ "$(player_cell_colours "$E2E_TMP/failure.png" 0 "$row")" = "$(printf '%s\n' "$BLACK" "$WHITE" | sort -u)" ]; then
    found=$row
    break
  fi
done
[ -n "$found" ] || e2e_fail "no second line under the audio message"
# No player screen: the frame row 3 of the player is not drawn.
player_expect_cell "$E2E_TMP/failure.png" 40 3 "no player frame row" "$BLACK"

xdotool key --window "$win" x
e2e_wait_exit "$pid" 10
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS after the key"
echo "player_audio_failure: passed"
