#!/bin/bash
# Plays a song in a real window: the screen's colours at the right pixels, the audio that
# reaches the device up to the first key byte for byte against quandor-tool render, typed
# keys acting on the screen, and Escape ending with status 0.
here=$(dirname "$0")
. "$here/lib.sh"
. "$here/player_helpers.bash"
e2e_require Xvfb xdotool xwd convert python3 cmp
[ -x "${QUANDOR:-}" ] && [ -x "${QUANDOR_TOOL:-}" ] || { echo "SKIP: binaries not given" >&2; exit 77; }

e2e_start_xvfb
cd "$E2E_TMP" || exit 1
player_make_song tune.sng
capture=$E2E_TMP/capture.raw

SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$capture "$QUANDOR" tune.sng >"$E2E_TMP/out" 2>&1 &
pid=$!
e2e_track "$pid"
win=$(e2e_find_window_by_pid "$pid")
e2e_wait_window_size "$win" 640 400

# Let a few buffers reach the device, then keep what was captured before any key.
for _ in $(seq 1 100); do
  [ "$(stat -c %s "$capture" 2>/dev/null || echo 0)" -ge 65536 ] && break
  sleep 0.1
done
sleep 0.5
cp "$capture" "$E2E_TMP/before_keys.raw"
e2e_screenshot "$win" "$E2E_TMP/start.png"

# Audio: the disk driver writes whole buffers, so compare whole ones; the song's own start
# (tune.sng begins with sound) follows any silence written while the device was paused.
e2e_strip_paused_silence "$E2E_TMP/before_keys.raw" "$E2E_TMP/heard.raw"
size=$(stat -c %s "$E2E_TMP/heard.raw")
[ "$size" -ge 65536 ] || e2e_fail "only $size bytes of audio captured"
"$QUANDOR_TOOL" render --frames $((size / 4)) --format raw tune.sng "$E2E_TMP/rendered.raw" ||
  e2e_fail "render failed"
cmp "$E2E_TMP/heard.raw" "$E2E_TMP/rendered.raw" ||
  e2e_fail "the first $size bytes played differ from the rendering"
e2e_log "first $size bytes of audio equal the rendering"

# Screen: banner, status line, frame rows, strips.
shot=$E2E_TMP/start.png
player_expect_cell "$shot" 0 0 "top-left digits (black on white)" "$BLACK" "$WHITE"
player_expect_cell "$shot" 1 0 "top-left digits" "$BLACK" "$WHITE"
player_expect_cell "$shot" 2 0 "banner blank" "$BLACK"
player_expect_cell "$shot" 3 0 "banner text (Z)" "$BLACK" "$WHITE"
player_expect_cell "$shot" 69 0 "banner full block" "$WHITE"
player_expect_cell "$shot" 79 0 "banner light shade" "$BLACK" "$WHITE"
player_expect_cell "$shot" 0 1 "status line (P)" "$BLACK" "$LIGHT_GREY"
player_expect_cell "$shot" 60 1 "status line's end" "$BLACK"
player_expect_cell "$shot" 0 3 "frame row 3" "$BLACK" "$BRIGHT_BLUE"
player_expect_cell "$shot" 0 6 "frame row 6" "$BLACK" "$WHITE"
player_expect_cell "$shot" 40 11 "frame row 11" "$BLACK" "$WHITE"
player_expect_cell "$shot" 40 12 "blank row 12" "$BLACK"
for c in 0 1 2 3; do
  player_expect_cell "$shot" 0 $((7 + c)) "strip $((c + 1)) number" "$BLACK" "$LIGHT_GREY"
  player_expect_cell "$shot" 11 $((7 + c)) "strip $((c + 1)) volume" "$BLUE" "$LIGHT_GREY"
done
# Channel 4: volume 0x90, pulse width 0, cutoff 0xFF: 36 blue bar cells, then plain grey.
player_expect_cell "$shot" 17 10 "strip 4 bar start" "$BRIGHT_BLUE" "$LIGHT_GREY"
player_expect_cell "$shot" 52 10 "strip 4 bar's last blue" "$BRIGHT_BLUE" "$LIGHT_GREY"
player_expect_cell "$shot" 53 10 "strip 4 bar after the blue" "$BLACK" "$LIGHT_GREY"

# Keys, each checked on the screen where it shows.
xdotool key --window "$win" Tab
sleep 0.5
e2e_screenshot "$win" "$E2E_TMP/scope.png"
# The grey lines at rows 136 and 391, left of the wavetable's columns; the trace may cover a
# few of their points (a sample of -127 lands on row 391), so most of them must be grey.
for y in 136 391; do
  grey=$(e2e_pixels "$E2E_TMP/scope.png" $(for x in $(seq 0 63); do echo "$x,$y"; done) |
    grep -c '^192 192 192$')
  [ "$grey" -ge 48 ] || e2e_fail "scope's grey line at row $y: only $grey of 64 points grey"
done
[ "$(e2e_colour_count "$E2E_TMP/scope.png" 0 128 0)" -gt 100 ] ||
  e2e_fail "no green trace in the scope view"

xdotool key --window "$win" BackSpace
sleep 0.5
e2e_screenshot "$win" "$E2E_TMP/boost.png"
player_expect_cell "$E2E_TMP/boost.png" 0 0 "top-left digits with boost (dark grey on white)" \
  "$GREY" "$WHITE"

for key in Down Up i 1 space Right Left Return; do
  xdotool key --window "$win" "$key"
  sleep 0.2
done
e2e_screenshot "$win" "$E2E_TMP/space.png"
# Space selected bank 1: its level view is light grey, bank 0's dark grey.
player_expect_cell "$E2E_TMP/space.png" 48 16 "bank 1 levels" "$BLACK" "$LIGHT_GREY"
player_expect_cell "$E2E_TMP/space.png" 8 16 "bank 0 levels" "$BLACK" "$GREY"
kill -0 "$pid" 2>/dev/null || e2e_fail "the player ended before Escape"

xdotool key --window "$win" Escape
e2e_wait_exit "$pid" 10
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS after Escape"
echo "player_play: passed"
