#!/usr/bin/env python3
"""Writes the demo songs' text forms (songs/*.txt) from note patterns.

Run it, then scripts/make_songs.sh to build the .sng files. Standard library only.

Each song is a grid rows x channels of cells. Instruments turn a note of some length into
per-row cells (volume envelopes, pulse-width and filter sweeps, pitch drops); the writer puts
'.' wherever a value repeats the row above so the texts stay small.
"""

import math
import os
import sys

NOTE_INDEX = {"C-": 0, "C#": 1, "D-": 2, "D#": 3, "E-": 4, "F-": 5, "F#": 6, "G-": 7,
              "G#": 8, "A-": 9, "A#": 10, "B-": 11}
NAMES = list(NOTE_INDEX)
LEFT_MARKS = "[(< "
RIGHT_MARKS = "])> "


def note(name, shift=0):
    """Transposes a note name ("A-4") by shift semitones."""
    n = NOTE_INDEX[name[:2]] + 12 * int(name[2]) + shift
    return NAMES[n % 12] + str(n // 12)


def pitch_word(name):
    """The pitch word build gives a note name (nearest synth pitch byte); used for vibrato."""
    semis = NOTE_INDEX[name[:2]]
    octave = int(name[2])
    hz = 440.0 * 2 ** ((octave * 12 + semis - 57) / 12)
    ideal = hz / 2 ** (octave - 4) - 256
    best = min(range(256), key=lambda p: (abs((((256 + p) * 8) >> (7 - octave)) - hz),
                                          abs(p - ideal)))
    return octave << 8 | best


class Cell:
    __slots__ = ("pitch", "noise", "left", "right", "wave", "vol", "pw", "cut")

    def __init__(self, pitch="C-4", noise=False, left=0, right=0, wave=0, vol=0, pw=0x80,
                 cut=0xFF):
        self.pitch, self.noise, self.left, self.right = pitch, noise, left, right
        self.wave, self.vol, self.pw, self.cut = wave, vol, pw, cut

    def copy(self, **changes):
        c = Cell(self.pitch, self.noise, self.left, self.right, self.wave, self.vol, self.pw,
                 self.cut)
        for k, v in changes.items():
            setattr(c, k, v)
        return c

    def group(self):
        p = self.pitch if isinstance(self.pitch, str) else "%03X" % self.pitch
        return LEFT_MARKS[self.left].strip() + p + RIGHT_MARKS[self.right].strip() + (
            "*" if self.noise else "")

    def fields(self):
        return ["%02X" % v for v in (self.wave, self.vol, self.pw, self.cut)]


class Song:
    def __init__(self, name, channels, rows, rate, loop, layout, compression, message, title):
        self.name, self.rate, self.loop = name, rate, loop
        self.layout, self.compression, self.message, self.title = layout, compression, message, title
        self.grid = [[None] * rows for _ in range(channels)]
        self.pans = [(0, 0)] * channels

    def put(self, ch, row, cells):
        """Writes cells from row on; later notes overwrite the tail of earlier ones."""
        for i, c in enumerate(cells):
            if 0 <= row + i < len(self.grid[ch]):
                left, right = self.pans[ch]
                self.grid[ch][row + i] = c.copy(left=left, right=right)

    def text(self):
        out = ["# %s" % self.title,
               "# Written by scripts/compose_demos.py; build with scripts/make_songs.sh.",
               "rate %d" % self.rate, "loop %d" % self.loop, "layout %s" % self.layout,
               "compression %s" % self.compression, "channels %d" % len(self.grid)]
        msg = self.message
        for i in range(0, len(msg), 70):
            out.append('message "%s"' % msg[i:i + 70].replace("\\", "\\\\").replace('"', '\\"'))
        out.append("rows")
        rows = len(self.grid[0])
        last = [None] * len(self.grid)
        for r in range(rows):
            if r == self.loop:
                out.append("# row %d: loop" % r)
            cells = []
            for ch, lane in enumerate(self.grid):
                c = lane[r]
                if c is None:  # silence keeps the last settings so it costs one '.'
                    c = (last[ch] or Cell(left=self.pans[ch][0], right=self.pans[ch][1])).copy(vol=0)
                prev = last[ch]
                if prev is None:
                    cells.append(" ".join([c.group()] + c.fields()))
                elif c.group() == prev.group() and c.fields() == prev.fields():
                    cells.append(".")
                else:
                    parts = ["." if c.group() == prev.group() else c.group()]
                    parts += ["." if a == b else a for a, b in zip(c.fields(), prev.fields())]
                    cells.append(" ".join(parts))
                last[ch] = c
            out.append(" | ".join(cells))
        return "\n".join(out) + "\n"


# ---- instruments: a note of n rows -> list of cells ----

def envelope(n, attack, peak, decay, sustain, release):
    """Volume per row: linear attack, exponential-ish decay to sustain, release at the end."""
    vols = []
    for i in range(n):
        if i < attack:
            v = peak * (i + 1) / attack
        else:
            k = i - attack
            v = sustain + (peak - sustain) * math.exp(-k / max(decay, 0.1))
        left = n - i
        if left <= release:
            v *= left / (release + 1)
        vols.append(max(0, min(255, int(v))))
    return vols


def lead(name, n, peak=0xC8, sustain=0x90, pw=(0x30, 0x68), cut=(0xF0, 0x90), vibrato=True):
    vols = envelope(n, 2, peak, 6, sustain, 3)
    base = pitch_word(name)
    cells = []
    for i in range(n):
        t = i / max(n - 1, 1)
        p = name
        if vibrato and i >= 12:  # delayed vibrato on long notes: a few pitch bytes either way
            octave = base >> 8
            depth = 2 if octave >= 5 else 3
            off = round(depth * math.sin((i - 12) * 2 * math.pi / 10))
            p = (base & 0x700) | max(0, min(255, (base & 0xFF) + off))
        cells.append(Cell(p, vol=vols[i], pw=int(pw[0] + (pw[1] - pw[0]) * t),
                          cut=int(cut[0] + (cut[1] - cut[0]) * t)))
    return cells


def bass(name, n, cut=0x70, pw=0x28, peak=0xE8):
    vols = envelope(n, 1, peak, 5, peak * 0.6, 2)
    return [Cell(name, vol=vols[i], pw=pw, cut=max(0x18, int(cut * math.exp(-i / 10))))
            for i in range(n)]


def pluck(name, n, pw, cut, peak=0x90):
    vols = envelope(n, 1, peak, 2.5, 0, 1)
    return [Cell(name, vol=vols[i], pw=pw, cut=cut) for i in range(n)]


def pad(name, n, peak=0x58, cut=0xA0):
    vols = envelope(n, 14, peak, 30, peak * 0.8, 8)
    return [Cell(name, wave=1, vol=vols[i], pw=0x7F, cut=cut) for i in range(n)]


def kick(n=8):
    # A falling tone: a pitch sweep from octave 3 down to octave 1, fast decay.
    words = [0x380, 0x300, 0x280, 0x220, 0x1C0, 0x180, 0x160, 0x140]
    vols = [0xFF, 0xF0, 0xC0, 0x90, 0x60, 0x38, 0x18, 0x00]
    return [Cell(words[i], wave=1, vol=vols[i], pw=0x7F, cut=0xD0) for i in range(min(n, 8))]


def snare(n=8, peak=0xD0):
    return [Cell(0x600, noise=True, vol=int(peak * 0.62 ** i) if i < n - 1 else 0, pw=0x80,
                 cut=0xE0) for i in range(n)]


def hat(n=3, peak=0x60):
    return [Cell(0x7C0, noise=True, vol=int(peak * 0.45 ** i) if i < n - 1 else 0, pw=0x80,
                 cut=0xFF) for i in range(n)]


def melody(song, ch, row, step, notes, transpose=0, **kw):
    """notes: list of (name or None, length in steps); returns the row after the phrase."""
    for name, length in notes:
        n = length * step
        if name:
            song.put(ch, row, lead(note(name, transpose), n, **kw))
        row += n
    return row


def parse(s):
    """'A-4:2 C-5:1 -:1' -> [('A-4', 2), ('C-5', 1), (None, 1)]"""
    out = []
    for tok in s.split():
        name, length = tok.split(":")
        out.append((None if name == "-" else name, int(length)))
    return out


# ---- the songs ----

def demo():
    """8 channels at 50 rows/s, interleaved, compressed. A minor, vi-IV-I-V, 125 BPM."""
    step, bar = 6, 96
    bars = 32
    msg = ("QUANDOR DEMO  ***  eight voices of the Tarvel synth: a lead with vibrato and pulse "
           "sweeps, its echo panned across, a plucked bass, arpeggios, two pads and drums made "
           "of noise. Press Tab for the scope, 1-8 to reshape the wavetable, Escape to leave.   ")
    s = Song("demo", 8, bars * bar, 50, 4 * bar, "interleaved", "on", msg,
             "Quandor demo: eight channels")
    # lead, bass, kick, snare+hats, pad left, pad right, arpeggio, echo
    s.pans = [(0, 0), (0, 0), (0, 0), (1, 0), (0, 2), (2, 0), (1, 0), (0, 2)]
    chords = [("A-3", "C-4", "E-4"), ("F-3", "A-3", "C-4"), ("C-4", "E-4", "G-4"),
              ("G-3", "B-3", "D-4")]
    roots = ["A-1", "F-1", "C-2", "G-1"]
    for b in range(bars):
        row = b * bar
        ch = chords[b % 4]
        section = b // 4  # 0 intro, 1-2 groove, 3-4 lead, 5-6 lead + echo, 7 breakdown
        # pads: open their filter through the intro
        cut = 0x30 + min(b, 4) * 0x1C if section == 0 else 0xA0
        s.put(4, row, pad(ch[0], bar, cut=cut))
        s.put(5, row, pad(ch[2], bar, cut=cut))
        # arpeggio over two octaves, its pulse width sweeping across eight bars
        if section != 7 or b % 4 < 2:
            tones = [note(t, 12) for t in ch] + [note(ch[0], 24)]
            order = [0, 1, 2, 3, 2, 1, 0, 2, 1, 2, 3, 2, 0, 1, 2, 1]
            for i, k in enumerate(order):
                pw = 0x18 + ((b % 8) * 16 + i) * 0xC0 // 128
                acut = 0x40 + min(b * 0x10, 0xB0) if section == 0 else 0xE0
                s.put(6, row + i * step, pluck(tones[k], step, pw, acut, peak=0x70))
        if section == 0:
            continue
        # bass: root on the beat, octave jumps, a walk into the next chord
        broot = roots[b % 4]
        nxt = roots[(b + 1) % 4]
        pattern = [(broot, 2), (broot, 1), (note(broot, 12), 1), (broot, 2), (broot, 2),
                   (note(broot, 12), 2), (broot, 2), (note(broot, 7), 2), (note(nxt, 2), 2)]
        bcut = 0x70 if section != 7 else 0x20 + (b % 4) * 0x28  # breakdown: filter sweep up
        r = row
        for name, length in pattern:
            s.put(1, r, bass(name, length * step, cut=bcut))
            r += length * step
        # drums
        if section != 7:
            for beat in range(4):
                s.put(2, row + beat * 24, kick())
            for i in range(16):
                if i in (4, 12):
                    s.put(3, row + i * step, snare(step * 2))
                elif i % 2 == 0 or section >= 3:
                    s.put(3, row + i * step, hat(3, 0x58 if i % 2 == 0 else 0x38))
        else:
            for i in range(16):  # breakdown: hats only, then a snare roll into the loop
                if b == bars - 1 and i >= 8:
                    s.put(3, row + i * step, snare(step, 0x60 + i * 8))
                elif i % 2 == 0:
                    s.put(3, row + i * step, hat())
    # lead: eight bars of tune, then a variation an octave up with its echo
    tune = parse("E-5:4 D-5:2 C-5:2 A-4:6 -:2 "
                 "C-5:3 D-5:3 E-5:2 F-5:6 E-5:2 "
                 "G-5:4 E-5:2 C-5:2 E-5:4 G-5:4 "
                 "G-5:3 F-5:3 E-5:2 D-5:6 -:2 "
                 "E-5:4 D-5:2 C-5:2 A-4:4 C-5:2 E-5:2 "
                 "F-5:4 A-5:4 G-5:2 F-5:2 E-5:2 C-5:2 "
                 "E-5:6 D-5:2 C-5:4 G-4:4 "
                 "B-4:4 C-5:2 D-5:2 B-4:8")
    melody(s, 0, 12 * bar, step, tune)
    melody(s, 0, 20 * bar, step, tune, transpose=12, pw=(0x10, 0x78), cut=(0xFF, 0xB0),
           peak=0xB0, sustain=0x80)
    # echo: the variation again, three steps late, softer and on the other side
    melody(s, 7, 20 * bar + 3 * step, step, tune, transpose=12, pw=(0x70, 0x20),
           cut=(0x90, 0x50), peak=0x60, sustain=0x48, vibrato=False)
    return s


def tidepool():
    """4 channels at 60 rows/s, planar, uncompressed. D dorian, slow and wide."""
    step, bar = 8, 128
    bars = 20
    msg = ("TIDEPOOL  ---  four channels at 60 rows a second, stored planar: a slow bell "
           "melody over a rolling bass, a noise drum kit on one voice and a chord arpeggio "
           "that swings from left to right while its filter breathes.   ")
    s = Song("tidepool", 4, bars * bar, 60, 4 * bar, "planar", "off", msg,
             "Tidepool: four channels, planar, 60 rows per second")
    s.pans = [(0, 0), (0, 0), (0, 0), (0, 0)]
    chords = [("D-4", "F-4", "A-4", "C-5"), ("G-3", "B-3", "D-4", "F-4"),
              ("C-4", "E-4", "G-4", "B-4"), ("A-3", "C-4", "E-4", "G-4")]
    roots = ["D-2", "G-2", "C-2", "A-2"]
    pan_cycle = [(0, 2), (0, 1), (0, 0), (1, 0), (2, 0), (1, 0), (0, 0), (0, 1)]
    for b in range(bars):
        row = b * bar
        ch = chords[b % 4]
        # arpeggio: panned step by step, filter breathing over two bars
        for i in range(16):
            s.pans[3] = pan_cycle[(b * 16 + i) // 4 % 8]
            phase = ((b % 2) * 16 + i) / 32
            cut = int(0x50 + 0x90 * (0.5 - 0.5 * math.cos(2 * math.pi * phase)))
            s.put(3, row + i * step, pluck(ch[(i * 3) % 4 if b % 2 else i % 4], step,
                                           0x60 + i * 6, cut, peak=0x78 if b >= 2 else 0x50))
        if b < 2:
            continue
        # bass: dotted rhythm
        r = row
        for name, length in [(roots[b % 4], 3), (roots[b % 4], 3), (note(roots[b % 4], 12), 2),
                             (roots[b % 4], 3), (note(roots[b % 4], 7), 3),
                             (note(roots[(b + 1) % 4], -2), 2)]:
            s.put(1, r, bass(name, length * step, cut=0x50 + (b % 4) * 0x10, pw=0x40))
            r += length * step
        # drums on one voice: kick on 1 and the "and" of 3, snare on 2 and 4, hats between
        for i in range(16):
            at = row + i * step
            if i in (0, 10):
                s.put(2, at, kick())
            elif i in (4, 12):
                s.put(2, at, snare(step))
            elif i % 2 == 0 or (b % 4 == 3 and i > 12):
                s.put(2, at, hat(3))
    tune = parse("A-4:6 G-4:2 F-4:4 D-4:4 "
                 "F-4:4 G-4:4 A-4:4 B-4:4 "
                 "C-5:6 B-4:2 G-4:4 E-4:4 "
                 "G-4:8 A-4:8 "
                 "D-5:6 C-5:2 A-4:4 F-4:4 "
                 "G-4:4 A-4:4 B-4:2 D-5:2 F-5:4 "
                 "E-5:6 D-5:2 C-5:4 G-4:4 "
                 "A-4:12 -:4")
    melody(s, 0, 4 * bar, step, tune, pw=(0x7F, 0x7F), cut=(0xC0, 0x70), peak=0xD8,
           sustain=0x70)
    melody(s, 0, 12 * bar, step, tune, transpose=12, pw=(0x20, 0x60), cut=(0xFF, 0x90),
           peak=0xB8, sustain=0x80)
    return s


def pocket():
    """2 channels at 70 rows/s, planar, compressed. A fast chiptune in E minor."""
    step, bar = 7, 112
    bars = 22
    msg = ("POCKET  ~~  just two voices at 70 rows a second: the lead on the left of the "
           "stage, bass and noise drums sharing the other voice on the right, the way pocket "
           "consoles did it.   ")
    s = Song("pocket", 2, bars * bar, 70, 2 * bar, "planar", "on", msg,
             "Pocket: two channels, 70 rows per second")
    s.pans = [(0, 1), (1, 0)]
    roots = ["E-2", "C-2", "D-2", "B-1"]
    for b in range(bars):
        row = b * bar
        root = roots[b % 4]
        # voice 2: bass eighths with drum hits cut in on the beats
        for i in range(8):
            name = note(root, 12) if i % 2 else root
            s.put(1, row + i * 2 * step, bass(name, 2 * step, cut=0x60, pw=0x20 + (b % 4) * 0x18))
        if b >= 2:
            s.put(1, row, kick(6))
            s.put(1, row + 4 * 2 * step, kick(6))
            s.put(1, row + 2 * 2 * step, snare(5, 0xC0))
            s.put(1, row + 6 * 2 * step, snare(5, 0xC0))
            if b % 4 == 3:
                s.put(1, row + 7 * 2 * step + step, snare(step, 0x90))
    a = parse("B-4:2 E-5:2 G-5:2 F#5:2 E-5:4 B-4:4 "
              "C-5:2 E-5:2 G-5:2 A-5:2 G-5:4 E-5:4 "
              "D-5:2 F#5:2 A-5:2 G-5:2 F#5:4 D-5:4 "
              "D#5:4 F#5:4 B-5:8")
    b_ = parse("E-5:1 G-5:1 B-5:2 A-5:2 G-5:2 F#5:2 G-5:2 E-5:4 "
               "G-5:1 A-5:1 G-5:2 E-5:2 C-5:2 E-5:4 G-5:4 "
               "A-5:2 F#5:2 D-5:2 F#5:2 A-5:4 D-6:4 "
               "B-5:4 A-5:2 F#5:2 D#5:4 B-4:4")
    melody(s, 0, 2 * bar, step, a + a, pw=(0x20, 0x50), cut=(0xFF, 0xC0), peak=0xB0)
    melody(s, 0, 10 * bar, step, b_ + b_, pw=(0x60, 0x18), cut=(0xE0, 0xA0), peak=0xB0)
    melody(s, 0, 18 * bar, step, a, transpose=-12, pw=(0x7F, 0x40), cut=(0xC0, 0x80), peak=0xC0)
    return s


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "songs")
    for make in (demo, tidepool, pocket):
        song = make()
        path = os.path.join(folder, song.name + ".txt")
        with open(path, "w") as f:
            f.write(song.text())
        seconds = len(song.grid[0]) / song.rate
        print("%s: %d channels, %d rows, %.1f s" % (path, len(song.grid), len(song.grid[0]),
                                                    seconds))


if __name__ == "__main__":
    main()
