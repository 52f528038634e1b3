#!/usr/bin/env python3
"""Writes the fuzzers' seed corpus: small valid and nearly-valid songs, compressed streams and
playback scripts. Deterministic; run from anywhere: scripts/make_fuzz_seeds.py [OUTDIR]."""
import os
import struct
import sys


class Bits:
    """aPLib bit writer: tag bytes sit in the output where the decoder will ask for them."""

    def __init__(self):
        self.out = bytearray()
        self.tag_pos = None
        self.used = 8

    def bit(self, b):
        if self.used == 8:
            self.tag_pos = len(self.out)
            self.out.append(0)
            self.used = 0
        if b:
            self.out[self.tag_pos] |= 0x80 >> self.used
        self.used += 1

    def byte(self, x):
        self.out.append(x & 0xFF)

    def gamma(self, v):
        assert v >= 2
        digits = bin(v)[3:]
        for k, d in enumerate(digits):
            self.bit(int(d))
            self.bit(1 if k + 1 < len(digits) else 0)


def pack(data):
    """Greedy encoder using every form of the stream: literals, the single-byte form, short
    matches, normal matches and the reuse of the last offset."""
    assert data
    w = Bits()
    w.byte(data[0])
    bias, last, i = 2, None, 1
    while i < len(data):
        best_len, best_off = 0, 0
        for off in range(1, min(i, 1400) + 1):
            n = 0
            while i + n < len(data) and data[i + n] == data[i + n - off] and n < 255:
                n += 1
            if n > best_len:
                best_len, best_off = n, off
        if best_len >= 2 and bias == 2 and best_off == last:
            w.bit(1); w.bit(0); w.gamma(2); w.gamma(best_len)
            i += best_len; bias = 1
        elif best_len >= 4 or (best_len >= 2 and best_off > 127):
            adj = 2 if best_off >= 32000 else 1 if best_off >> 8 >= 5 else 0 if best_off > 127 else 2
            if best_len - adj < 2:
                best_len = adj + 2
            w.bit(1); w.bit(0); w.gamma((best_off >> 8) + bias + 1); w.byte(best_off & 0xFF)
            w.gamma(best_len - adj)
            i += best_len; bias = 1; last = best_off
        elif best_len >= 2 and best_off <= 127:
            n = min(best_len, 3)
            w.bit(1); w.bit(1); w.bit(0); w.byte(best_off << 1 | (n - 2))
            i += n; bias = 1; last = best_off
        elif data[i] == 0 or (i >= 1 and any(data[i] == data[i - v] for v in range(1, min(i, 15) + 1))):
            v = 0 if data[i] == 0 else next(v for v in range(1, 16) if data[i] == data[i - v])
            w.bit(1); w.bit(1); w.bit(1)
            for k in range(3, -1, -1):
                w.bit(v >> k & 1)
            i += 1; bias = 2
        else:
            w.bit(0); w.byte(data[i])
            i += 1; bias = 2
    w.bit(1); w.bit(1); w.bit(0); w.byte(0)
    return bytes(w.out)


def unpack(src):
    """Reference decoder, used only to check pack()."""
    pos, tag, out = 0, 0x80, bytearray()

    def getbit():
        nonlocal pos, tag
        bit = tag >> 7 & 1
        tag = tag << 1 & 0xFF
        if tag:
            return bit
        b = src[pos]; pos += 1
        tag = (b << 1 | 1) & 0xFF
        return b >> 7

    def gamma():
        v = 1
        while True:
            v = 2 * v + getbit()
            if not getbit():
                return v

    out.append(src[pos]); pos += 1
    bias, last = 2, None
    while True:
        if not getbit():
            out.append(src[pos]); pos += 1; bias = 2; continue
        if not getbit():
            g = gamma()
            if g == bias:
                n, off = gamma(), last
            else:
                off = (g - bias - 1) * 256 + src[pos]; pos += 1
                n = gamma()
                n += 2 if off >= 32000 else 1 if off >> 8 >= 5 else 0 if off > 127 else 2
                last = off
            for _ in range(n):
                out.append(out[-off])
            bias = 1; continue
        if not getbit():
            x = src[pos]; pos += 1
            if x // 2 == 0:
                return bytes(out)
            last = x // 2
            for _ in range(2 + (x & 1)):
                out.append(out[-last])
            bias = 1; continue
        v = 0
        for _ in range(4):
            v = 2 * v + getbit()
        out.append(out[-v] if v else 0)
        bias = 2


def rows_data(channels, nrows, interleaved, seed):
    """Row data with moving pitches, some noise, all pans and waveforms."""
    cells = []
    for r in range(nrows):
        row = []
        for c in range(channels):
            pitch = (seed * 7 + r * 5 + c * 40) & 0xFF
            octave = (r // 4 + c) % 8
            noise = 1 if (r + c) % 9 == 0 else 0
            pans = (r + c) % 4, (r // 2 + c) % 4
            word = pitch | octave << 8 | noise << 11 | pans[0] << 12 | pans[1] << 14
            row.append((word, (r * 17 + c) & 0xFF, 0 if (r + c) % 3 else c + 1,
                        (255 - r * 8 - c * 20) & 0xFF, (128 + r * 13) & 0xFF))
        cells.append(row)
    out = bytearray()
    if interleaved:
        for row in cells:
            for word, pw, wf, vol, cut in row:
                out += struct.pack('<HBBBB', word, pw, wf, vol, cut)
    else:
        planes = [[], [], [], [], [], []]
        for c in range(channels):
            for r in range(nrows):
                word, pw, wf, vol, cut = cells[r][c]
                for k, b in enumerate((word >> 8, word & 0xFF, pw, wf, vol, cut)):
                    planes[k].append(b)
        for p in planes:
            out += bytes(p)
    return bytes(out)


def song(channels=2, nrows=8, interleaved=True, rps=50, loop=0, msg=b'', compress=False,
         flags_extra=0, unpacked=None, seed=1, tail=b''):
    data = rows_data(channels, nrows, interleaved, seed) + tail
    flags = (channels & 0x0F) | (0x10 if interleaved else 0) | (0x40 if compress else 0) | flags_extra
    payload = pack(data) if compress else data
    if compress:
        assert unpack(payload) == data
    size = len(data) if unpacked is None else unpacked
    return b'QTN' + struct.pack('<BHIHI', flags, rps, loop, len(msg), size) + msg + payload


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'fuzz', 'corpus')
    songs = {
        'valid_1ch_interleaved': song(1, 4),
        'valid_2ch_planar': song(2, 6, interleaved=False, loop=3),
        'valid_4ch_one_row': song(4, 1, msg=b'one row'),
        'valid_8ch_loop': song(8, 12, loop=5, rps=70, msg=b'Eight voices'),
        'valid_3ch_packed': song(3, 24, compress=True, msg=b'packed'),
        'valid_5ch_planar_packed': song(5, 16, interleaved=False, compress=True, loop=2),
        'valid_fast_rows': song(2, 40, rps=60000, loop=39),
        'valid_tail': song(2, 5, tail=b'\x01\x02\x03', flags_extra=0xA0),
        'nearly_channels_0': song(0, 4),
        'nearly_channels_9': song(9, 4),
        'nearly_loop_past_end': song(2, 4, loop=4),
        'nearly_rps_0': song(2, 4, rps=0),
        'nearly_packed_size_0': song(2, 4, compress=True, unpacked=0),
        'nearly_packed_short': song(2, 6, compress=True, unpacked=6 * 2 * 6 + 1),
        'nearly_packed_cut': song(2, 20, compress=True)[:-6],
        'nearly_message_long': song(1, 2)[:10] + struct.pack('<H', 300) + song(1, 2)[12:],
        'nearly_bad_magic': b'qtn' + song(1, 2)[3:],
        'nearly_header_only': song(1, 0),
    }
    streams = {
        'runs': bytes([7] * 40 + [1, 2, 3] * 30),
        'zeros': bytes(60) + b'abc' + bytes(20),
        'text': b'the quick brown fox jumps over the quick brown dog, again and again',
        'far': bytes(range(256)) * 5 + bytes(range(0, 256, 3)),
        'rows': rows_data(4, 20, True, 3),
    }
    def write(target, name, data):
        d = os.path.join(root, target)
        os.makedirs(d, exist_ok=True)
        with open(os.path.join(d, name), 'wb') as f:
            f.write(data)

    for name, data in songs.items():
        write('load_song', name, data)
    for name, data in streams.items():
        packed = pack(data)
        assert unpack(packed) == data, name
        write('depack', name, struct.pack('<H', len(data)) + packed)
        write('depack', name + '_short_cap', struct.pack('<H', len(data) - 1) + packed)
    # Playback: a song then commands (renders of odd lengths, seeks, mutes, boost, keys).
    cmds = bytes([0x40, 0x01, 2, 2, 2, 3, 0x00, 0x33, 5, 0x0D, 6, 0x08, 0x80, 4, 0x0F, 0x18,
                  0x01, 0xFF, 3, 3, 0x21, 0x07, 6, 0x00, 0x02])
    for name in ('valid_2ch_planar', 'valid_8ch_loop', 'valid_3ch_packed', 'valid_fast_rows',
                 'valid_4ch_one_row', 'valid_5ch_planar_packed'):
        data = songs[name]
        write('playback', name, struct.pack('<H', len(data)) + data + cmds)

    # Text form of quandor-tool's build: small songs using every header key and cell notation,
    # and a few with mistakes.
    texts = {
        'valid_two_channels': (
            '# two voices\nrate 50\nloop 1\nlayout interleaved\ncompression off\nchannels 2\n'
            'message "Hi \\x01 there \\\\ \\" \\n"\nrows\n'
            '[C-4]   00 C0 80 FF | (1A0> * 00 40 20 FF\n. | .\n[A#2) 10 00 FF 80 | 7FF 00 01 10 20\n'),
        'valid_packed_planar': (
            'rate 70\nloop 0\nlayout planar\ncompression on\nchannels 3\nrows\n'
            '[C-4] 00 00 80 FF | (E-2] 00 E8 20 60 | <G-5> * 40 00 90 70\n'
            '. | . . . . 56 | .\n. | . . D7 . 4E | . . . 00 .\n'),
        'valid_spare_and_tail': (
            'rate 60000\nloop 0\nlayout interleaved\ncompression off\nchannels 1\n'
            'spare-flags 0xA0\nunpacked 1234\ntail 01 02 03\nrows\n[C-0] 00 00 FF FF\n'),
        'nearly_bad_cell': 'rate 50\nloop 0\nlayout interleaved\ncompression off\nchannels 2\nrows\n[H-4] 00 | zz\n',
        'nearly_no_rows': 'rate 50\nloop 3\nchannels 1\nrows\n',
        'nearly_unknown_key': 'rate 50\ntempo 3\nchannels 9\nmessage "unterminated\nrows\n. \n',
    }
    for name, text in texts.items():
        write('song_text', name, text.encode())
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'songs')
    for demo in ('pocket', 'tidepool'):
        path = os.path.join(here, demo + '.txt')
        if os.path.exists(path):
            with open(path, 'rb') as f:
                # Cut to the first rows; the loop row goes back to 0 to stay inside them.
                lines = [b'loop 0' if l.startswith(b'loop ') else l for l in f.read().split(b'\n')]
            write('song_text', 'demo_' + demo + '_start', b'\n'.join(lines[:60]) + b'\n')


if __name__ == '__main__':
    main()
