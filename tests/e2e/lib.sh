# Shared helpers for the end-to-end scripts: a private X server, windows found by name or
# process, screenshots and pixel reads. Source it from a test script:
#
#   . "$(dirname "$0")/lib.sh"
#   e2e_require Xvfb xdotool xwd convert python3   # exits 77 (skipped) when one is missing
#   e2e_start_xvfb                                 # exports DISPLAY; killed on exit
#   "$PROGRAM" >"$E2E_TMP/out" & e2e_track $!
#   win=$(e2e_find_window_by_pid $!)
#   e2e_screenshot "$win" "$E2E_TMP/shot.png"
#   e2e_expect_pixel "$E2E_TMP/shot.png" 10 20 255 255 255 "title text"
#
# Every helper that can fail calls e2e_fail, which prints the reason and exits 1.

set -u

E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/e2e.XXXXXX")
E2E_PIDS=()

# Stops what the script started (newest first) and removes the scratch folder.
e2e_cleanup() {
  local i pid
  for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
    pid=${E2E_PIDS[i]}
    kill "$pid" 2>/dev/null || continue
    for _ in $(seq 1 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null
  done
  rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

e2e_fail() {
  echo "FAIL: $*" >&2
  exit 1
}

e2e_log() {
  echo "-- $*" >&2
}

# Remembers a background process so that it is stopped when the script ends.
e2e_track() {
  E2E_PIDS+=("$1")
}

# Exits 77 (skipped) when any of the named commands is missing.
e2e_require() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "SKIP: $tool is not installed" >&2
      exit 77
    fi
  done
}

# Starts Xvfb on a display number it picks itself (so parallel runs never collide), waits until
# it accepts connections and exports DISPLAY. Optional argument: the screen geometry.
e2e_start_xvfb() {
  local geometry=${1:-1024x768x24}
  # SDL's X11 back end is loaded at run time and unloaded by SDL_Quit; LeakSanitizer then sees
  # its allocations from an unknown module that no suppression can name. Leaks of our own code
  # are checked by the in-process tests and by no_leaks.sh with SDL's dummy drivers.
  export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
  local numfile="$E2E_TMP/xvfb.display"
  : >"$numfile"
  Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp -noreset \
    3>"$numfile" >"$E2E_TMP/xvfb.log" 2>&1 &
  local pid=$!
  e2e_track "$pid"
  for _ in $(seq 1 100); do
    if [ -s "$numfile" ] && grep -q '^[0-9][0-9]*$' "$numfile"; then
      export DISPLAY=":$(head -n1 "$numfile")"
      e2e_log "Xvfb ready on $DISPLAY"
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  cat "$E2E_TMP/xvfb.log" >&2
  e2e_fail "Xvfb did not start"
}

# Prints the id of the first visible window whose name matches the pattern; waits up to
# the given seconds (default 10).
e2e_find_window() {
  local pattern=$1 timeout=${2:-10} win
  for _ in $(seq 1 $((timeout * 10))); do
    win=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1)
    if [ -n "$win" ]; then
      echo "$win"
      return 0
    fi
    sleep 0.1
  done
  e2e_fail "no window named '$pattern' within ${timeout}s"
}

# Same, for the visible window of a process id.
e2e_find_window_by_pid() {
  local pid=$1 timeout=${2:-10} win
  for _ in $(seq 1 $((timeout * 10))); do
    win=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n1)
    if [ -n "$win" ]; then
      echo "$win"
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || e2e_fail "process $pid ended before it showed a window"
    sleep 0.1
  done
  e2e_fail "no window of process $pid within ${timeout}s"
}

# Prints "WIDTH HEIGHT" of a window.
e2e_window_size() {
  xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p'
}

# Waits until the window has the given size (a mode switch is not instantaneous).
e2e_wait_window_size() {
  local win=$1 width=$2 height=$3 timeout=${4:-10} size=""
  for _ in $(seq 1 $((timeout * 10))); do
    size=$(e2e_window_size "$win" 2>/dev/null)
    [ "$size" = "$width $height" ] && return 0
    sleep 0.1
  done
  e2e_fail "window $win is '$size', expected ${width}x${height}"
}

# Saves the window's contents as a PNG file.
e2e_screenshot() {
  local win=$1 file=$2
  xwd -silent -id "$win" | convert xwd:- "png:$file" || e2e_fail "screenshot of window $win failed"
}

# Python source shared by the pixel helpers: read_ppm(data) -> (width, height, rgb bytes).
E2E_READ_PPM='
import sys

def read_ppm(data):
    # P6 header: magic, width, height, maxval separated by whitespace; "#" starts a comment
    # (ImageMagick writes the window name there).
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    if fields[0] != b"P6" or int(fields[3]) != 255:
        sys.exit("not an 8-bit P6 image")
    return int(fields[1]), int(fields[2]), data[pos + 1:]
'

# Reads pixels of a screenshot (any format ImageMagick reads). Arguments after the file are
# "X,Y" pairs; prints "R G B" per pair, one line each, in the order given.
e2e_pixels() {
  local file=$1
  shift
  convert "$file" -depth 8 ppm:- | python3 -c "$E2E_READ_PPM"'
width, height, pixels = read_ppm(sys.stdin.buffer.read())
for pair in sys.argv[1:]:
    x, y = (int(v) for v in pair.split(","))
    if not (0 <= x < width and 0 <= y < height):
        sys.exit("pixel %d,%d is outside the %dx%d image" % (x, y, width, height))
    i = (y * width + x) * 3
    print(pixels[i], pixels[i + 1], pixels[i + 2])
' "$@"
}

# Prints how many pixels of the image have exactly the colour R G B.
e2e_colour_count() {
  local file=$1
  shift
  convert "$file" -depth 8 ppm:- | python3 -c "$E2E_READ_PPM"'
width, height, pixels = read_ppm(sys.stdin.buffer.read())
want = bytes(int(v) for v in sys.argv[1:4])
print(sum(1 for i in range(0, width * height * 3, 3) if pixels[i:i + 3] == want))
' "$@"
}

# Prints "WIDTH HEIGHT" of an image file.
e2e_image_size() {
  convert "$1" -format '%w %h' info:
}

# Fails unless the pixel at X,Y of the image is exactly R G B.
e2e_expect_pixel() {
  local file=$1 x=$2 y=$3 want="$4 $5 $6" what=${7:-pixel} got
  got=$(e2e_pixels "$file" "$x,$y") || e2e_fail "cannot read $x,$y of $file"
  [ "$got" = "$want" ] || e2e_fail "$what at $x,$y is '$got', expected '$want'"
}

# Waits until a line matching the pattern (grep -E) appears in the file.
e2e_wait_for_line() {
  local file=$1 pattern=$2 timeout=${3:-10}
  for _ in $(seq 1 $((timeout * 10))); do
    grep -Eq "$pattern" "$file" 2>/dev/null && return 0
    sleep 0.1
  done
  e2e_fail "no line matching '$pattern' in $file within ${timeout}s"
}

# Waits until a child process of the script ends and sets E2E_STATUS to its exit status;
# fails after the timeout. Not for use inside $(...): a subshell cannot wait for it.
E2E_STATUS=""
e2e_wait_exit() {
  local pid=$1 timeout=${2:-10}
  for _ in $(seq 1 $((timeout * 10))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      E2E_STATUS=0
      wait "$pid" || E2E_STATUS=$?
      return 0
    fi
    sleep 0.1
  done
  e2e_fail "process $pid still running after ${timeout}s"
}

# Copies a disk-driver capture without the silent buffers the device writes while it is still
# paused (between opening and starting it), keeping whole 8192-byte buffers only. Usage:
#   e2e_strip_paused_silence CAPTURE OUT
e2e_strip_paused_silence() {
  python3 - "$1" "$2" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
start = 0
while data[start:start + 8192] == bytes(8192):
    start += 8192
end = start + (len(data) - start) // 8192 * 8192
open(sys.argv[2], "wb").write(data[start:end])
PY
}
