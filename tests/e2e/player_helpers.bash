# Helpers shared by the player's end-to-end scripts (sourced after lib.sh; not a test itself).

# Writes a 4-channel interleaved song at 50 rows per second: 400 rows of changing notes, so
# the sound and the strips move, and a short message.
player_make_song() {
  python3 - "$1" <<'PY'
import struct, sys
rows = bytearray()
for r in range(400):
    for c in range(4):
        pitch = (r * 7 + c * 40) & 0xFF
        octave = 3 + c % 3
        word = pitch | octave << 8 | (c & 1) << 12 | ((c >> 1) & 1) << 14
        # Channel 4 keeps pulse width 0 and no filtering, so its level bar is blue alone.
        pulse, wave = (0 if c == 3 else (r * 3 + c * 60) & 0xFF), (0, 0x20, 0, 0x40)[c]
        volume = 0xFF if c == 0 else 0x60 + 16 * c
        cutoff = 0x80 if c == 2 else 0xFF
        rows += struct.pack('<HBBBB', word, pulse, wave, volume, cutoff)
message = b'Composed for the player test'
header = b'QTN' + bytes([4 | 0x10]) + struct.pack('<HIHI', 50, 0, len(message), 0)
open(sys.argv[1], 'wb').write(header + message + rows)
PY
}

# Prints the distinct colours ("R G B", one per line, sorted) of the 8x8 block of cell
# (col, row) in a screenshot.
player_cell_colours() {
  local file=$1 col=$2 row=$3 pairs=() x y
  for y in 0 1 2 3 4 5 6 7; do
    for x in 0 1 2 3 4 5 6 7; do
      pairs+=("$((col * 8 + x)),$((row * 8 + y))")
    done
  done
  e2e_pixels "$file" "${pairs[@]}" | sort -u
}

# Fails unless the cell's block shows exactly the given colours (each "R G B"; one colour for
# a blank or solid cell, two for a glyph on its background).
player_expect_cell() {
  local file=$1 col=$2 row=$3 what=$4 got want
  shift 4
  want=$(printf '%s\n' "$@" | sort -u)
  got=$(player_cell_colours "$file" "$col" "$row")
  [ "$got" = "$want" ] || e2e_fail "$what: cell $col,$row shows [$(echo $got)], expected [$(echo $want)]"
}

BLACK="0 0 0"
BLUE="0 0 128"
GREY="128 128 128"
LIGHT_GREY="192 192 192"
BRIGHT_BLUE="0 0 255"
WHITE="255 255 255"

# Under AddressSanitizer, the leak check at exit reports blocks that SDL's dynamically loaded
# back ends (X11, audio) keep after they are unloaded, with no frame to suppress them by, and
# turns the exit status into 1. These scripts check the status the player itself returns; the
# player's own allocations are leak-checked by the in-process tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
