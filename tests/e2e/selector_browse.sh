#!/bin/bash
# The file selector in a real window: started without arguments in a folder of subfolders and
# songs it shows the sorted list under its banner with the bar at the top; Down and Return open
# a folder; Return on a song plays it (the audio that reaches the device equals quandor-tool
# render); Escape comes back to the same list with the bar on that song; Escape again ends with
# status 0. Two arguments give the same selector as none.
here=$(dirname "$0")
. "$here/lib.sh"
. "$here/player_helpers.bash"
e2e_require Xvfb xdotool xwd convert python3 cmp
[ -x "${QUANDOR:-}" ] || { echo "SKIP: quandor not given" >&2; exit 77; }

RED="255 0 0"

# A song of our own for every name, unless the demo songs are there to copy.
place_song() {
  local name=$1 demo=${SOURCE_DIR:-}/songs/$2
  if [ -f "$demo" ]; then cp "$demo" "$name"; else player_make_song "$name"; fi
}

music=$E2E_TMP/music
mkdir -p "$music/alpha" "$music/Beta" "$music/-dash"
cd "$music" || exit 1
place_song tidepool.sng tidepool.sng
place_song DEMO.SNG demo.sng
place_song alpha/inner.sng pocket.sng
echo "not a song" >notes.txt
echo "not a song" >tune.sng.bak
# Listed: <-dash> <..> <alpha> <Beta> DEMO.SNG tidepool.sng on rows 2 to 7.

e2e_start_xvfb
capture=$E2E_TMP/capture.raw
# Standard output must stay empty; SDL talks about its disk driver on standard error.
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$capture "$QUANDOR" >"$E2E_TMP/out" 2>"$E2E_TMP/err" &
pid=$!
e2e_track "$pid"
win=$(e2e_find_window_by_pid "$pid")
e2e_wait_window_size "$win" 640 400
sleep 0.5

shot=$E2E_TMP/list.png
e2e_screenshot "$win" "$shot"
player_expect_cell "$shot" 0 0 "banner full block" "$WHITE"
player_expect_cell "$shot" 3 0 "banner text (O)" "$BLACK" "$WHITE"
player_expect_cell "$shot" 79 0 "banner light shade" "$BLACK" "$WHITE"
player_expect_cell "$shot" 40 1 "empty row 1" "$BLACK"
# The bar on the first entry, <-dash> (7 characters from column 36): red on dark blue, all 80
# columns.
player_expect_cell "$shot" 0 2 "bar's left end" "$BLUE"
player_expect_cell "$shot" 79 2 "bar's right end" "$BLUE"
player_expect_cell "$shot" 36 2 "bar text '<'" "$BLUE" "$RED"
player_expect_cell "$shot" 37 2 "bar text '-'" "$BLUE" "$RED"
player_expect_cell "$shot" 37 3 "<..> in grey" "$BLACK" "$GREY"
player_expect_cell "$shot" 36 4 "<alpha> in grey" "$BLACK" "$GREY"
player_expect_cell "$shot" 0 4 "no bar on row 4" "$BLACK"
player_expect_cell "$shot" 37 5 "<Beta>, after alpha whatever the case" "$BLACK" "$GREY"
player_expect_cell "$shot" 35 6 "DEMO.SNG in light grey" "$BLACK" "$LIGHT_GREY"
player_expect_cell "$shot" 34 7 "tidepool.sng in light grey" "$BLACK" "$LIGHT_GREY"
player_expect_cell "$shot" 40 8 "nothing after the songs" "$BLACK"

# Down twice to <alpha>, Return opens it: <..> and inner.sng.
for key in Down Down Return; do
  xdotool key --window "$win" "$key"
  sleep 0.3
done
e2e_screenshot "$win" "$E2E_TMP/alpha.png"
player_expect_cell "$E2E_TMP/alpha.png" 37 2 "bar back on the first entry, <..>" "$BLUE" "$RED"
player_expect_cell "$E2E_TMP/alpha.png" 35 3 "inner.sng" "$BLACK" "$LIGHT_GREY"
player_expect_cell "$E2E_TMP/alpha.png" 40 4 "nothing after inner.sng" "$BLACK"

xdotool key --window "$win" Down
sleep 0.3
e2e_screenshot "$win" "$E2E_TMP/on_song.png"
player_expect_cell "$E2E_TMP/on_song.png" 0 3 "bar on a song: blue" "$BRIGHT_BLUE"
player_expect_cell "$E2E_TMP/on_song.png" 35 3 "bar text on a song" "$BRIGHT_BLUE" "$RED"
cp "$E2E_TMP/on_song.png" "$E2E_TMP/before_play.png"

# Return plays the song: compare what reached the device before any further key.
xdotool key --window "$win" Return
for _ in $(seq 1 100); do
  [ "$(stat -c %s "$capture" 2>/dev/null || echo 0)" -ge 65536 ] && break
  sleep 0.1
done
sleep 0.5
# What the song made starts after any silence the paused device wrote.
e2e_strip_paused_silence "$capture" "$E2E_TMP/heard_all.raw"
size=$(stat -c %s "$E2E_TMP/heard_all.raw")
[ "$size" -ge 65536 ] || e2e_fail "only $size bytes of audio captured"
if [ -x "${QUANDOR_TOOL:-}" ] && "$QUANDOR_TOOL" render --help >/dev/null 2>&1; then
  head -c "$size" "$E2E_TMP/heard_all.raw" >"$E2E_TMP/heard.raw"
  "$QUANDOR_TOOL" render --frames $((size / 4)) --format raw alpha/inner.sng \
    "$E2E_TMP/rendered.raw" || e2e_fail "render failed"
  cmp "$E2E_TMP/heard.raw" "$E2E_TMP/rendered.raw" ||
    e2e_fail "the first $size bytes played differ from the rendering"
  e2e_log "first $size bytes of audio equal the rendering"
else
  e2e_log "quandor-tool render not available: audio comparison skipped"
fi
e2e_screenshot "$win" "$E2E_TMP/playing.png"
player_expect_cell "$E2E_TMP/playing.png" 3 0 "the player's banner (Z)" "$BLACK" "$WHITE"

# Escape leaves the player: the same list with the bar on the song just played.
xdotool key --window "$win" Escape
sleep 0.5
kill -0 "$pid" 2>/dev/null || e2e_fail "the program ended after the player instead of the selector"
e2e_screenshot "$win" "$E2E_TMP/back.png"
convert "$E2E_TMP/before_play.png" ppm:"$E2E_TMP/before_play.ppm"
convert "$E2E_TMP/back.png" ppm:"$E2E_TMP/back.ppm"
cmp -s "$E2E_TMP/before_play.ppm" "$E2E_TMP/back.ppm" ||
  e2e_fail "the selector after the song differs from the selector before it"

xdotool key --window "$win" Escape
e2e_wait_exit "$pid" 10
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS after Escape"
[ -s "$E2E_TMP/out" ] && e2e_fail "unexpected output: $(cat "$E2E_TMP/out")"

# Two arguments: ignored, the same first screen as without any.
SDL_AUDIODRIVER=dummy "$QUANDOR" tidepool.sng DEMO.SNG >"$E2E_TMP/out2" 2>&1 &
pid=$!
e2e_track "$pid"
win=$(e2e_find_window_by_pid "$pid")
e2e_wait_window_size "$win" 640 400
sleep 0.5
e2e_screenshot "$win" "$E2E_TMP/two_args.png"
convert "$shot" ppm:"$E2E_TMP/list.ppm"
convert "$E2E_TMP/two_args.png" ppm:"$E2E_TMP/two_args.ppm"
cmp -s "$E2E_TMP/list.ppm" "$E2E_TMP/two_args.ppm" ||
  e2e_fail "two arguments show a different first screen"
xdotool key --window "$win" Escape
e2e_wait_exit "$pid" 10
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS after Escape (two arguments)"
echo "selector_browse: passed"
