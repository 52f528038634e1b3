// The audio thread against the main thread: SDL plays a song through the core's callback while
// the main thread does everything the player does at the same time (transport, mutes, boost,
// timbre keys with wavetable rebuilds, display reads). Built under ThreadSanitizer as well,
// where any unsynchronised access shows up as a race report. Also: what reaches the device
// equals the offline rendering byte for byte.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "playback/callback.h"
#include "playback/device.h"
#include "playback/sequencer.h"
#include "song/song.h"
#include "synth/mixer.h"
#include "synth/timbre.h"
#include "synth/wavetable.h"
#include "tests/support/song_builder.h"

namespace quandor {
namespace {

using test::Cell;

// Several channels, rows that differ, a loop in the middle: every tick changes something.
test::SongRecipe BusySong(uint16_t rowsPerSecond, uint32_t rows, uint32_t loop) {
  test::SongRecipe recipe;
  recipe.channels = 4;
  recipe.rowsPerSecond = rowsPerSecond;
  recipe.loopRow = loop;
  for (uint32_t r = 0; r < rows; ++r) {
    std::vector<Cell> row;
    for (int c = 0; c < 4; ++c) {
      const uint16_t word = static_cast<uint16_t>(((r * 7 + c * 50) & 0xFF) | (3 + c) << 8 |
                                                  (c == 3 ? 0x0800 : 0) | ((r + c) & 1) << 14);
      row.push_back(Cell{word, static_cast<uint8_t>(r * 9), static_cast<uint8_t>(c == 1 ? 2 : 0),
                         static_cast<uint8_t>(200 - c * 30), static_cast<uint8_t>(90 + r)});
    }
    recipe.rows.push_back(row);
  }
  return recipe;
}

// SDL with the given audio driver; the environment is read at SDL_Init.
class LivePlayback : public ::testing::Test {
 protected:
  void StartSdl(const char* driver) {
    setenv("SDL_AUDIODRIVER", driver, 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
    sdlStarted = true;
  }
  void SetUp() override { test::ResetToProgramStart(); }
  void TearDown() override {
    if (sdlStarted) SDL_Quit();
    ReleaseSong();
  }
  bool sdlStarted = false;
};

TEST_F(LivePlayback, MainThreadWorksBesideTheAudioThread) {
  StartSdl("dummy");
  ASSERT_TRUE(test::LoadBytes(test::BuildSongBytes(BusySong(400, 300, 120)))) << LoadError;
  ASSERT_TRUE(OpenPlayback()) << SDL_GetError();
  StartPlayback();

  // The keys the player passes to the timbre controls: space, a, s, d, f, x, c, v, e, r, q,
  // w, t and the level keys 1 to 8 (with and without shift).
  const uint32_t keys[] = {32,  97,  115, 100, 102, 120, 99, 118, 101, 114, 113,
                           119, 116, 49,  50,  51,  52,  53, 54,  55,  56};
  const uint32_t start = SDL_GetTicks();
  uint32_t passes = 0, rowOutside = 0, clockBackwards = 0, lastClock = 0;
  long displaySum = 0;  // keeps the display reads from being optimised away
  while (SDL_GetTicks() - start < 1500) {
    switch (passes % 6) {
      case 0:
        SeekForward();
        break;
      case 1:
        SeekBack();
        break;
      case 2:
        if (passes % 60 == 2) RestartSong();
        break;
      case 3:
        MuteFlags[passes % 3].store(MuteFlags[passes % 3].load() ? 0 : 1);
        break;
      case 4:
        BoostMode.store(!BoostMode.load());
        break;
      case 5:
        TimbreKey(keys[passes % (sizeof keys / sizeof keys[0])], passes & 1);
        BuildWavetable();
        break;
    }
    // What a display pass reads.
    const uint32_t row = CurrentRow.load(std::memory_order_relaxed);
    if (row >= RowCount) ++rowOutside;
    const uint32_t clock = PlayClock.load(std::memory_order_relaxed);
    if (clock < lastClock) ++clockBackwards;
    lastClock = clock;
    for (int c = 0; c <= lastVoice; ++c) {
      displaySum += RowByte(c, 4) + RowWord(c);
      displaySum += Voices[c].volume.load(std::memory_order_relaxed) +
                    Voices[c].pulseWidth.load(std::memory_order_relaxed) +
                    Voices[c].cutoff.load(std::memory_order_relaxed);
    }
    const uint32_t frames = CallbackFrames.load(std::memory_order_relaxed);
    for (uint32_t i = 0; i < frames; i += 64)
      displaySum += ScopeBuffer[i].load(std::memory_order_relaxed);
    for (int i = 0; i < 512; i += 8) displaySum += WavetableAt(i);
    ++passes;
    if (passes % 16 == 0) SDL_Delay(1);
  }
  StopPlayback();

  EXPECT_EQ(rowOutside, 0u);
  EXPECT_EQ(clockBackwards, 0u);
  EXPECT_LT(CurrentRow.load(), RowCount);
  // The audio thread really ran: 1.5 s at 400 rows per second is far more than one tick.
  EXPECT_GT(PlayClock.load(), 300000u / 400 * 50) << "callback hardly ran";
  EXPECT_GT(passes, 100u);
  RecordProperty("display_sum", static_cast<int>(displaySum & 0x7FFFFFFF));
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

size_t LeadingZeroFrames(const std::vector<uint8_t>& bytes) {
  size_t i = 0;
  while (i + 4 <= bytes.size() && !bytes[i] && !bytes[i + 1] && !bytes[i + 2] && !bytes[i + 3])
    i += 4;
  return i / 4;
}

TEST_F(LivePlayback, DeviceReceivesTheOfflineRendering) {
  const std::string capture = test::WriteTempFile({}, ".raw");
  ASSERT_FALSE(capture.empty());
  setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);
  StartSdl("disk");
  ASSERT_TRUE(test::LoadBytes(test::BuildSongBytes(BusySong(50, 40, 10)))) << LoadError;
  ASSERT_TRUE(OpenPlayback()) << SDL_GetError();
  StartPlayback();
  SDL_Delay(300);
  StopPlayback();
  std::vector<uint8_t> live = ReadAll(capture);
  std::remove(capture.c_str());
  ASSERT_GE(live.size(), 8u * 8192) << "the disk driver captured too little";

  // The program-start state again, and the same song rendered as the tool does.
  test::ResetToProgramStart();
  const size_t frames = live.size() / 4;
  std::vector<uint8_t> offline(frames * 4 + 8192);
  for (size_t at = 0; at < frames * 4; at += 8192)
    AudioCallback(nullptr, offline.data() + at, 8192);
  offline.resize(frames * 4);

  // The driver may write silence while the device is still paused, before the first callback;
  // the song itself starts with sound, so such a prefix is told apart from the song.
  ASSERT_EQ(LeadingZeroFrames(offline), 0u) << "the song should start with sound";
  const size_t silence = LeadingZeroFrames(live);
  EXPECT_LT(silence, 48000u / 4) << "more than a quarter second of silence before the song";
  ASSERT_GT(live.size(), silence * 4);
  // Closing pauses the device first, so its very last buffer may be silence as well.
  size_t end = live.size();
  while (end >= silence * 4 + 8192 &&
         std::all_of(live.begin() + (end - 8192), live.begin() + end, [](uint8_t b) { return !b; }))
    end -= 8192;
  const size_t compared = end - silence * 4;
  ASSERT_GE(compared, 4u * 8192) << "too little of the song reached the device";
  size_t firstDiff = compared;
  for (size_t i = 0; i < compared; ++i)
    if (live[silence * 4 + i] != offline[i]) {
      firstDiff = i;
      break;
    }
  EXPECT_EQ(firstDiff, compared) << "live output differs from the offline rendering at byte "
                                 << firstDiff << " of " << compared << " (after " << silence
                                 << " silent frames)";
}

}  // namespace
}  // namespace quandor
