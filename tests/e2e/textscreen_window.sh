#!/bin/bash
# The text screen in a real window: the picture of the screen probe arrives pixel for pixel in
# the palette's colours, a typed key is reported, mouse movement is not, Alt+Return goes to full
# screen with the picture shown, Alt+Return again back to the 640x400 window with the picture
# intact, Escape ends with 0.
. "$(dirname "$0")/lib.sh"

e2e_require Xvfb xdotool xwd convert python3
probe="${BINARY_DIR:?}/tests/screen_probe"
[ -x "$probe" ] || e2e_fail "screen probe not built: $probe"

e2e_start_xvfb 1024x768x24
out="$E2E_TMP/probe.out"
"$probe" >"$out" 2>"$E2E_TMP/probe.err" &
pid=$!
e2e_track "$pid"
e2e_wait_for_line "$out" '^ready$'
win=$(e2e_find_window_by_pid "$pid")
e2e_wait_window_size "$win" 640 400

# Expected pixels of the probe's picture: "X,Y R G B what".
expected_picture() {
  cat <<'EOF'
0,0 255 0 0 full block 12, top left
7,7 255 0 0 full block 12, bottom right
8,0 0 255 0 full block 10
19,5 0 0 255 full block 9
27,3 192 192 192 character 0 in background 7
35,3 0 0 128 lower half block, upper half background 1
35,4 255 255 0 lower half block, lower half foreground 14
632,392 255 0 255 full block 13 in the last cell
639,399 255 0 255 full block 13, last pixel
60,60 0 0 0 blank cell in background 0
0,399 255 0 0 bottom left: full block 12
15,392 0 255 0 bottom left: full block 10
16,395 0 0 255 bottom left: full block 9
31,399 192 192 192 bottom left: character 0 in background 7
39,395 0 0 128 bottom left: lower half block, upper half
32,396 255 255 0 bottom left: lower half block, lower half
0,16 255 255 255 Q, row 0 left pixel is background 15
1,16 0 0 0 Q, row 0 second pixel is foreground 0
4,23 0 0 0 Q, tail in row 7
3,23 255 255 255 Q, left of the tail
8,22 255 255 255 U, row 6 left pixel
9,22 0 0 0 U, row 6 second pixel
80,32 0 0 128 s, empty top row on blue
80,35 255 255 255 s, row 3 left pixel in white
82,35 0 0 128 s, row 3 third pixel is background
EOF
}

check_picture() {
  local shot=$1 label=$2 points got want line i=0
  [ "$(e2e_image_size "$shot")" = "640 400" ] || e2e_fail "$label: screenshot is $(e2e_image_size "$shot")"
  points=$(expected_picture | cut -d' ' -f1 | tr '\n' ' ')
  # shellcheck disable=SC2086
  mapfile -t got < <(e2e_pixels "$shot" $points)
  while read -r xy r g b what; do
    [ "${got[i]}" = "$r $g $b" ] || e2e_fail "$label: $what at $xy is '${got[i]}', expected '$r $g $b'"
    i=$((i + 1))
  done < <(expected_picture)
  e2e_log "$label: $i pixels as expected"
}

check_picture_soon() {
  # The window may still be mapping or repainting right after a change: retry for a while.
  local label=$1 shot="$E2E_TMP/$2.png" n
  for n in $(seq 1 20); do
    e2e_screenshot "$win" "$shot"
    (check_picture "$shot" "$label" 2>/dev/null) && break
    sleep 0.2
  done
  check_picture "$shot" "$label"
}

check_picture_soon "start" start

# A typed key is reported as its SDL symbol (q = 113) with no modifier.
xdotool key --window "$win" q
e2e_wait_for_line "$out" '^key 113 0$'

# Mouse movement and clicks are events too, but not key presses: nothing is reported.
lines_before=$(wc -l <"$out")
xdotool mousemove --window "$win" 100 100 mousemove --window "$win" 300 200 click 1
sleep 0.5
[ "$(wc -l <"$out")" = "$lines_before" ] || e2e_fail "mouse events were reported: $(tail -n +"$((lines_before + 1))" "$out")"

# Alt+Return: full screen, then back to the window, the picture whole after each switch.
# In full screen SDL scales the 640x400 image to the display, and with no window manager to
# resize the window (as under Xvfb) only part of it is visible, so there the check is that the
# picture's colours are shown, not where.
check_full_screen_colours() {
  local shot="$E2E_TMP/full.png" colour n count
  for colour in "255 0 0" "0 255 0" "0 0 255" "192 192 192" "255 255 0"; do
    for n in $(seq 1 20); do
      e2e_screenshot "$win" "$shot"
      # shellcheck disable=SC2086
      count=$(e2e_colour_count "$shot" $colour)
      [ "$count" -ge 16 ] && break
      sleep 0.2
    done
    [ "$count" -ge 16 ] || e2e_fail "full screen: colour $colour shows in $count pixels"
  done
  e2e_log "full screen: the picture's colours are shown"
}

xdotool key --window "$win" alt+Return
e2e_wait_for_line "$out" '^mode full 640 400$'
win=$(e2e_find_window_by_pid "$pid")
check_full_screen_colours

xdotool key --window "$win" alt+Return
e2e_wait_for_line "$out" '^mode window 640 400$'
win=$(e2e_find_window_by_pid "$pid")
e2e_wait_window_size "$win" 640 400
check_picture_soon "back in the window" window

xdotool key --window "$win" Escape
e2e_wait_for_line "$out" '^key 27 0$'
e2e_wait_exit "$pid" 10
[ "$E2E_STATUS" = 0 ] || e2e_fail "probe ended with status $E2E_STATUS: $(cat "$E2E_TMP/probe.err")"
e2e_log "textscreen window: all checks passed"
