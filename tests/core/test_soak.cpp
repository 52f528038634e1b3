// Long play: the song loops on and on through the audio callback until the play clock has
// reached its ceiling and stayed there. The row index must stay inside the song the whole
// time, and the end of the run must sound exactly like the same stretch rendered afresh.
//
// An optimised build without sanitizers plays the whole 100 minutes (and a little more) from
// the program-start clock. Debug and sanitizer builds are 10 to 30 times slower, so there the
// clock starts two minutes short of its ceiling and four minutes are played: the same
// crossing of the ceiling, without the hour and a half of looping before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "playback/callback.h"
#include "playback/sequencer.h"
#include "song/song.h"
#include "tests/support/song_builder.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUANDOR_SLOW_BUILD 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !defined(NDEBUG)
#define QUANDOR_SLOW_BUILD 1
#endif

namespace quandor {
namespace {

constexpr uint32_t kRate = 48000;
constexpr uint32_t kCallbackFrames = 2048;
#ifdef QUANDOR_SLOW_BUILD
constexpr uint32_t kStartClock = kPlayClockCeiling - 2 * 60 * 300000u;
constexpr uint64_t kFrames = 4ull * 60 * kRate;
#else
constexpr uint32_t kStartClock = 0;
constexpr uint64_t kFrames = (100ull * 60 + 10) * kRate;  // 10 s past the ceiling
#endif
constexpr uint32_t kWindowCallbacks = 4;  // the compared stretch at the end

// Three channels, 50 rows per second (6000 clock units per tick, exactly real time), a loop
// row that lines up with nothing else.
std::vector<uint8_t> SoakSong() {
  test::SongRecipe recipe;
  recipe.channels = 3;
  recipe.rowsPerSecond = 50;
  recipe.loopRow = 123;
  for (uint32_t r = 0; r < 701; ++r) {
    std::vector<test::Cell> row;
    for (uint32_t c = 0; c < 3; ++c)
      row.push_back(
          test::Cell{static_cast<uint16_t>(((r * 11 + c * 70) & 0xFF) | (2 + c + r % 3) << 8 |
                                           (c == 2 && r % 5 == 0 ? 0x0800 : 0) | (r % 4) << 12),
                     static_cast<uint8_t>(r * 3), static_cast<uint8_t>(c == 0 ? 1 : 0),
                     static_cast<uint8_t>(230 - c * 40), static_cast<uint8_t>(40 + r)});
    recipe.rows.push_back(row);
  }
  return test::BuildSongBytes(recipe);
}

void StartFresh(const std::vector<uint8_t>& song) {
  test::ResetToProgramStart();
  ASSERT_TRUE(test::LoadBytes(song)) << LoadError;
  PlayClock.store(kStartClock);
}

TEST(Soak, HundredMinutesReachTheClockCeilingAndStayExact) {
  const std::vector<uint8_t> song = SoakSong();
  StartFresh(song);
  const uint64_t callbacks = (kFrames + kCallbackFrames - 1) / kCallbackFrames;
  std::vector<uint8_t> buffer(kCallbackFrames * 4);
  std::vector<uint8_t> window;
  uint64_t rowOutside = 0, clockBackwards = 0, leftCeiling = 0;
  uint64_t ceilingAt = 0;  // callback after which the clock first stood at its ceiling
  uint32_t lastClock = PlayClock.load();
  for (uint64_t k = 0; k < callbacks; ++k) {
    AudioCallback(nullptr, buffer.data(), static_cast<int>(buffer.size()));
    if (CurrentRow.load() >= RowCount) ++rowOutside;
    const uint32_t clock = PlayClock.load();
    if (clock < lastClock) ++clockBackwards;
    if (ceilingAt && clock != kPlayClockCeiling) ++leftCeiling;
    if (!ceilingAt && clock == kPlayClockCeiling) ceilingAt = k + 1;
    lastClock = clock;
    if (k + kWindowCallbacks >= callbacks)
      window.insert(window.end(), buffer.begin(), buffer.end());
  }
  RecordProperty("frames_played", std::to_string(callbacks * kCallbackFrames));
  RecordProperty("ceiling_after_callback", std::to_string(ceilingAt));
  EXPECT_EQ(rowOutside, 0u);
  EXPECT_EQ(clockBackwards, 0u);
  EXPECT_EQ(PlayClock.load(), kPlayClockCeiling);
  ASSERT_NE(ceilingAt, 0u) << "the clock never reached its ceiling";
  EXPECT_EQ(leftCeiling, 0u);
  // The clock runs exactly with the frames at 50 rows per second: tick n (from 1) brings it
  // to start + 6000 n and runs first thing in frame 960 (n - 1), so the ceiling is seen
  // after the callback holding the frame of tick ceil((ceiling - start) / 6000).
  const uint64_t ticks = (uint64_t{kPlayClockCeiling} - kStartClock + 5999) / 6000;
  EXPECT_EQ(ceilingAt, (ticks - 1) * 960 / kCallbackFrames + 1);
  EXPECT_LT(ceilingAt + 100, callbacks) << "too little play after the ceiling to see it hold";

  // Afresh: the same start, advanced in the callback's largest buffers, then the window in
  // the device's buffer size.
  StartFresh(song);
  const uint64_t advanceFrames = (callbacks - kWindowCallbacks) * kCallbackFrames;
  std::vector<uint8_t> big(65536 * 4);
  for (uint64_t done = 0; done < advanceFrames;) {
    const uint64_t n = std::min<uint64_t>(65536, advanceFrames - done);
    AudioCallback(nullptr, big.data(), static_cast<int>(n * 4));
    done += n;
  }
  std::vector<uint8_t> fresh;
  for (uint32_t k = 0; k < kWindowCallbacks; ++k) {
    AudioCallback(nullptr, buffer.data(), static_cast<int>(buffer.size()));
    fresh.insert(fresh.end(), buffer.begin(), buffer.end());
  }
  ASSERT_EQ(window.size(), fresh.size());
  EXPECT_TRUE(window == fresh) << "the end of the long run differs from a fresh render";
  // The window is not silence, which would make the comparison empty.
  EXPECT_NE(std::count(window.begin(), window.end(), 0), static_cast<long>(window.size()));
  ReleaseSong();
}

}  // namespace
}  // namespace quandor
