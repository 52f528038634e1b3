#!/usr/bin/env bash
# CPU use of the player while it plays, against the floor of a bare SDL program that presents
# an unchanged 640x400 8-bit image 20 times a second. Both run side by side under one private
# Xvfb for the same stretch; each one's user+system CPU time over that stretch is read from
# /proc after its window is up (start-up work is not counted), then both are stopped.
# Target: player / bare presenter at most 1.25.
# Usage: scripts/measure_player_cpu.sh [SONG] [SECONDS]   (default: an 8-channel test song, 10)
# Builds a release tree in build-cpu (override with BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
song=${1:-}
seconds=${2:-10}
build=${BUILD_DIR:-build-cpu}

for tool in Xvfb xdotool python3; do
  command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUANDOR_BUILD_BENCH=ON \
  -DQUANDOR_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target quandor bare_presenter >/dev/null

tmp=$(mktemp -d)
pids=()
# Stops the programs before the X server they draw on (newest first).
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    sleep 0.3
    kill -9 "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$tmp"
}
trap cleanup EXIT

if [ -z "$song" ]; then
  # Eight channels, every row changing: the most the strips and the mixer have to do.
  song=$tmp/eight.sng
  python3 - "$song" <<'PY'
import struct, sys
rows = bytearray()
for r in range(3000):
    for c in range(8):
        word = ((r * 5 + c * 31) & 0xFF) | (2 + c % 5) << 8 | (r >> 4 & 1) << 11
        rows += struct.pack('<HBBBB', word, (r * 3 + c * 17) & 0xFF, (0, 0x30)[c & 1],
                            (r * 7 + c * 29) & 0xFF, (r * 11 + c * 13) & 0xFF)
msg = b'Eight channels for the CPU measurement'
open(sys.argv[1], 'wb').write(b'QTN' + bytes([8 | 0x10]) + struct.pack('<HIHI', 50, 0, len(msg), 0) + msg + rows)
PY
fi

: >"$tmp/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$tmp/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do
  grep -q '^[0-9][0-9]*$' "$tmp/display" 2>/dev/null && break
  sleep 0.1
done
export DISPLAY=":$(head -n1 "$tmp/display")"

# utime + stime of a process, in clock ticks.
cpu_ticks() {
  python3 -c 'import sys; f = open("/proc/%s/stat" % sys.argv[1]).read().rsplit(")", 1)[1].split(); print(int(f[11]) + int(f[12]))' "$1"
}
wait_window() {
  local win
  for _ in $(seq 1 100); do
    win=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -n1 || true)
    [ -n "$win" ] && { echo "$win"; return 0; }
    sleep 0.1
  done
  echo "no window of process $1" >&2
  exit 1
}

"$build/bench/bare_presenter" $((seconds + 30)) &
bare=$!
pids+=($bare)
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$tmp/audio.raw "$build/shell/quandor" "$song" \
  >/dev/null 2>&1 &
player=$!
pids+=($player)
wait_window "$bare" >/dev/null
player_window=$(wait_window "$player")
sleep 1

bare0=$(cpu_ticks "$bare")
player0=$(cpu_ticks "$player")
sleep "$seconds"
bare1=$(cpu_ticks "$bare")
player1=$(cpu_ticks "$player")
# The player leaves on Escape, the presenter on SIGTERM.
xdotool key --window "$player_window" Escape
kill "$bare"
wait "$player" "$bare" 2>/dev/null || true

hz=$(getconf CLK_TCK)
python3 - "$hz" "$seconds" "$((bare1 - bare0))" "$((player1 - player0))" <<'PY'
import sys
hz, seconds, bare, player = (int(v) for v in sys.argv[1:])
print("bare presenter: %.2f s CPU in %d s (%.1f%% of a core)" % (bare / hz, seconds, 100.0 * bare / hz / seconds))
print("player:         %.2f s CPU in %d s (%.1f%% of a core)" % (player / hz, seconds, 100.0 * player / hz / seconds))
print("ratio player / bare presenter: %s (target at most 1.25)" % ("%.2f" % (player / bare) if bare else "n/a"))
PY
