#include <gtest/gtest.h>

#include <vector>

#include "playback/callback.h"
#include "playback/sequencer.h"
#include "song/song.h"
#include "synth/mixer.h"
#include "synth/tables.h"
#include "tests/support/song_builder.h"

namespace quandor {
namespace {

using test::Cell;
using test::SongRecipe;

class Playback : public ::testing::Test {
 protected:
  void SetUp() override { test::ResetToProgramStart(); }
  void TearDown() override { ReleaseSong(); }

  // A song of `rows` rows whose row r carries r in its volume byte on every channel.
  void Load(uint8_t channels, uint32_t rows, uint16_t rps = 50, uint32_t loop = 0) {
    SongRecipe recipe;
    recipe.channels = channels;
    recipe.rowsPerSecond = rps;
    recipe.loopRow = loop;
    for (uint32_t r = 0; r < rows; ++r)
      recipe.rows.push_back(
          std::vector<Cell>(channels, Cell{0x0400, 0, 0, static_cast<uint8_t>(r), 255}));
    ASSERT_TRUE(test::LoadBytes(test::BuildSongBytes(recipe))) << LoadError;
    CurrentRow = 0;  // as the player does at every song start
  }
  void Callback(uint32_t frames) {
    std::vector<uint8_t> stream(4 * frames);
    AudioCallback(nullptr, stream.data(), static_cast<int>(stream.size()));
  }
};

TEST_F(Playback, RowsLoopToTheLoopRow) {
  Load(1, 3, 50, 1);
  std::vector<uint32_t> rows;
  for (int i = 0; i < 7; ++i) {
    SequencerTick();
    rows.push_back(CurrentRow);
  }
  EXPECT_EQ(rows, (std::vector<uint32_t>{1, 2, 1, 2, 1, 2, 1}));
  Load(1, 1);
  for (int i = 0; i < 3; ++i) {
    SequencerTick();
    EXPECT_EQ(CurrentRow, 0u);
  }
}

TEST_F(Playback, PlayClockStepsAndStopsAtItsCeiling) {
  Load(1, 4, 50);
  SequencerTick();
  EXPECT_EQ(PlayClock, 6000u);
  Load(1, 4, 70);
  PlayClock = 0;
  for (int i = 0; i < 70; ++i) SequencerTick();
  EXPECT_EQ(PlayClock, 70u * (300000u / 70));
  PlayClock = kPlayClockCeiling - 100;
  SequencerTick();
  EXPECT_EQ(PlayClock, kPlayClockCeiling);
  SequencerTick();
  EXPECT_EQ(PlayClock, kPlayClockCeiling);
}

TEST_F(Playback, TickWritesTheVoicesFromTheRow) {
  Load(8, 1);
  // Pitch/octave, shifts for 8 channels (extra shift 3), noise, mutes, waveform.
  SongRecipe recipe;
  recipe.channels = 8;
  recipe.rows = {{Cell{0x0480, 64, 0, 200, 17},       // C-ish at octave 4, left 0 right 0
                  Cell{0x8000 | 0x07FF, 1, 5, 9, 0},  // left code 2, waveform set
                  Cell{0x3800, 0, 0, 1, 1},           // right code 3, noise
                  Cell{0xF000, 0, 0, 1, 1}}};
  ASSERT_TRUE(test::LoadBytes(test::BuildSongBytes(recipe)));
  MuteFlags[1] = 1;
  SequencerTick();
  EXPECT_EQ(Voices[0].increment, PitchTable[384]);
  EXPECT_EQ(Voices[0].volume, 200);
  EXPECT_EQ(Voices[0].pulseWidth, 64);
  EXPECT_EQ(Voices[0].cutoff, 17);
  EXPECT_EQ(Voices[0].leftShift, 3);
  EXPECT_EQ(Voices[0].rightShift, 3);
  EXPECT_EQ(Voices[0].noise, 0);
  EXPECT_EQ(Voices[1].increment, PitchTable[2048 + 8 * 255]);
  EXPECT_EQ(Voices[1].volume, 0);  // muted
  EXPECT_EQ(RowByte(1, 4), 9);     // the row keeps its volume for display
  EXPECT_EQ(Voices[1].pulseWidth, 127);
  EXPECT_EQ(Voices[1].leftShift, 6);
  EXPECT_EQ(Voices[2].noise, 1);
  EXPECT_EQ(Voices[2].rightShift, 16);
  EXPECT_EQ(Voices[3].leftShift, 16);
  EXPECT_EQ(Voices[3].rightShift, 16);
}

TEST_F(Playback, ChannelShiftsForOneChannel) {
  Load(1, 1);
  SequencerTick();
  EXPECT_EQ(Voices[0].leftShift, 0);
  EXPECT_EQ(Voices[0].rightShift, 0);
}

TEST_F(Playback, BoostModeFoldsWaveformZeroPulseWidths) {
  struct Case {
    uint8_t pulse, waveform, expect;
  };
  const Case cases[] = {{127, 0, 255}, {128, 0, 255}, {0, 0, 1},   {255, 0, 1},
                        {64, 0, 129},  {191, 0, 129}, {40, 5, 127}};
  Load(1, 1);
  BoostMode = true;
  for (const Case& c : cases) {
    SongRecipe recipe;
    recipe.rows = {{Cell{0x0400, c.pulse, c.waveform, 10, 10}}};
    ASSERT_TRUE(test::LoadBytes(test::BuildSongBytes(recipe)));
    CurrentRow = 0;
    SequencerTick();
    EXPECT_EQ(Voices[0].pulseWidth, c.expect) << int(c.pulse);
  }
}

TEST_F(Playback, TicksAreFramesPerTickApartAcrossBuffers) {
  Load(1, 1000, 50);
  std::vector<uint32_t> tickFrames;
  uint32_t frame = 0;
  // Observe ticks through CurrentRow, one frame per callback, then in 2048-frame buffers.
  for (; frame < 3000; ++frame) {
    uint32_t before = CurrentRow;
    Callback(1);
    if (CurrentRow != before) tickFrames.push_back(frame);
  }
  ASSERT_GE(tickFrames.size(), 3u);
  EXPECT_EQ(tickFrames[0], 0u);  // the first frame of the first song runs a tick
  for (size_t i = 1; i < tickFrames.size(); ++i) EXPECT_EQ(tickFrames[i] - tickFrames[i - 1], 960u);
  uint32_t rowsBefore = CurrentRow;
  Callback(2048);
  Callback(2048);
  // 4096 frames later: the ticks kept their 960-frame spacing across the boundary.
  EXPECT_EQ(CurrentRow - rowsBefore, (3000 + 4096 - 1) / 960 - (3000 - 1) / 960);
  EXPECT_EQ(CallbackFrames, 2048u);
}

TEST_F(Playback, FramesPerTickZeroTicksEvery65536Frames) {
  Load(1, 10, 50000);
  EXPECT_EQ(FramesPerTick, 0u);
  Callback(1);
  EXPECT_EQ(CurrentRow, 1u);
  Callback(65535);
  EXPECT_EQ(CurrentRow, 1u);
  Callback(1);
  EXPECT_EQ(CurrentRow, 2u);
}

TEST_F(Playback, CallbackLengthsOutsideTheSettings) {
  Load(1, 10);
  std::vector<uint8_t> stream(8);
  AudioCallback(nullptr, stream.data(), 3);
  EXPECT_EQ(CallbackFrames, 0u);
  AudioCallback(nullptr, stream.data(), 0);
  EXPECT_EQ(CallbackFrames, 0u);
  std::vector<uint8_t> big(4 * 70000 + 4, 0xAB);
  AudioCallback(nullptr, big.data(), static_cast<int>(big.size()));
  EXPECT_EQ(CallbackFrames, 65536u);
  EXPECT_EQ(big[4 * 65536], 0xAB);  // nothing written past the 65536 frames
}

TEST_F(Playback, ScopeKeepsTheLeftSamples) {
  SongRecipe recipe;
  recipe.rows = {{Cell{0x4480, 0, 0, 255, 255}}};  // left code 1, right 0
  ASSERT_TRUE(test::LoadBytes(test::BuildSongBytes(recipe)));
  std::vector<int16_t> stream(2 * 2048);
  ScopeBuffer[3000] = 77;
  AudioCallback(nullptr, reinterpret_cast<uint8_t*>(stream.data()), 8192);
  for (int i = 0; i < 2048; ++i) ASSERT_EQ(ScopeBuffer[i].load(), stream[2 * i]) << i;
  EXPECT_EQ(ScopeBuffer[3000], 77);  // beyond CallbackFrames: untouched
}

TEST_F(Playback, TransportBoundaries) {
  Load(1, 200, 50);
  struct Case {
    const char* name;
    void (*op)();
    uint32_t from, expect;
  };
  const Case cases[] = {
      {"forward", SeekForward, 10, 60},
      {"forward to end", SeekForward, 150, 0},
      {"forward below end", SeekForward, 149, 199},
      {"back", SeekBack, 120, 70},
      {"back exactly one second", SeekBack, 50, 0},
      {"back one above", SeekBack, 51, 1},
      {"restart", RestartSong, 123, 0},
  };
  for (const Case& c : cases) {
    CurrentRow = c.from;
    uint32_t clock = PlayClock;
    c.op();
    EXPECT_EQ(CurrentRow, c.expect) << c.name;
    EXPECT_EQ(PlayClock, clock) << c.name;
  }
}

TEST_F(Playback, RestartKeepsTheOldRowUntilTheNextTick) {
  Load(1, 100, 50);
  Callback(960 * 5 + 10);
  const uint8_t volume = Voices[0].volume;
  RestartSong();
  Callback(100);
  EXPECT_EQ(Voices[0].volume, volume);
  Callback(960);
  EXPECT_EQ(Voices[0].volume, 0);  // row 0 carries volume 0
}

}  // namespace
}  // namespace quandor
