#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "synth/mixer.h"
#include "synth/tables.h"
#include "synth/timbre.h"
#include "synth/wavetable.h"
#include "tests/support/song_builder.h"

namespace quandor {
namespace {

class Mixer : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetToProgramStart();
    lastVoice = 0;
  }
  void SetWave(uint8_t value) {
    for (auto& e : Wavetable) e.store(value, std::memory_order_relaxed);
  }
  std::vector<int16_t> Mix(uint32_t frames) {
    std::vector<int16_t> out(2 * frames);
    MixFrames(out.data(), frames);
    return out;
  }
};

TEST_F(Mixer, PulseWidthChangesOnlyAtACycleStart) {
  Voice& v = Voices[0];
  v.increment = 1u << 16;  // one wave position per frame
  v.phase = 250u << 16;
  v.lastPhaseByte = 250;
  v.activePulseWidth = 0;
  v.pulseWidth = 127;
  v.volume = 255;
  v.cutoff = 255;
  Mix(4);  // positions 251..254
  EXPECT_EQ(v.activePulseWidth, 0);
  Mix(1);  // 255
  EXPECT_EQ(v.activePulseWidth, 0);
  Mix(1);  // wraps to 0: a new cycle
  EXPECT_EQ(v.activePulseWidth, 127);
  v.pulseWidth = 30;
  Mix(100);
  EXPECT_EQ(v.activePulseWidth, 127);
}

TEST_F(Mixer, FilterFloorsTowardMinusInfinity) {
  struct Case {
    uint8_t state, sample, cutoff, expect;
  };
  const Case cases[] = {
      {128, 168, 15, 130}, {130, 127, 15, 129}, {127, 130, 15, 127},
      {200, 10, 0, 199},   {10, 200, 0, 10},    {40, 222, 255, 222},
  };
  for (const Case& c : cases) {
    SetWave(c.sample);
    Voice& v = Voices[0];
    v.filterState = c.state;
    v.cutoff = c.cutoff;
    v.increment = 0;
    Mix(1);
    EXPECT_EQ(v.filterState, c.expect) << int(c.state) << "->" << int(c.sample);
  }
}

TEST_F(Mixer, ShiftOfSixteenGivesZeroOrMinusOne) {
  SetWave(128);
  Voice& v = Voices[0];
  v.volume = 200;
  v.cutoff = 0;  // state only falls, so it stays where it is set above 128
  v.leftShift = 16;
  v.rightShift = 16;
  v.filterState = 140;
  auto out = Mix(1);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 0);
  v.filterState = 100;
  v.cutoff = 255;
  SetWave(100);
  out = Mix(1);
  EXPECT_EQ(out[0], -1);
  EXPECT_EQ(out[1], -1);
}

TEST_F(Mixer, EightLoudVoicesSumExactly) {
  SetWave(0);
  lastVoice = 7;
  for (Voice& v : Voices) {
    v.volume = 255;
    v.filterState = 0;
    v.cutoff = 255;
    v.leftShift = 3;
    v.rightShift = 3;
  }
  auto out = Mix(1);
  EXPECT_EQ(out[0], -(255 * 128));
  EXPECT_EQ(out[1], -(255 * 128));
}

TEST_F(Mixer, VoicesAboveLastVoiceAreNeitherAdvancedNorHeard) {
  Voices[1].increment = 12345;
  Voices[1].volume = 255;
  Voices[1].cutoff = 255;
  Voices[0].volume = 0;
  auto out = Mix(10);
  EXPECT_EQ(Voices[1].phase, 0u);
  for (int16_t s : out) EXPECT_EQ(s, 0);
  EXPECT_EQ(Voices[0].phase, 0u);
}

// The block mixer against the one-frame-at-a-time definition, over random voice settings,
// wavetables and block lengths.
TEST_F(Mixer, BlockMixerMatchesTheReference) {
  std::mt19937 rng(7);
  auto randomVoices = [&] {
    for (Voice& v : Voices) {
      v.increment = rng() % 1500000;
      v.pulseWidth = rng() & 255;
      v.volume = rng() & 255;
      v.cutoff = rng() & 255;
      v.noise = (rng() & 3) == 0;
      v.filterState = rng() & 255;
      v.leftShift = rng() % 17;
      v.rightShift = rng() % 17;
      v.activePulseWidth = rng() & 255;
      v.lastPhaseByte = rng() & 255;
      v.phase = rng();
    }
  };
  struct Saved {
    uint32_t phase;
    uint8_t fs, apw, lpb;
  };
  for (int round = 0; round < 40; ++round) {
    lastVoice = round % 8;
    for (int i = 0; i < 512; ++i) Wavetable[i].store(round % 3 == 0 ? rng() & 255 : WavetableAt(i));
    randomVoices();
    Saved saved[8];
    for (int v = 0; v < 8; ++v)
      saved[v] = {Voices[v].phase, Voices[v].filterState, Voices[v].activePulseWidth,
                  Voices[v].lastPhaseByte};
    const uint32_t frames = 1 + rng() % 3000;
    std::vector<int16_t> fast(2 * frames), slow(2 * frames);
    MixFrames(fast.data(), frames);
    Saved after[8];
    for (int v = 0; v < 8; ++v) {
      after[v] = {Voices[v].phase, Voices[v].filterState, Voices[v].activePulseWidth,
                  Voices[v].lastPhaseByte};
      Voices[v].phase = saved[v].phase;
      Voices[v].filterState = saved[v].fs;
      Voices[v].activePulseWidth = saved[v].apw;
      Voices[v].lastPhaseByte = saved[v].lpb;
    }
    MixFramesReference(slow.data(), frames);
    ASSERT_EQ(fast, slow) << "round " << round;
    for (int v = 0; v < 8; ++v) {
      ASSERT_EQ(after[v].phase, Voices[v].phase);
      ASSERT_EQ(after[v].fs, Voices[v].filterState);
      ASSERT_EQ(after[v].apw, Voices[v].activePulseWidth);
      ASSERT_EQ(after[v].lpb, Voices[v].lastPhaseByte);
    }
  }
}

}  // namespace
}  // namespace quandor
