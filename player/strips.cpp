#include "player/strips.h"

#include <string>

#include "player/formats.h"
#include "player/player.h"
#include "song/song.h"
#include "synth/mixer.h"
#include "textscreen/textscreen.h"

namespace quandor {

int ColumnWidth = 20;     // set per song by SetChannelLayout
bool WideColumns = true;  // set per song by SetChannelLayout

const char* const NoteNames[2][16] = {
    {"C-", "C#", "D-", "D#", "E-", "F-", "F-", "F#", "G-", "G#", "G#", "A-", "A-", "A#", "B-",
     "B-"},
    {"c", "C", "d", "D", "e", "f", "f", "F", "g", "G", "G", "a", "a", "A", "b", "b"}};

namespace {

const char kLeftMarks[] = "[(< ";
const char kRightMarks[] = "])> ";

struct Meter {
  uint8_t colour;
  int wideOffset;
  int narrowOffset;
};
constexpr Meter kVolumeMeter{1, 7, 4};
constexpr Meter kPulseMeter{2, 10, 6};
constexpr Meter kCutoffMeter{4, 13, 8};

// Colours the background of the meter's two cells in rows 48 up to 49 - v div 8.
void DrawMeter(int c, const Meter& meter, uint8_t v) {
  const int col = c * ColumnWidth + (WideColumns ? meter.wideOffset : meter.narrowOffset);
  const int top = 49 - v / 8;
  for (int row = 48; row >= top; --row) {
    for (int k = 0; k < 2; ++k) {
      ScreenCell& cell = ScreenCells[row * 80 + col + k];
      cell = static_cast<ScreenCell>((cell & 0x0FFF) | meter.colour << 12);
    }
  }
}

void DrawStrip(int c, uint16_t word, uint8_t pulseWidth, uint8_t waveform, uint8_t volume,
               uint8_t cutoff) {
  const int octave = (word >> 8) & 7;
  SetCursor(0, static_cast<uint8_t>(7 + c));
  TextAttr = 0x70;
  WriteText(IntToText(c + 1));
  TextAttr = (word & 0x0800) ? 0x7F : 0x70;
  std::string note = "===";
  if (volume > 0) note.assign(NoteNames[0][(word >> 4) & 15]).append(IntToText(octave));
  WriteText(note);
  TextAttr = 0x70;
  std::string pitch(1, kLeftMarks[word >> 14]);
  pitch.append(Hex3(word & 0x7FF)).append(1, kRightMarks[(word >> 12) & 3]);
  pitch.append(HexByte(waveform));
  WriteText(pitch);
  TextAttr = 0x71;
  WriteText(HexByte(volume));
  TextAttr = 0x72;
  WriteText(HexByte(pulseWidth));
  TextAttr = 0x74;
  WriteText(HexByte(cutoff));
  for (int i = 0; i < 63; ++i) {
    int bits = 0;
    if (volume / 4 > i) bits |= 1;
    if (pulseWidth / 4 > i) bits |= 2;
    if ((255 - cutoff) / 4 > i) bits |= 4;
    TextAttr = static_cast<uint8_t>(bits == 0 ? 0x70 : 0x78 + bits);
    WriteText("-");
  }
}

void DrawPatternColumn(int c, uint16_t word, uint8_t pulseWidth, uint8_t waveform, uint8_t volume) {
  const uint8_t col = static_cast<uint8_t>(c * ColumnWidth);
  TextAttr = 0x07;
  if (WideColumns) {
    const std::string sep(1, static_cast<char>(220));
    WriteAt(col, 17, "Frq" + sep + "Wf" + sep + "Vl" + sep + "Pw" + sep + "Co");
  } else {
    WriteAt(col, 17, "FqWfVlPwCo");
  }

  std::string note;
  if (volume > 0) {
    note =
        std::string(NoteNames[WideColumns ? 0 : 1][(word >> 4) & 15]) + IntToText((word >> 8) & 7);
  } else {
    note = WideColumns ? "===" : "==";
  }
  if (WideColumns) note += " ";
  note += waveform < 16 ? "__" : pulseWidth < 128 ? "/\\" : "//";
  TextAttr = volume < 48 ? 0x08 : volume < 128 ? 0x07 : 0x0F;
  WriteAt(col, 48, note);

  const Voice& voice = Voices[c];
  DrawMeter(c, kVolumeMeter, voice.volume.load(std::memory_order_relaxed));
  DrawMeter(c, kPulseMeter, voice.pulseWidth.load(std::memory_order_relaxed));
  DrawMeter(c, kCutoffMeter,
            static_cast<uint8_t>(255 - voice.cutoff.load(std::memory_order_relaxed)));
}

}  // namespace

void SetChannelLayout(int channels) {
  ColumnWidth = 80 / channels;
  WideColumns = channels <= 4;
}

void DrawChannel(int c) {
  // One read of each byte: the audio thread may rewrite the record meanwhile.
  const uint16_t word = RowWord(c);
  const uint8_t pulseWidth = RowByte(c, 2);
  const uint8_t waveform = RowByte(c, 3);
  const uint8_t volume = RowByte(c, 4);
  const uint8_t cutoff = RowByte(c, 5);
  DrawStrip(c, word, pulseWidth, waveform, volume, cutoff);
  if (PatternView) DrawPatternColumn(c, word, pulseWidth, waveform, volume);
}

void PatternUpkeep() {
  for (int col = 0; col < 80; ++col) {
    SetHalfBlock(col, 35, 7);
    SetHalfBlock(col, 98, 7);
  }
  ClearRowBackgrounds(18, 31);
  if (static_cast<int32_t>(RowSnapshot - LastScrollRow) > PatternStep) {
    LastScrollRow = RowSnapshot;
    ScrollRowsUp(19, 30);
  }
}

void ResetStrips() {
  ColumnWidth = 20;
  WideColumns = true;
}

}  // namespace quandor
