#!/bin/bash
# A held key repeats in the selector after 300 ms, then every 30 ms: Down held for one second
# moves the bar by about 24 rows (1 + 700 / 30). The X server's own repeat (660 ms, then 25 per
# second) would give about 9, no repeat at all 1.
here=$(dirname "$0")
. "$here/lib.sh"
e2e_require Xvfb xdotool xwd convert python3
[ -x "${QUANDOR:-}" ] || { echo "SKIP: quandor not given" >&2; exit 77; }

mkdir -p "$E2E_TMP/music"
cd "$E2E_TMP/music" || exit 1
for i in $(seq 10 69); do : >"s$i.sng"; done

e2e_start_xvfb
SDL_AUDIODRIVER=dummy "$QUANDOR" >"$E2E_TMP/out" 2>"$E2E_TMP/err" &
pid=$!
e2e_track "$pid"
win=$(e2e_find_window_by_pid "$pid")
e2e_wait_window_size "$win" 640 400
sleep 0.5

xdotool keydown --window "$win" Down
sleep 1
xdotool keyup --window "$win" Down
sleep 0.3
e2e_screenshot "$win" "$E2E_TMP/held.png"

# The bar on a song is bright blue from column 0; find its row among the 47 list rows.
pairs=()
for row in $(seq 2 48); do pairs+=("0,$((row * 8))"); done
bar=$(e2e_pixels "$E2E_TMP/held.png" "${pairs[@]}" | grep -n '^0 0 255$' | cut -d: -f1)
[ -n "$bar" ] || e2e_fail "no bar on the screen"
moves=$((bar - 1))
e2e_log "Down held for 1 s moved the bar $moves rows"
[ "$moves" -ge 12 ] && [ "$moves" -le 26 ] ||
  e2e_fail "Down held for 1 s moved the bar $moves rows, expected 12 to 26"

xdotool key --window "$win" Escape
e2e_wait_exit "$pid" 10
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS after Escape"
echo "selector_key_repeat: passed"
