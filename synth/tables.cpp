#include "synth/tables.h"

#include <cmath>

namespace quandor {

uint16_t sampleRate = 44100;
uint32_t PitchTable[4096];
uint8_t NoiseTable[4096];
uint16_t ShapeTable[256][256];
uint8_t SineSource[512];
uint8_t ShiftedSineSource[512];

namespace {
// MT19937, reference seeding, regeneration and tempering. Owned by Random/BuildNoiseTable.
uint32_t mtState[624];
int mtIndex = 625;  // not seeded yet

void SeedGenerator(uint32_t seed) {
  mtState[0] = seed;
  for (uint32_t i = 1; i < 624; ++i)
    mtState[i] = 1812433253u * (mtState[i - 1] ^ (mtState[i - 1] >> 30)) + i;
  mtIndex = 624;
}

uint32_t NextOutput() {
  if (mtIndex >= 624) {
    if (mtIndex > 624) SeedGenerator(5489u);  // reference default seed
    for (int i = 0; i < 624; ++i) {
      uint32_t y = (mtState[i] & 0x80000000u) | (mtState[(i + 1) % 624] & 0x7FFFFFFFu);
      mtState[i] = mtState[(i + 397) % 624] ^ (y >> 1) ^ ((y & 1u) ? 0x9908B0DFu : 0u);
    }
    mtIndex = 0;
  }
  uint32_t y = mtState[mtIndex++];
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  y ^= y >> 18;
  return y;
}

void BuildShapeTable() {
  for (uint32_t w = 0; w < 256; ++w)
    for (uint32_t j = 0; j < 256; ++j) {
      uint32_t q = 256 * j / (w + 1);
      ShapeTable[j][w] = static_cast<uint16_t>(q <= 255 ? 256 + q : 256 * (j - w) / (256 - w));
    }
}

void BuildSines() {
  const double pi = 3.14159265358979323846;
  for (int k = 0; k < 512; ++k) {
    SineSource[k] = static_cast<uint8_t>(128 + std::lround(127.0 * std::sin(2.0 * pi * k / 511.0)));
    ShiftedSineSource[k] =
        static_cast<uint8_t>(128 + std::lround(127.0 * std::sin(2.0 * pi * (k - 127) / 511.0)));
  }
}
}  // namespace

uint32_t Random(uint32_t n) {
  return static_cast<uint32_t>((static_cast<uint64_t>(NextOutput()) * n) >> 32);
}

void BuildNoiseTable(uint32_t seed) {
  SeedGenerator(seed);
  for (int k = 0; k < 4096; ++k) NoiseTable[k] = static_cast<uint8_t>(Random(256));
}

uint32_t PitchIncrement(uint16_t index) {
  return static_cast<uint32_t>((static_cast<uint64_t>(index) << 24) / sampleRate);
}

void BuildPitchTable() {
  for (uint32_t i = 0; i < 4096; ++i) PitchTable[i] = PitchIncrement(static_cast<uint16_t>(i));
}

void InitSynthTables() {
  BuildShapeTable();
  BuildNoiseTable(0x12345678u);
  BuildPitchTable();
  BuildSines();
}

}  // namespace quandor
