// The player screen driven one pass at a time with SDL's dummy drivers: the static screen,
// strips, pattern view, scroller, times, scope and every key.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "playback/callback.h"
#include "playback/sequencer.h"
#include "player/formats.h"
#include "player/player.h"
#include "player/scope.h"
#include "player/strips.h"
#include "song/song.h"
#include "synth/mixer.h"
#include "synth/tables.h"
#include "synth/wavetable.h"
#include "tests/support/song_builder.h"
#include "textscreen/textscreen.h"

namespace quandor {
namespace {

using test::Cell;
using test::SongRecipe;

constexpr char kFull = static_cast<char>(219);
constexpr char kLowerHalf = static_cast<char>(220);
constexpr char kUpperHalf = static_cast<char>(223);

std::string RowText(int row, int col = 0, int len = 80) {
  std::string text;
  for (int c = col; c < col + len; ++c) text += static_cast<char>(ScreenCells[row * 80 + c] & 0xFF);
  return text;
}
// The text as last presented (row 17's headers turn into frame half blocks after the refresh).
std::string ShownText(int row, int col, int len) {
  std::string text;
  for (int c = col; c < col + len; ++c) text += static_cast<char>(ShadowCells[row * 80 + c] & 0xFF);
  return text;
}
// len cells from (col, row) onwards, running on into the next rows.
std::string LinearText(int col, int row, int len) {
  std::string text;
  for (int i = 0; i < len; ++i) text += static_cast<char>(ScreenCells[row * 80 + col + i] & 0xFF);
  return text;
}
uint8_t AttrAt(int col, int row) {
  return ScreenCells[row * 80 + col] >> 8;
}
uint8_t Pixel(int x, int y) {
  return PixelBuffer[y * 640 + x];
}

void PushKey(uint32_t symbol, uint32_t modifiers = 0) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.state = SDL_PRESSED;
  event.key.keysym.sym = static_cast<SDLKey>(symbol);
  event.key.keysym.mod = static_cast<SDLMod>(modifiers);
  ASSERT_EQ(SDL_PushEvent(&event), 0);
}

// A song of the given channel count whose every row repeats the cell, rows long.
SongRecipe UniformSong(int channels, const Cell& cell, uint32_t rows = 100) {
  SongRecipe recipe;
  recipe.channels = static_cast<uint8_t>(channels);
  recipe.rows.assign(rows, std::vector<Cell>(channels, cell));
  return recipe;
}

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The dummy drivers, also when the runner did not pass them on; a set value is kept.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
      ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0);
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
    test::ResetToProgramStart();
    ResetTextScreen();
    InitTextScreen();
    if (FullScreen) SetScreenMode(true);
    SetScreenMode(false);
    ASSERT_NE(ScreenSurface, nullptr);
    ResetPlayer();
  }
  void TearDown() override { ReleaseSong(); }

  // Loads the song as "tune.sng" and draws the static screen, as PlaySong does before audio.
  void Start(const SongRecipe& recipe) {
    ASSERT_TRUE(test::LoadBytes(test::BuildSongBytes(recipe))) << LoadError;
    SongFileName = "tune.sng";
    StartSongState();
    DrawStaticScreen();
  }
  // One row tick, as the audio thread runs it, then one pass.
  void TickAndPass(int ticks = 1) {
    for (int i = 0; i < ticks; ++i) SequencerTick();
    PlayerPass();
  }
};

TEST(PlayerFormats, HexAndTime) {
  EXPECT_EQ(HexByte(0x00), "00");
  EXPECT_EQ(HexByte(0xAF), "AF");
  EXPECT_EQ(Hex3(0x7FF), "7FF");
  EXPECT_EQ(Hex3(0x1234), "234");
  struct Case {
    uint32_t seconds;
    const char* text;
  };
  const Case cases[] = {
      {0, "00:00"},
      {59, "00:59"},
      {61 * 60 + 7, "61:07"},
      {125 * 60, "C5:00"},
      {159 * 60 + 59, "F9:59"},
      {160 * 60, "+0:00"},
      {4294967295u, "+8:15"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatTime(c.seconds), c.text) << c.seconds;
}

TEST(PlayerFormats, BankHexText) {
  test::ResetToProgramStart();
  for (int i = 0; i < 16; ++i) HarmonicBanks[i] = static_cast<uint8_t>(i * 4 + 3);
  EXPECT_EQ(BankHexText(0), "03 07 0B 0F 13 17 1B 1F ");
  EXPECT_EQ(BankHexText(8), "23 27 2B 2F 33 37 3B 3F ");
}

TEST_F(PlayerTest, StaticScreenOfFourChannelSong) {
  Start(UniformSong(4, Cell{}));
  const std::string banner = RowText(0);
  EXPECT_EQ(banner.substr(0, 34), std::string(2, kFull) + " ZORVEK Kestrapal_w32 b20080226 ");
  EXPECT_EQ(banner.substr(33, 36), std::string(36, ' '));
  EXPECT_EQ(banner.substr(69), std::string(5, kFull) + "\xB2\xB2\xB2\xB1\xB1\xB0");
  for (int col = 0; col < 80; ++col) ASSERT_EQ(AttrAt(col, 0), 0x0F) << col;

  const std::string status = "Playing tune.sng at 50hz on Tarvel4 (48khz)";
  EXPECT_EQ(RowText(1, 0, static_cast<int>(status.size())), status);
  EXPECT_EQ(AttrAt(0, 1), 0x07);

  struct Frame {
    int row;
    char ch;
    uint8_t attr;
  };
  for (const Frame& f : {Frame{3, kLowerHalf, 0x09}, Frame{5, kUpperHalf, 0x09},
                         Frame{6, kLowerHalf, 0x0F}, Frame{11, kUpperHalf, 0x0F}}) {
    EXPECT_EQ(RowText(f.row), std::string(80, f.ch)) << f.row;
    for (int col = 0; col < 80; ++col) ASSERT_EQ(AttrAt(col, f.row), f.attr) << f.row;
  }
  for (int row : {2, 12, 13, 14, 15})
    for (int col = 0; col < 80; ++col) ASSERT_EQ(ScreenCells[row * 80 + col], 0x0700) << row;
  for (int i = 17 * 80; i < 4000; ++i) ASSERT_EQ(ScreenCells[i], 0) << i;
  EXPECT_EQ(ColumnWidth, 20);
  EXPECT_TRUE(WideColumns);
}

TEST_F(PlayerTest, EightChannelsFillRowsSevenToFifteen) {
  Cell cell;
  cell.volume = 0x80;
  Start(UniformSong(8, cell));
  TickAndPass();
  for (int c = 0; c < 8; ++c) {
    EXPECT_EQ(RowText(7 + c, 0, 1), std::to_string(c + 1));
    EXPECT_EQ(AttrAt(0, 7 + c), 0x70);
  }
  EXPECT_EQ(RowText(15), std::string(80, kUpperHalf));
  EXPECT_EQ(AttrAt(0, 15), 0x0F);
  EXPECT_EQ(RowText(16, 8, 24), BankHexText(0));
  EXPECT_EQ(ColumnWidth, 10);
  EXPECT_FALSE(WideColumns);
  EXPECT_EQ(ShownText(17, 70, 10), "FqWfVlPwCo");
}

TEST_F(PlayerTest, StripShowsTheRowRecord) {
  Cell cell;
  // Pitch 0x13 (C#), octave 4, right code 1, left code 2; all fields distinct.
  cell.word = 0x13 | 4 << 8 | 1 << 12 | 2 << 14;
  cell.pulseWidth = 0x40;
  cell.waveform = 0x05;
  cell.volume = 0x90;
  cell.cutoff = 0xF0;
  Start(UniformSong(2, cell));
  TickAndPass();
  EXPECT_EQ(RowText(7, 0, 17),
            "1C#4<413)05904"
            "0F0");
  const uint8_t attrs[17] = {0x70, 0x70, 0x70, 0x70, 0x70, 0x70, 0x70, 0x70, 0x70,
                             0x70, 0x70, 0x71, 0x71, 0x72, 0x72, 0x74, 0x74};
  for (int col = 0; col < 17; ++col) EXPECT_EQ(AttrAt(col, 7), attrs[col]) << col;
  // Bar: volume 0x90 div 4 = 36 blue, pulse 16 green, (255 - 240) div 4 = 3 red cells.
  EXPECT_EQ(RowText(7, 17, 63), std::string(63, '-'));
  EXPECT_EQ(AttrAt(17, 7), 0x78 + 7);
  EXPECT_EQ(AttrAt(17 + 3, 7), 0x78 + 3);
  EXPECT_EQ(AttrAt(17 + 16, 7), 0x78 + 1);
  EXPECT_EQ(AttrAt(17 + 36, 7), 0x70);
  EXPECT_EQ(AttrAt(79, 7), 0x70);
  // Pattern column: wide header, note text bright for volume 128 and up, "__" for waveform 5.
  EXPECT_EQ(ShownText(17, 0, 15), std::string("Frq") + kLowerHalf + "Wf" + kLowerHalf + "Vl" +
                                      kLowerHalf + "Pw" + kLowerHalf + "Co");
  EXPECT_EQ(RowText(48, 0, 6), "C#4 __");
  EXPECT_EQ(AttrAt(0, 48) & 0x0F, 0x0F);
}

TEST_F(PlayerTest, AttenuationCodeThreeShowsBlanks) {
  Cell cell;
  cell.word = 3 << 12 | 3 << 14;
  cell.volume = 1;
  Start(UniformSong(1, cell));
  TickAndPass();
  EXPECT_EQ(RowText(7, 4, 5), " 000 ");
}

TEST_F(PlayerTest, VolumeZeroShowsEqualsAndNoBlue) {
  Cell cell;
  cell.pulseWidth = 0xFF;
  cell.waveform = 0x20;
  cell.cutoff = 0x00;
  for (int channels : {4, 5}) {
    SCOPED_TRACE(channels);
    SetUp();
    Start(UniformSong(channels, cell));
    TickAndPass();
    EXPECT_EQ(RowText(7, 1, 3), "===");
    for (int col = 17; col < 80; ++col) {
      const uint8_t attr = AttrAt(col, 7);
      ASSERT_TRUE(attr == 0x70 || ((attr - 0x78) & 1) == 0) << col;
    }
    const std::string note = channels == 4 ? "=== //" : "==//";
    EXPECT_EQ(RowText(48, 0, static_cast<int>(note.size())), note);
    EXPECT_EQ(AttrAt(0, 48) & 0x0F, 0x08);
    // The voice's volume is 0: no blue meter cells anywhere in the column.
    const int offset = channels == 4 ? 7 : 4;
    for (int row = 18; row <= 48; ++row) EXPECT_NE(Pixel(offset * 8, row * 8), 1) << row;
    ReleaseSong();
  }
}

TEST_F(PlayerTest, CutoffInBarAndMeter) {
  struct Case {
    uint8_t cutoff;
    int redBarCells;
    int meterRows;
  };
  for (const Case& k : {Case{255, 0, 0}, Case{0, 63, 31}}) {
    SCOPED_TRACE(k.cutoff);
    SetUp();
    Cell cell;
    cell.cutoff = k.cutoff;
    Start(UniformSong(1, cell));
    SequencerTick();
    PlayerPass();
    int red = 0;
    for (int col = 17; col < 80; ++col) {
      const uint8_t attr = AttrAt(col, 7);
      if (attr != 0x70 && ((attr - 0x78) & 4)) ++red;
    }
    EXPECT_EQ(red, k.redBarCells);
    // Meters are drawn before the refresh and cleared after it: read the rendered pixels.
    int rows = 0;
    for (int row = 18; row <= 48; ++row) {
      // Cutoff meter at offset 13 of the wide column; cell background shows at pixel (x, y).
      if (Pixel(13 * 8 + 7, row * 8 + 7) == 4 && Pixel(14 * 8, row * 8) == 4) ++rows;
    }
    EXPECT_EQ(rows, k.meterRows);
    ReleaseSong();
  }
}

TEST_F(PlayerTest, MeterHeightFollowsVoiceValue) {
  Start(UniformSong(1, Cell{}));
  struct Case {
    uint8_t volume;
    int top;  // highest row with blue, 49 when none
  };
  for (const Case& k : {Case{7, 49}, Case{8, 48}, Case{255, 18}}) {
    Voices[0].volume = k.volume;
    PlayerPass();
    int top = 49;
    for (int row = 48; row >= 18 && Pixel(7 * 8, row * 8) == 1; --row) top = row;
    EXPECT_EQ(top, k.top) << int(k.volume);
  }
}

TEST_F(PlayerTest, NoiseBitDrawsWhiteOnLightGrey) {
  Cell cell;
  cell.word = 0x0800 | 4 << 8;
  cell.volume = 10;
  Start(UniformSong(1, cell));
  TickAndPass();
  for (int col = 1; col <= 3; ++col) EXPECT_EQ(AttrAt(col, 7), 0x7F);
  EXPECT_EQ(AttrAt(4, 7), 0x70);
}

TEST_F(PlayerTest, FiveChannelsUseNarrowColumns) {
  Cell cell;
  cell.word = 0x70 | 3 << 8;  // F# at octave 3
  cell.volume = 60;
  cell.waveform = 16;
  cell.pulseWidth = 200;
  Start(UniformSong(5, cell));
  TickAndPass();
  EXPECT_EQ(ColumnWidth, 16);
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(ShownText(17, c * 16, 10), "FqWfVlPwCo") << c;
    EXPECT_EQ(RowText(48, c * 16, 4), "F3//") << c;
    EXPECT_EQ(AttrAt(c * 16, 48) & 0x0F, 0x07);
  }
  EXPECT_EQ(RowText(7, 1, 3), "F#3");
}

TEST_F(PlayerTest, HistoryGainsOneLinePerPassAtThreeRowsPerPass) {
  // Every row has its own pitch nibble, so each history line tells which row it came from.
  SongRecipe recipe;
  recipe.channels = 1;
  for (int r = 0; r < 48; ++r) {
    Cell cell;
    cell.word = static_cast<uint16_t>((r % 16) << 4 | 4 << 8);
    cell.volume = 200;
    recipe.rows.push_back({cell});
  }
  Start(recipe);
  ASSERT_EQ(PatternStep, 2);
  std::vector<std::string> notes;
  for (int pass = 0; pass < 5; ++pass) {
    TickAndPass(3);
    notes.push_back(RowText(47, 0, 6));
  }
  // After pass k the newest line (row 47) is that pass's note; older lines move up one row.
  for (int k = 0; k < 5; ++k) EXPECT_EQ(RowText(47 - (4 - k), 0, 6), notes[k]) << k;
  EXPECT_EQ(notes[0].substr(0, 3), "D-4");  // row 2: pitch nibble 2
  EXPECT_EQ(notes[1].substr(0, 3), "F-4");  // row 5: nibble 5
  EXPECT_EQ(RowText(47 - 5, 0, 6), std::string(6, '\0'));

  // Two rows per pass do not reach the step: a line every second pass.
  const uint32_t before = LastScrollRow;
  TickAndPass(2);
  EXPECT_EQ(LastScrollRow, before);
  TickAndPass(2);
  EXPECT_EQ(LastScrollRow, before + 4);
}

TEST_F(PlayerTest, FrameLinesAndMeterClearingAfterRefresh) {
  Cell cell;
  cell.volume = 255;
  Start(UniformSong(1, cell));
  TickAndPass();
  for (int col = 0; col < 80; ++col) {
    EXPECT_EQ(ScreenCells[17 * 80 + col] & 0xF0FF, 0x70DF) << col;  // lower half grey
    EXPECT_EQ(ScreenCells[49 * 80 + col] & 0x0FFF, 0x07DF) << col;  // upper half grey
  }
  for (int row = 18; row <= 48; ++row) EXPECT_EQ(AttrAt(7, row) >> 4, 0) << row;
}

TEST_F(PlayerTest, MessageScrollerWithEmptyMessage) {
  Start(UniformSong(1, Cell{}));
  PlayerPass();
  PlayerPass();
  for (int col = 0; col < 80; ++col) ASSERT_EQ(ScreenCells[4 * 80 + col], 0x0700);
  PlayerPass();
  for (int col = 0; col < 80; ++col) {
    ASSERT_EQ(ScreenCells[4 * 80 + col] & 0xF0FF, 0x1000) << col;
  }
  for (int step = 0; step < 100; ++step) {
    PlayerPass();
    PlayerPass();
    PlayerPass();
  }
  for (int col = 0; col < 80; ++col) ASSERT_EQ(ScreenCells[4 * 80 + col] & 0xF0FF, 0x1000);
}

TEST_F(PlayerTest, MessageScrollerCyclesEightyTwoStepsAndDropsTheLastByte) {
  SongRecipe recipe = UniformSong(1, Cell{});
  recipe.message = "Hi!";
  Start(recipe);
  auto step = [] {
    for (int i = 0; i < 3; ++i) PlayerPass();
  };
  step();
  EXPECT_EQ(ScreenCells[4 * 80 + 79], 0x1800 | 'H');
  step();
  EXPECT_EQ(ScreenCells[4 * 80 + 79], 0x1800 | 'i');
  EXPECT_EQ(ScreenCells[4 * 80 + 78], 0x1800 | 'H');
  step();
  EXPECT_EQ(ScreenCells[4 * 80 + 79], 0x1000);
  for (int k = 4; k <= 40; ++k) step();
  // After 40 steps H stands in column 40, white on blue; i beside it.
  EXPECT_EQ(ScreenCells[4 * 80 + 40], 0x1F00 | 'H');
  EXPECT_EQ(ScreenCells[4 * 80 + 41], 0x1F00 | 'i');
  for (int k = 41; k <= 82; ++k) {
    step();
    ASSERT_EQ(RowText(4).find('!'), std::string::npos) << k;
  }
  EXPECT_EQ(RowText(4).find('H'), std::string::npos);
  step();  // step 83 starts the second cycle
  EXPECT_EQ(ScreenCells[4 * 80 + 79], 0x1800 | 'H');
  EXPECT_EQ(ScrollPos, 1);
}

TEST_F(PlayerTest, LongestMessageScrollsThroughItsWholeCycle) {
  SongRecipe recipe = UniformSong(1, Cell{});
  recipe.message.resize(65519);
  for (size_t i = 0; i < recipe.message.size(); ++i)
    recipe.message[i] = static_cast<char>('a' + i % 26);
  Start(recipe);
  // Bytes 1..65518 enter one per step, then 80 blank steps, then byte 1 again: the position
  // must run past 65535 without wrapping to 0.
  for (uint32_t k = 1; k <= 65519 + 80; ++k) {
    ScrollerStep();
    const ScreenCell want =
        k < 65519 ? static_cast<ScreenCell>(0x1800 | static_cast<uint8_t>(recipe.message[k - 1]))
        : k < 65519 + 80 ? 0x1000
                         : static_cast<ScreenCell>(0x1800 | 'a');
    ASSERT_EQ(ScreenCells[4 * 80 + 79], want) << "step " << k;
  }
}

TEST_F(PlayerTest, EdgeColoursOfTheScroller) {
  SongRecipe recipe = UniformSong(1, Cell{});
  recipe.message = std::string(200, 'x');
  Start(recipe);
  for (int i = 0; i < 3 * 100; ++i) PlayerPass();
  const uint8_t expected[80] = {0x18, 0x18, 0x17, 0x17, 0x17, 0x17};
  for (int col = 0; col < 80; ++col) {
    uint8_t want = col < 6 ? expected[col] : 0x1F;
    if (col >= 74 && col <= 77) want = 0x17;
    if (col >= 78) want = 0x18;
    EXPECT_EQ(AttrAt(col, 4), want) << col;
    EXPECT_EQ(RowText(4, col, 1), "x");
  }
}

TEST_F(PlayerTest, TimesOnRowOneAndPlayClock) {
  // 125 minutes at one row per second.
  SongRecipe recipe = UniformSong(1, Cell{}, 125 * 60);
  recipe.rowsPerSecond = 1;
  Start(recipe);
  CurrentRow = 61;
  PlayClock = 300000u * 75;
  PlayerPass();
  EXPECT_EQ(RowText(1, 69, 11), "01:01/C5:00");
  // The clock stands in the presented image only.
  EXPECT_EQ(ShownText(49, 74, 6), " 01:15");
  PlayClock = kPlayClockCeiling;
  PlayerPass();
  EXPECT_EQ(ShownText(49, 74, 6), " 99:59");
}

TEST_F(PlayerTest, TopLeftDigitsFollowPatternStepAndBoost) {
  Start(UniformSong(1, Cell{}));
  PlayerPass();
  EXPECT_EQ(RowText(0, 0, 2), "03");
  EXPECT_EQ(AttrAt(0, 0), 0xF0);
  for (int i = 0; i < 4; ++i) {
    PushKey(SDLK_UP);
    PlayerPass();
  }
  PlayerPass();
  EXPECT_EQ(PatternStep, 0);
  EXPECT_EQ(RowText(0, 0, 2), "01");
  PatternStep = 254;
  PushKey(SDLK_DOWN);
  PlayerPass();
  PushKey(SDLK_DOWN);
  PlayerPass();
  PlayerPass();
  EXPECT_EQ(PatternStep, 255);
  EXPECT_EQ(RowText(0, 0, 2), "00");
  PushKey(SDLK_BACKSPACE);
  PlayerPass();
  PlayerPass();
  EXPECT_TRUE(BoostMode);
  EXPECT_EQ(AttrAt(0, 0), 0xF8);
}

TEST_F(PlayerTest, ScopeInSilence) {
  Start(UniformSong(1, Cell{}));
  PushKey(SDLK_TAB);
  PlayerPass();
  ASSERT_FALSE(PatternView);
  for (int i = 17 * 80; i < 4000; ++i) ASSERT_EQ(ScreenCells[i], 0) << i;
  PlayerPass();  // draws the first trace after its refresh
  for (int x = 0; x < 640; ++x) {
    std::vector<uint8_t> want(256, 0);
    want[0] = 7;
    want[255] = 7;
    want[264 - 136] = 2;
    if (x >= 64 && x < 576) want[391 - WavetableAt(x - 64) - 136] = 12;
    for (int y = 136; y <= 391; ++y) ASSERT_EQ(Pixel(x, y), want[y - 136]) << x << "," << y;
  }
  EXPECT_EQ(ScopeGain, 1);
  // Rows 17 to 48 hold no text; row 49 gets only the clock.
  for (int i = 17 * 80; i < 49 * 80; ++i) ASSERT_EQ(ScreenCells[i], 0);
}

TEST_F(PlayerTest, ScopeGainRisesOnLoudSignalAndResets) {
  Start(UniformSong(1, Cell{}, 500));
  CurrentRow = 100;
  PlayerPass();  // the pattern history's last line is at row 100
  PatternView = false;
  for (auto& s : ScopeBuffer) s = 32767;
  CallbackFrames = 2048;
  PlayerPass();
  // Gains 1 to 255 overflow (32767 div 255 = 128); 32767 div 256 = 127 fits.
  EXPECT_EQ(ScopeGain, 256);
  for (int x = 0; x < 64; ++x) EXPECT_EQ(Pixel(x, 264), 2) << x;
  for (int x = 576; x < 640; ++x) {
    EXPECT_EQ(Pixel(x, 137), 2) << x;
    EXPECT_EQ(Pixel(x, 264), 0) << x;
  }
  PlayerPass();
  EXPECT_EQ(ScopeGain, 256);
  // A restart is noticed by the pass after it and resets the gain.
  PushKey(SDLK_RETURN);
  PlayerPass();
  PlayerPass();
  EXPECT_EQ(ScopeGain, 1);
  for (auto& s : ScopeBuffer) s = 0;
}

TEST_F(PlayerTest, BackwardsMoveResetsTheLowerView) {
  Cell cell;
  cell.volume = 100;
  Start(UniformSong(1, cell, 300));
  CurrentRow = 120;
  PlayerPass();
  EXPECT_EQ(LastScrollRow, 120u);
  PushKey(SDLK_LEFT);
  PlayerPass();
  EXPECT_EQ(CurrentRow, 70u);
  EXPECT_NE(RowText(48, 0, 3), std::string(3, '\0'));
  PlayerPass();  // finds the snapshot below the last scroll row
  EXPECT_EQ(LastScrollRow, 70u);
  for (int i = 17 * 80; i < 4000; ++i) ASSERT_EQ(ScreenCells[i], 0) << i;
}

// Keys of the player table, one at a time from the same start.
TEST_F(PlayerTest, PlayerKeys) {
  struct Case {
    const char* name;
    uint32_t symbol;
    uint32_t modifiers;
    uint32_t rowBefore;
    uint32_t rowAfter;
  };
  const Case cases[] = {
      {"Return restarts", SDLK_RETURN, 0, 120, 0},
      {"Shift+Return restarts", SDLK_RETURN, KMOD_LSHIFT, 120, 0},
      {"right seeks", SDLK_RIGHT, 0, 120, 170},
      {"right near the end goes to 0", SDLK_RIGHT, 0, 250, 0},
      {"left seeks back", SDLK_LEFT, 0, 120, 70},
      {"left at one second goes to 0", SDLK_LEFT, 0, 50, 0},
      {"left just over one second", SDLK_LEFT, 0, 51, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    SetUp();
    SongRecipe recipe = UniformSong(1, Cell{}, 300);
    recipe.loopRow = 7;
    Start(recipe);
    CurrentRow = k.rowBefore;
    PushKey(k.symbol, k.modifiers);
    PlayerPass();
    EXPECT_EQ(CurrentRow, k.rowAfter);
    ReleaseSong();
  }
}

TEST_F(PlayerTest, MuteKeysInvertChannelsOneToThree) {
  Start(UniformSong(4, Cell{}));
  const uint32_t keys[] = {'i', 'o', 'p'};
  for (int k = 0; k < 3; ++k) {
    PushKey(keys[k]);
    PlayerPass();
    for (int c = 0; c < 8; ++c) EXPECT_EQ(MuteFlags[c] != 0, c <= k) << k << " " << c;
  }
  PushKey('i', KMOD_LSHIFT);
  PlayerPass();
  EXPECT_EQ(MuteFlags[0], 0);
}

TEST_F(PlayerTest, MutedChannelKeepsStripButLosesMeter) {
  Cell cell;
  cell.volume = 0xC0;
  Start(UniformSong(1, cell));
  PushKey('i');
  TickAndPass();  // the key lands after this pass's drawing
  TickAndPass();
  EXPECT_EQ(RowText(7, 11, 2), "C0");
  EXPECT_EQ(Voices[0].volume, 0);
  for (int row = 18; row <= 48; ++row) EXPECT_NE(Pixel(7 * 8, row * 8), 1) << row;
}

TEST_F(PlayerTest, EscapeQuitsAndAltReturnTogglesScreenMode) {
  Start(UniformSong(1, Cell{}, 300));
  CurrentRow = 120;
  PushKey(SDLK_RETURN, KMOD_LALT);
  PlayerPass();
  EXPECT_TRUE(FullScreen);
  EXPECT_EQ(CurrentRow, 120u);
  PushKey(SDLK_RETURN, KMOD_RALT);
  PlayerPass();
  EXPECT_FALSE(FullScreen);
  EXPECT_FALSE(QuitRequested);
  PushKey(SDLK_ESCAPE);
  PlayerPass();
  EXPECT_TRUE(QuitRequested);
}

TEST_F(PlayerTest, TabClearsTheLowerViewBothWays) {
  Cell cell;
  cell.volume = 200;
  Start(UniformSong(1, cell));
  TickAndPass();
  PushKey(SDLK_TAB);
  PlayerPass();
  EXPECT_FALSE(PatternView);
  PlayerPass();
  ASSERT_EQ(Pixel(0, 136), 7);
  PushKey(SDLK_TAB);
  PlayerPass();
  EXPECT_TRUE(PatternView);
  for (int i = 17 * 80; i < 4000; ++i) ASSERT_EQ(ScreenCells[i], 0) << i;
  for (int i = 136 * 640; i < 392 * 640; ++i) ASSERT_EQ(PixelBuffer[i], 0) << i;
}

// Reads the whole timbre state for comparisons.
struct Timbre {
  uint8_t banks[16];
  uint8_t sources[2][512];
  uint8_t bankSelect;
  bool operator==(const Timbre& o) const {
    return std::memcmp(banks, o.banks, 16) == 0 && std::memcmp(sources, o.sources, 1024) == 0 &&
           bankSelect == o.bankSelect;
  }
};
Timbre ReadTimbre() {
  Timbre t;
  std::memcpy(t.banks, HarmonicBanks, 16);
  std::memcpy(t.sources, HarmonicSources, 1024);
  t.bankSelect = BankSelect;
  return t;
}

// Every key reaches its action and the wavetable is rebuilt afterwards, also for keys
// without an action.
TEST_F(PlayerTest, TimbreKeysAndRebuild) {
  struct Case {
    uint32_t symbol;
    uint32_t modifiers;
    void (*check)(const Timbre& before);
  };
  const Case cases[] = {
      {' ', 0, [](const Timbre&) { EXPECT_EQ(BankSelect, 8); }},
      {'1', 0, [](const Timbre& b) { EXPECT_EQ(HarmonicBanks[0], (b.banks[0] + 1) & 63); }},
      {'8', KMOD_RSHIFT,
       [](const Timbre& b) { EXPECT_EQ(HarmonicBanks[7], (b.banks[7] + 63) & 63); }},
      {'a', 0,
       [](const Timbre&) {
         EXPECT_EQ(0, std::memcmp(HarmonicSources[0], ShiftedSineSource, 512));
       }},
      {'d', 0,
       [](const Timbre&) {
         EXPECT_EQ(0, std::memcmp(HarmonicSources[1], ShiftedSineSource, 512));
       }},
      {'c', 0,
       [](const Timbre&) { EXPECT_EQ(0, std::memcmp(HarmonicBanks, HarmonicPresets[1], 16)); }},
      {'v', 0,
       [](const Timbre&) { EXPECT_EQ(0, std::memcmp(HarmonicBanks, HarmonicPresets[2], 16)); }},
      {'q', 0,
       [](const Timbre& b) {
         for (int i = 0; i < 16; ++i) EXPECT_EQ(HarmonicBanks[i], i < 8 ? 0 : b.banks[i]);
       }},
      {'w', 0,
       [](const Timbre& b) {
         for (int i = 0; i < 16; ++i) EXPECT_EQ(HarmonicBanks[i], i < 8 ? b.banks[i] : 0);
       }},
      {'e', 0,
       [](const Timbre&) {
         const uint8_t want[8] = {55, 32, 42, 54, 20, 15, 2, 21};
         EXPECT_EQ(0, std::memcmp(HarmonicBanks, want, 8));
       }},
      {'r', 0,
       [](const Timbre&) {
         const uint8_t want[8] = {55, 32, 42, 54, 20, 15, 2, 21};
         EXPECT_EQ(0, std::memcmp(HarmonicBanks + 8, want, 8));
       }},
      {'t', 0,
       [](const Timbre&) {
         const uint8_t want[16] = {0x1F, 0x20, 0x0F, 0x20, 0x0C, 0x20, 0x0B, 0x20,
                                   0x3F, 0x20, 0x2F, 0x20, 0x2C, 0x20, 0x2B, 0x20};
         EXPECT_EQ(0, std::memcmp(HarmonicBanks, want, 16));
       }},
      {'b', 0, [](const Timbre& b) { EXPECT_TRUE(ReadTimbre() == b); }},
      {SDLK_F1, 0, [](const Timbre& b) { EXPECT_TRUE(ReadTimbre() == b); }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.symbol);
    SetUp();
    Start(UniformSong(1, Cell{}, 300));
    CurrentRow = 40;
    const Timbre before = ReadTimbre();
    // A stale wavetable shows whether the pass rebuilt it.
    for (auto& w : Wavetable) w = 0;
    PushKey(k.symbol, k.modifiers);
    PlayerPass();
    k.check(before);
    std::vector<uint8_t> rebuilt(512), expected(512);
    for (int i = 0; i < 512; ++i) rebuilt[i] = WavetableAt(i);
    BuildWavetable();
    for (int i = 0; i < 512; ++i) expected[i] = WavetableAt(i);
    EXPECT_EQ(rebuilt, expected);
    EXPECT_EQ(CurrentRow, 40u);
    EXPECT_TRUE(PatternView);
    EXPECT_FALSE(BoostMode);
    EXPECT_FALSE(QuitRequested);
    EXPECT_EQ(PatternStep, 2);
    for (int c = 0; c < 8; ++c) EXPECT_EQ(MuteFlags[c], 0);
    ReleaseSong();
  }
}

TEST_F(PlayerTest, SourceKeysSAndFRestoreSineAndXRestoresPreset) {
  Start(UniformSong(1, Cell{}));
  for (uint32_t key : {'a', 'd', 'c'}) {
    PushKey(key);
    PlayerPass();
  }
  for (uint32_t key : {'s', 'f', 'x'}) {
    PushKey(key);
    PlayerPass();
  }
  EXPECT_EQ(0, std::memcmp(HarmonicSources[0], SineSource, 512));
  EXPECT_EQ(0, std::memcmp(HarmonicSources[1], SineSource, 512));
  EXPECT_EQ(0, std::memcmp(HarmonicBanks, HarmonicPresets[0], 16));
}

TEST_F(PlayerTest, SpaceSelectsBankForLevelKeysAndTTwiceRestores) {
  Start(UniformSong(1, Cell{}));
  const Timbre start = ReadTimbre();
  PushKey(' ');
  PlayerPass();
  PushKey('8');
  PlayerPass();
  EXPECT_EQ(HarmonicBanks[15], (start.banks[15] + 1) & 63);
  EXPECT_EQ(0, std::memcmp(HarmonicBanks, start.banks, 8));
  PlayerPass();
  EXPECT_EQ(AttrAt(8, 16), 0x08);
  EXPECT_EQ(AttrAt(48, 16), 0x07);
  const Timbre edited = ReadTimbre();
  PushKey('t');
  PlayerPass();
  PushKey('t');
  PlayerPass();
  EXPECT_TRUE(ReadTimbre() == edited);
}

TEST_F(PlayerTest, MouseEventUsesUpThePoll) {
  Start(UniformSong(1, Cell{}));
  SDL_Event motion{};
  motion.type = SDL_MOUSEMOTION;
  ASSERT_EQ(SDL_PushEvent(&motion), 0);
  PushKey(SDLK_BACKSPACE);
  PlayerPass();
  EXPECT_FALSE(BoostMode);
  PlayerPass();
  EXPECT_TRUE(BoostMode);
}

// PlaySong as a whole, with files on disk and the dummy audio driver.
TEST_F(PlayerTest, PlaySongRefusedFileLeavesScreenUntouched) {
  std::vector<uint8_t> bad = {'N', 'O', 'T', 1, 50, 0};
  SongFileName = test::WriteTempFile(bad);
  for (int i = 0; i < 4000; ++i) ScreenCells[i] = static_cast<ScreenCell>(i * 7);
  std::vector<ScreenCell> before(ScreenCells, ScreenCells + 4000);
  PushKey(SDLK_ESCAPE);
  PlaySong();
  EXPECT_EQ(std::vector<ScreenCell>(ScreenCells, ScreenCells + 4000), before);
  EXPECT_EQ(SongBuffer, nullptr);
  SDL_Event event;
  EXPECT_EQ(SDL_PollEvent(&event), 1);  // the key was not taken
}

TEST_F(PlayerTest, PlaySongRunsUntilEscapeAndReleasesTheSong) {
  Cell cell;
  cell.volume = 100;
  SongFileName = test::WriteTempFile(test::BuildSongBytes(UniformSong(2, cell)));
  PatternStep = 9;
  PushKey(SDLK_ESCAPE);
  PlaySong();
  EXPECT_EQ(SongBuffer, nullptr);
  EXPECT_EQ(DisplayName, ShortDisplayName(SongFileName));
  const std::string status = "Playing " + DisplayName + " at 50hz on Tarvel2 (48khz)";
  EXPECT_EQ(RowText(1, 0, static_cast<int>(status.size())), status);
  EXPECT_EQ(RowText(0, 0, 2), "03");  // PatternStep back at 2 for the song
  EXPECT_EQ(RowText(9), std::string(80, kUpperHalf));
  EXPECT_EQ(CursorCol, 0);
}

TEST_F(PlayerTest, PlaySongAudioFailureShowsMessageAndWaitsForKey) {
  SongFileName = test::WriteTempFile(test::BuildSongBytes(UniformSong(1, Cell{})));
  const bool audioWasUp = SDL_WasInit(SDL_INIT_AUDIO) != 0;
  if (audioWasUp) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  const char* old = std::getenv("SDL_AUDIODRIVER");
  const std::string saved = old ? old : "";
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  SetCursor(0, 10);
  TextAttr = 0x0E;
  PushKey('z');
  PlaySong();
  if (old) {
    setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
  } else {
    unsetenv("SDL_AUDIODRIVER");
  }
  EXPECT_EQ(SongBuffer, nullptr);
  const std::string line = "?Audio: " + std::string(SDL_GetError()) + "  ERROR";
  EXPECT_GT(line.size(), 15u);
  EXPECT_EQ(LinearText(0, 10, static_cast<int>(line.size())), line);
  const int next = 10 + static_cast<int>(line.size()) / 80 + 1;
  EXPECT_EQ(RowText(next, 0, 29), "..press any key to continue..");
  EXPECT_EQ(AttrAt(0, next), 0x0E);
  EXPECT_EQ(CursorRow, next + 1);
  // The key was used up by the wait.
  SDL_Event event;
  EXPECT_EQ(SDL_PollEvent(&event), 0);
}

}  // namespace
}  // namespace quandor
