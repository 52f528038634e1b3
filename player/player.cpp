#include "player/player.h"

#include <SDL.h>

#include "playback/callback.h"
#include "playback/device.h"
#include "playback/sequencer.h"
#include "player/formats.h"
#include "player/keys.h"
#include "player/scope.h"
#include "player/strips.h"
#include "song/song.h"
#include "synth/mixer.h"
#include "synth/tables.h"
#include "synth/wavetable.h"
#include "textscreen/textscreen.h"

namespace quandor {

// All owned here, main thread only.
uint8_t PatternStep = 2;     // back to 2 with every song
bool PatternView = true;     // kept from one song to the next
uint32_t RowSnapshot = 0;    // per pass
uint32_t LastScrollRow = 0;  // per song, moved by the history scroll and resets
uint16_t ScrollTick = 0;     // per song
uint32_t ScrollPos = 0;      // per song
bool QuitRequested = false;  // per song
std::string DisplayName;     // per song

namespace {

constexpr char kFullBlock = static_cast<char>(219);
constexpr char kLowerHalf = static_cast<char>(220);
constexpr char kUpperHalf = static_cast<char>(223);

int ChannelCount() {
  return lastVoice + 1;
}

void DrawFrameRow(uint8_t row, char ch, uint8_t attr) {
  TextAttr = attr;
  WriteAt(0, row, std::string(80, ch));
}

// One step of the message in row 4: it enters dark at the right, runs white, fades at the left.

std::string TimeText() {
  // The loader refuses a rate of 0; the guard keeps a direct caller from dividing by it.
  const uint32_t rate = rowsPerSecond ? rowsPerSecond : 1;
  return FormatTime(RowSnapshot / rate) + "/" + FormatTime(RowCount / rate);
}

std::string PlayClockText() {
  return " " + FormatTime(PlayClock.load(std::memory_order_relaxed) / 300000);
}

// Waits for a key-down event, sleeping between events.
void WaitForKeyDown() {
  while (!WaitKey()) {
  }
}

}  // namespace

void ScrollerStep() {
  ++ScrollPos;
  if (ScrollPos >= messageLength + 80u) ScrollPos = 1;
  TextAttr = 0x1F;
  ScrollRowLeft(4);
  auto recolour = [](int col, uint8_t attr) {
    ScreenCell& cell = ScreenCells[4 * 80 + col];
    cell = static_cast<ScreenCell>(attr << 8 | (cell & 0xFF));
  };
  recolour(0, 0x18);
  recolour(1, 0x18);
  for (int col = 2; col <= 5; ++col) recolour(col, 0x17);
  for (int col = 74; col <= 77; ++col) recolour(col, 0x17);
  recolour(78, 0x18);
  ScreenCells[4 * 80 + 79] =
      ScrollPos < messageLength
          ? static_cast<ScreenCell>(0x1800 | static_cast<uint8_t>(message[ScrollPos - 1]))
          : 0x1000;
}

std::string BannerText() {
  std::string banner = std::string(2, kFullBlock) + " ZORVEK Kestrapal_w32 b20080226";
  banner.resize(69, ' ');
  banner += std::string(5, kFullBlock) + std::string(3, static_cast<char>(178)) +
            std::string(2, static_cast<char>(177)) + static_cast<char>(176);
  return banner;
}

std::string StatusLineText() {
  return "Playing " + DisplayName + " at " + IntToText(rowsPerSecond) + "hz on Tarvel" +
         IntToText(ChannelCount()) + " (" + IntToText(sampleRate / 1000) + "khz)";
}

void StartSongState() {
  DisplayName = ShortDisplayName(SongFileName);
  CurrentRow.store(0, std::memory_order_relaxed);
  ScrollTick = 0;
  ScrollPos = 0;
  RowSnapshot = 0;
  LastScrollRow = 0;
}

void DrawStaticScreen() {
  const int channels = ChannelCount();
  TextAttr = 0x07;
  ClearScreen();
  TextAttr = 0x0F;
  WriteText(BannerText());
  TextAttr = 0x07;
  WriteLine(StatusLineText());
  SetChannelLayout(channels);
  for (int c = 0; c < channels; ++c) Voices[c].phase = 0;
  DrawFrameRow(3, kLowerHalf, 0x09);
  DrawFrameRow(5, kUpperHalf, 0x09);
  DrawFrameRow(6, kLowerHalf, 0x0F);
  DrawFrameRow(static_cast<uint8_t>(7 + channels), kUpperHalf, 0x0F);
  FillRows(17, 33, 0);
  ScopeGain = 1;
}

void ResetLowerView() {
  RowSnapshot = CurrentRow.load(std::memory_order_relaxed);
  LastScrollRow = RowSnapshot;
  FillRows(17, 33, 0);
  ScopeGain = 1;
}

void PlayerPass() {
  SetCursor(0, 0);
  TextAttr = BoostMode.load(std::memory_order_relaxed) ? 0xF8 : 0xF0;
  WriteText(HexByte(static_cast<uint8_t>(PatternStep + 1)));

  TextAttr = 0x1F;
  RowSnapshot = CurrentRow.load(std::memory_order_relaxed);

  if (++ScrollTick == 3) {
    ScrollTick = 0;
    ScrollerStep();
  }

  TextAttr = BankSelect == 0 ? 0x07 : 0x08;
  WriteAt(8, 16, BankHexText(0));
  TextAttr = BankSelect == 8 ? 0x07 : 0x08;
  WriteAt(48, 16, BankHexText(8));

  TextAttr = 0x07;
  WriteAt(69, 1, TimeText());

  for (int c = 0; c < ChannelCount(); ++c) DrawChannel(c);

  // The clock shows in every presented image and is blank between refreshes.
  TextAttr = 0x07;
  WriteAt(74, 49, PlayClockText());
  RefreshScreen();
  WriteAt(74, 49, "      ");

  if (PatternView) {
    PatternUpkeep();
  } else {
    DrawScope();
  }

  if (PollKey()) {
    HandlePlayerKey(LastKeySymbol(), LastKeyModifiers());
    BuildWavetable();
  }

  if (RowSnapshot < LastScrollRow) ResetLowerView();
}

void PlaySong() {
  QuitRequested = false;
  PatternStep = 2;
  if (!LoadSong()) return;

  StartSongState();

  if (!OpenPlayback()) {
    WriteLine("?Audio: " + std::string(SDL_GetError()) + "  ERROR");
    WriteLine("..press any key to continue..");
    RefreshScreen();
    WaitForKeyDown();
    ReleaseSong();
    return;
  }

  DrawStaticScreen();
  StartPlayback();
  while (!QuitRequested) {
    SDL_Delay(50);
    PlayerPass();
  }
  NewLine();
  StopPlayback();
  ReleaseSong();
}

void ResetPlayer() {
  PatternStep = 2;
  PatternView = true;
  RowSnapshot = 0;
  LastScrollRow = 0;
  ScrollTick = 0;
  ScrollPos = 0;
  QuitRequested = false;
  DisplayName.clear();
  ResetStrips();
  ResetScope();
}

}  // namespace quandor
