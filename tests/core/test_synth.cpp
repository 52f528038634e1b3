#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "synth/tables.h"
#include "synth/timbre.h"
#include "synth/wavetable.h"

namespace quandor {
namespace {

class SynthTables : public ::testing::Test {
 protected:
  void SetUp() override {
    sampleRate = 44100;
    InitSynthTables();
  }
  void TearDown() override { sampleRate = 44100; }
};

TEST_F(SynthTables, PitchTableAtBothRates) {
  EXPECT_EQ(PitchTable[0], 0u);
  EXPECT_EQ(PitchTable[1], 380u);
  uint32_t old[4096];
  std::memcpy(old, PitchTable, sizeof old);
  sampleRate = 48000;
  BuildPitchTable();
  EXPECT_EQ(PitchTable[0], 0u);
  EXPECT_EQ(PitchTable[1], 349u);
  for (int i = 1; i < 4096; ++i) {
    ASSERT_NE(PitchTable[i], old[i]) << i;
    ASSERT_EQ(PitchTable[i], (static_cast<uint64_t>(i) << 24) / 48000) << i;
  }
}

TEST_F(SynthTables, LookupPitchIndices) {
  struct Case {
    uint8_t pitch, octave;
    int index;
  };
  const Case cases[] = {{0, 0, 16},
                        {15, 0, 16},
                        {16, 0, 17},
                        {0, 4, 256},
                        {128, 4, 384},
                        {255, 4, 511},
                        {255, 7, 2048 + 8 * 255},
                        {1, 5, 514}};
  for (const Case& c : cases)
    EXPECT_EQ(LookupPitch(c.pitch, c.octave), PitchTable[c.index])
        << int(c.pitch) << " " << int(c.octave);
}

TEST_F(SynthTables, ShapeTableSamples) {
  struct Case {
    int w, j, value;
  };
  const Case cases[] = {
      {0, 0, 256},     {0, 1, 1},     {0, 255, 255},   {1, 0, 256},   {1, 1, 384},
      {1, 2, 1},       {1, 255, 254}, {64, 1, 259},    {64, 64, 508}, {64, 65, 1},
      {64, 255, 254},  {127, 1, 258}, {127, 127, 510}, {127, 128, 1}, {200, 1, 257},
      {200, 200, 510}, {200, 201, 4}, {200, 255, 251}, {254, 1, 257}, {254, 254, 510},
      {254, 255, 128}, {255, 1, 257}, {255, 255, 511},
  };
  for (const Case& c : cases) EXPECT_EQ(ShapeTable[c.j][c.w], c.value) << c.w << "," << c.j;
  for (int j = 0; j < 256; ++j) {
    EXPECT_EQ(ShapeTable[j][255], 256 + j);
    for (int w = 0; w < 256; ++w) {
      ASSERT_GE(ShapeTable[j][w], 1);
      ASSERT_LE(ShapeTable[j][w], 511);
    }
  }
}

TEST_F(SynthTables, NoiseTableIsTheSeededSequence) {
  const uint8_t first[8] = {198, 9, 167, 225, 181, 100, 111, 242};
  const uint8_t last[8] = {21, 92, 158, 144, 189, 150, 193, 231};
  EXPECT_EQ(0, std::memcmp(NoiseTable, first, 8));
  EXPECT_EQ(0, std::memcmp(NoiseTable + 4088, last, 8));
}

TEST_F(SynthTables, RandomContinuesAfterTheNoiseTable) {
  const uint32_t firstKey[8] = {55, 32, 42, 54, 20, 15, 2, 21};
  const uint32_t secondKey[8] = {59, 29, 15, 29, 40, 22, 28, 30};
  for (uint32_t v : firstKey) EXPECT_EQ(Random(64), v);
  for (uint32_t v : secondKey) EXPECT_EQ(Random(64), v);
}

TEST_F(SynthTables, SineSources) {
  const uint8_t start[4] = {128, 130, 131, 133};
  EXPECT_EQ(0, std::memcmp(SineSource, start, 4));
  EXPECT_EQ(SineSource[127], 255);
  EXPECT_EQ(SineSource[128], 255);
  EXPECT_EQ(SineSource[129], 255);
  EXPECT_EQ(SineSource[255], 129);
  EXPECT_EQ(SineSource[256], 127);
  EXPECT_EQ(SineSource[511], 128);
  EXPECT_EQ(*std::min_element(SineSource, SineSource + 512), 1);
  for (int k = 0; k <= 6; ++k) EXPECT_EQ(ShiftedSineSource[k], 1) << k;
  EXPECT_EQ(ShiftedSineSource[7], 2);
  EXPECT_EQ(ShiftedSineSource[127], 128);
  EXPECT_EQ(ShiftedSineSource[511], 1);
}

class Wavetables : public SynthTables {
 protected:
  void SetUp() override {
    SynthTables::SetUp();
    std::memcpy(HarmonicSources[0], SineSource, 512);
    std::memcpy(HarmonicSources[1], SineSource, 512);
    std::memset(HarmonicBanks, 0, 16);
  }
  void Build(const uint8_t* levels) {
    std::memcpy(HarmonicBanks, levels, 16);
    BuildWavetable();
  }
};

TEST_F(Wavetables, SilentAndSingleHarmonics) {
  uint8_t levels[16] = {};
  Build(levels);
  for (int i = 0; i < 512; ++i) ASSERT_EQ(WavetableAt(i), 128) << i;
  levels[0] = 16;
  Build(levels);
  for (int n = 0; n < 256; ++n) {
    ASSERT_EQ(WavetableAt(n), SineSource[n]) << n;
    ASSERT_EQ(WavetableAt(256 + n), 128) << n;
  }
  levels[0] = 0;
  levels[8] = 48;
  Build(levels);
  for (int n = 0; n < 256; ++n) {
    ASSERT_EQ(WavetableAt(n), 128) << n;
    ASSERT_EQ(WavetableAt(256 + n), 255 - SineSource[n]) << n;
  }
  levels[8] = 32;  // inversion flag with amplitude 0 contributes nothing
  Build(levels);
  for (int i = 0; i < 512; ++i) ASSERT_EQ(WavetableAt(i), 128) << i;
}

TEST_F(Wavetables, PresetCheckValues) {
  struct Entry {
    int index, value;
  };
  struct Case {
    int preset;
    std::vector<Entry> entries;
  };
  const Case cases[] = {
      {1,
       {{0, 128},
        {1, 148},
        {2, 168},
        {3, 189},
        {4, 208},
        {5, 228},
        {6, 248},
        {7, 255},
        {64, 255},
        {255, 143},
        {256, 127},
        {257, 104},
        {258, 85},
        {259, 63},
        {384, 0},
        {511, 108}}},
      {2,
       {{0, 128},
        {1, 129},
        {2, 130},
        {3, 132},
        {64, 219},
        {128, 247},
        {256, 127},
        {257, 124},
        {258, 122},
        {259, 118},
        {384, 0}}},
      {3,
       {{0, 128},
        {1, 131},
        {2, 134},
        {3, 137},
        {64, 255},
        {128, 127},
        {256, 127},
        {257, 121},
        {258, 115},
        {259, 108},
        {384, 127}}},
  };
  for (const Case& c : cases) {
    Build(HarmonicPresets[c.preset - 1]);
    for (const Entry& e : c.entries)
      EXPECT_EQ(WavetableAt(e.index), e.value) << "preset " << c.preset << " entry " << e.index;
  }
  Build(HarmonicPresets[0]);
  int high = 0, low = 0;
  for (int i = 0; i < 512; ++i) {
    high += WavetableAt(i) == 255;
    low += WavetableAt(i) == 0;
  }
  EXPECT_EQ(high, 243);
  EXPECT_EQ(low, 243);
}

TEST_F(Wavetables, DivisionTruncatesTowardZero) {
  // Source entry values chosen so one harmonic's product is -15, 15 or -16.
  uint8_t levels[16] = {};
  levels[0] = 1;
  std::memset(HarmonicSources[0], 128, 512);
  HarmonicSources[0][0] = 128 - 15;
  HarmonicSources[0][1] = 128 + 15;
  HarmonicSources[0][2] = 128 - 16;
  Build(levels);
  EXPECT_EQ(WavetableAt(0), 128);
  EXPECT_EQ(WavetableAt(1), 128);
  EXPECT_EQ(WavetableAt(2), 127);
}

class Timbre : public Wavetables {
 protected:
  void SetUp() override {
    Wavetables::SetUp();
    BankSelect = 0;
    LoadStartupTimbre();
  }
};

TEST_F(Timbre, LevelKeysWrapAndFollowTheBank) {
  HarmonicBanks[0] = 63;
  TimbreKey('1', 0);
  EXPECT_EQ(HarmonicBanks[0], 0);
  TimbreKey('1', 0x0001);  // left shift
  EXPECT_EQ(HarmonicBanks[0], 63);
  TimbreKey(' ', 0);
  EXPECT_EQ(BankSelect, 8);
  uint8_t before[16];
  std::memcpy(before, HarmonicBanks, 16);
  TimbreKey('8', 0);
  EXPECT_EQ(HarmonicBanks[15], (before[15] + 1) & 63);
  EXPECT_EQ(0, std::memcmp(HarmonicBanks, before, 8));
  TimbreKey(' ', 0);
  EXPECT_EQ(BankSelect, 0);
}

TEST_F(Timbre, SwapTwiceRestoresAndMarksTheZeros) {
  TimbreKey('t', 0);
  const uint8_t bank0[8] = {0x1F, 0x20, 0x0F, 0x20, 0x0C, 0x20, 0x0B, 0x20};
  const uint8_t bank1[8] = {0x3F, 0x20, 0x2F, 0x20, 0x2C, 0x20, 0x2B, 0x20};
  EXPECT_EQ(0, std::memcmp(HarmonicBanks, bank0, 8));
  EXPECT_EQ(0, std::memcmp(HarmonicBanks + 8, bank1, 8));
  TimbreKey('t', 0x0002);
  EXPECT_EQ(0, std::memcmp(HarmonicBanks, HarmonicPresets[0], 16));
}

TEST_F(Timbre, PresetSourceAndClearKeys) {
  TimbreKey('a', 0);
  EXPECT_EQ(0, std::memcmp(HarmonicSources[0], ShiftedSineSource, 512));
  TimbreKey('d', 0);
  EXPECT_EQ(0, std::memcmp(HarmonicSources[1], ShiftedSineSource, 512));
  TimbreKey('c', 0);
  EXPECT_EQ(0, std::memcmp(HarmonicBanks, HarmonicPresets[1], 16));
  TimbreKey('x', 0);  // levels back, sources stay shifted
  EXPECT_EQ(0, std::memcmp(HarmonicBanks, HarmonicPresets[0], 16));
  EXPECT_EQ(0, std::memcmp(HarmonicSources[0], ShiftedSineSource, 512));
  TimbreKey('s', 0);
  TimbreKey('f', 0);
  EXPECT_EQ(0, std::memcmp(HarmonicSources[0], SineSource, 512));
  EXPECT_EQ(0, std::memcmp(HarmonicSources[1], SineSource, 512));
  TimbreKey('q', 0);
  TimbreKey('w', 0);
  BuildWavetable();
  for (int i = 0; i < 512; ++i) ASSERT_EQ(WavetableAt(i), 128);
  EXPECT_FALSE(TimbreKey('b', 0));
  EXPECT_FALSE(TimbreKey(282, 0));  // F1
}

TEST_F(Timbre, RandomLevelKeysContinueTheGenerator) {
  TimbreKey('e', 0);
  const uint8_t first[8] = {55, 32, 42, 54, 20, 15, 2, 21};
  EXPECT_EQ(0, std::memcmp(HarmonicBanks, first, 8));
  TimbreKey('r', 0);
  const uint8_t second[8] = {59, 29, 15, 29, 40, 22, 28, 30};
  EXPECT_EQ(0, std::memcmp(HarmonicBanks + 8, second, 8));
}

}  // namespace
}  // namespace quandor
