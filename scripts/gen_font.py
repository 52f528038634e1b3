#!/usr/bin/env python3
"""Writes textscreen/font8x8.cpp: the IBM PC code page 437 glyph set, 8x8 pixels.

The glyphs come from Debian's console font Uni2-VGA8 (package console-setup-linux), whose
Unicode table lets us pick each CP437 character by its Unicode equivalent. The handful of
characters that font lacks are drawn below in the same style. Codes 0 and 255 are blank.

Usage: scripts/gen_font.py [PSF_FILE] [OUTPUT]
The program itself does not need the font package: the generated table is committed.
"""
import gzip
import textwrap
import sys

DEFAULT_PSF = "/usr/share/consolefonts/Uni2-VGA8.psf.gz"
DEFAULT_OUT = "textscreen/font8x8.cpp"

# The graphic characters the PC shows for codes 1 to 31 and 127.
LOW_CODES = (
    "\u263a\u263b\u2665\u2666\u2663\u2660\u2022\u25d8\u25cb\u25d9\u2642\u2640\u266a\u266b\u263c"
    "\u25ba\u25c4\u2195\u203c\u00b6\u00a7\u25ac\u21a8\u2191\u2193\u2192\u2190\u221f\u2194\u25b2"
    "\u25bc"
)


def cp437_char(code):
    if 1 <= code <= 31:
        return LOW_CODES[code - 1]
    if code == 127:
        return "\u2302"
    return bytes([code]).decode("cp437")


def rows(art):
    """A glyph from 8 space-separated rows of 8 pixels, top row first, '#' set."""
    lines = art.split()
    assert len(lines) == 8 and all(len(line) == 8 for line in lines), art
    return bytes(int(line.replace("#", "1").replace(".", "0"), 2) for line in lines)


# The console font has no double-line box drawings (it shows the single-line ones for them),
# shows arrows for the solid triangles 30 and 31 and has wrong pictures for most Greek letters;
# those and a few symbols are drawn here in the PC's style, letters 7 pixels wide: single lines 2 pixels wide in columns 3-4 and 1 pixel high in row 4, double lines
# in columns 2-3 and 5-6 or rows 2 and 4.
HAND_DRAWN = {
    16: rows("#....... ###..... #####... #######. #####... ###..... #....... ........"),  # right pointer
    17: rows("......#. ....###. ..#####. #######. ..#####. ....###. ......#. ........"),  # left pointer
    30: rows("........ ...##... ..####.. .######. ######## ######## ........ ........"),  # up triangle
    31: rows("........ ######## ######## .######. ..####.. ...##... ........ ........"),  # down triangle
    158: rows("#####... ##..##.. ##..##.. #####.#. ##...### ##..###. ##...### ........"),  # peseta
    169: rows("........ ........ ######.. ##...... ##...... ........ ........ ........"),  # reversed not
    181: rows("...##... ...##... #####... ...##... #####... ...##... ...##... ...##..."),
    182: rows("..##.##. ..##.##. ..##.##. ..##.##. ####.##. ..##.##. ..##.##. ..##.##."),
    183: rows("........ ........ ........ ........ #######. ..##.##. ..##.##. ..##.##."),
    184: rows("........ ........ #####... ...##... #####... ...##... ...##... ...##..."),
    185: rows("..##.##. ..##.##. ####.##. .....##. ####.##. ..##.##. ..##.##. ..##.##."),
    186: rows("..##.##. ..##.##. ..##.##. ..##.##. ..##.##. ..##.##. ..##.##. ..##.##."),
    187: rows("........ ........ #######. .....##. ####.##. ..##.##. ..##.##. ..##.##."),
    188: rows("..##.##. ..##.##. ####.##. .....##. #######. ........ ........ ........"),
    189: rows("..##.##. ..##.##. ..##.##. ..##.##. #######. ........ ........ ........"),
    190: rows("...##... ...##... #####... ...##... #####... ........ ........ ........"),
    198: rows("...##... ...##... ...##### ...##... ...##### ...##... ...##... ...##..."),
    199: rows("..##.##. ..##.##. ..##.##. ..##.##. ..##.### ..##.##. ..##.##. ..##.##."),
    200: rows("..##.##. ..##.##. ..##.### ..##.... ..###### ........ ........ ........"),
    201: rows("........ ........ ..###### ..##.... ..##.### ..##.##. ..##.##. ..##.##."),
    202: rows("..##.##. ..##.##. ####.### ........ ######## ........ ........ ........"),
    203: rows("........ ........ ######## ........ ####.### ..##.##. ..##.##. ..##.##."),
    204: rows("..##.##. ..##.##. ..##.### ..##.... ..##.### ..##.##. ..##.##. ..##.##."),
    205: rows("........ ........ ######## ........ ######## ........ ........ ........"),
    206: rows("..##.##. ..##.##. ####.### ........ ####.### ..##.##. ..##.##. ..##.##."),
    207: rows("...##... ...##... ######## ........ ######## ........ ........ ........"),
    208: rows("..##.##. ..##.##. ..##.##. ..##.##. ######## ........ ........ ........"),
    209: rows("........ ........ ######## ........ ######## ...##... ...##... ...##..."),
    210: rows("........ ........ ........ ........ ######## ..##.##. ..##.##. ..##.##."),
    211: rows("..##.##. ..##.##. ..##.##. ..##.##. ..###### ........ ........ ........"),
    212: rows("...##... ...##... ...##### ...##... ...##### ........ ........ ........"),
    213: rows("........ ........ ...##### ...##... ...##### ...##... ...##... ...##..."),
    214: rows("........ ........ ........ ........ ..###### ..##.##. ..##.##. ..##.##."),
    215: rows("..##.##. ..##.##. ..##.##. ..##.##. ######## ..##.##. ..##.##. ..##.##."),
    216: rows("...##... ...##... ######## ...##... ######## ...##... ...##... ...##..."),
    224: rows("........ ........ .###.##. ##.###.. ##..#... ##.###.. .###.##. ........"),  # alpha
    226: rows("#######. ##...##. ##...... ##...... ##...... ##...... ##...... ........"),  # Gamma
    227: rows("........ #######. .##.##.. .##.##.. .##.##.. .##.##.. .##.##.. ........"),  # pi
    228: rows("#######. ##...##. .##..... ..##.... .##..... ##...##. #######. ........"),  # Sigma
    229: rows("........ ........ .######. ##.##... ##.##... ##.##... .###.... ........"),  # sigma
    231: rows("........ .###.##. ##.###.. ...##... ...##... ...##... ...##... ........"),  # tau
    232: rows("#######. ..###... .##.##.. ##...##. ##...##. .##.##.. ..###... #######."),  # Phi
    233: rows("..###... .##.##.. ##...##. #######. ##...##. .##.##.. ..###... ........"),  # Theta
    234: rows("..###... .##.##.. ##...##. ##...##. .##.##.. .##.##.. ###.###. ........"),  # Omega
    235: rows("...###.. ..##.... ...##... .#####.. ##..##.. ##..##.. .####... ........"),  # delta
    236: rows("........ ........ .######. ##.##.## ##.##.## .######. ........ ........"),  # infinity
    237: rows(".....##. ....##.. .######. ##.##.## ##.##.## .######. .##..... ##......"),  # phi
    238: rows("...####. ..##.... .##..... .######. .##..... ..##.... ...####. ........"),  # epsilon
    239: rows("..###... .##.##.. ##...##. ##...##. ##...##. ##...##. ##...##. ........"),  # intersection
    240: rows("........ #######. ........ #######. ........ #######. ........ ........"),  # identical
}


# Codes whose glyph the console font has under the right name but with another character's
# picture (its Greek letters show box pieces, a second sharp s, three bars for pi, ...): these
# take the drawing above instead.
WRONG_IN_FONT = {224, 226, 227, 228, 229, 231, 232, 233, 234, 235, 237, 238}


def read_psf(path):
    """Returns (glyphs, Unicode character -> glyph index, glyph index -> its first character)."""
    data = gzip.open(path).read() if path.endswith(".gz") else open(path, "rb").read()
    if data[:2] == b"\x36\x04":  # PSF1
        mode, height = data[2], data[3]
        count = 512 if mode & 1 else 256
        width, offset, has_table = 8, 4, bool(mode & 6)
        glyph_size = height
    elif data[:4] == b"\x72\xb5\x4a\x86":  # PSF2
        def word(i):
            return int.from_bytes(data[i:i + 4], "little")
        offset, flags, count = word(8), word(12), word(16)
        glyph_size, height, width = word(20), word(24), word(28)
        has_table = bool(flags & 1)
    else:
        sys.exit("%s: not a PSF font" % path)
    if (width, height) != (8, 8):
        sys.exit("%s: glyphs are %dx%d, not 8x8" % (path, width, height))
    glyphs = [data[offset + i * glyph_size:offset + (i + 1) * glyph_size] for i in range(count)]
    if not has_table:
        sys.exit("%s: no Unicode table" % path)
    table, primary = {}, {}
    pos = offset + count * glyph_size
    psf1 = data[:2] == b"\x36\x04"
    for index in range(count):
        # Each entry lists the characters of one glyph; sequences (combining forms) follow a
        # separator and are skipped: only single characters matter here.
        in_sequence = False
        while True:
            if psf1:
                value = int.from_bytes(data[pos:pos + 2], "little")
                pos += 2
                if value == 0xFFFF:
                    break
                if value == 0xFFFE:
                    in_sequence = True
                    continue
                char = chr(value)
            else:
                lead = data[pos]
                if lead == 0xFF:
                    pos += 1
                    break
                if lead == 0xFE:
                    pos += 1
                    in_sequence = True
                    continue
                length = 1 if lead < 0x80 else 2 if lead < 0xE0 else 3 if lead < 0xF0 else 4
                char = data[pos:pos + length].decode("utf-8")
                pos += length
            if not in_sequence:
                table.setdefault(char, index)
                primary.setdefault(index, char)
    return glyphs, table, primary


def has_own_glyph(char, table, primary, cp437):
    """False when the font only borrows another CP437 character's glyph for char (it shows the
    single-line boxes for the double-line ones, for example)."""
    if char not in table:
        return False
    owner = primary[table[char]]
    return owner == char or owner not in cp437


def build(path):
    glyphs, table, primary = read_psf(path)
    cp437 = {cp437_char(code) for code in range(1, 255)}
    font, drawn = [], []
    for code in range(256):
        if code in (0, 255):
            font.append(bytes(8))
            continue
        char = cp437_char(code)
        if code not in WRONG_IN_FONT and has_own_glyph(char, table, primary, cp437):
            font.append(glyphs[table[char]])
        elif code in HAND_DRAWN:
            font.append(HAND_DRAWN[code])
            drawn.append(code)
        else:
            sys.exit("no glyph for code %d (U+%04X) and none drawn by hand" % (code, ord(char)))
    return font, drawn


def write(font, drawn, out):
    lines = [
        "// Generated by scripts/gen_font.py from the Uni2-VGA8 console font; do not edit.",
        "// The IBM PC code page 437 glyph set, 8 bytes per glyph, byte 0 the top row, bit 7",
        "// the leftmost pixel.",
    ]
    lines += textwrap.wrap("Drawn by hand: codes %s." % ", ".join(str(c) for c in drawn), 97,
                           initial_indent="// ", subsequent_indent="// ")
    lines += [
        '#include "textscreen/font8x8.h"',
        "",
        "namespace quandor {",
        "",
        "const uint8_t kBuiltinFont8x8[2048] = {",
    ]
    for code, glyph in enumerate(font):
        values = ", ".join("0x%02X" % b for b in glyph)
        lines.append("    %s,  // %d" % (values, code))
    lines += ["};", "", "}  // namespace quandor", ""]
    with open(out, "w") as f:
        f.write("\n".join(lines))


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_PSF
    out = sys.argv[2] if len(sys.argv) > 2 else DEFAULT_OUT
    font, drawn = build(path)
    write(font, drawn, out)
    print("wrote %s; drawn by hand: %s" % (out, drawn or "none"))


if __name__ == "__main__":
    main()
