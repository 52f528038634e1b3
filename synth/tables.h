// Synth lookup tables and the program's one pseudo-random generator. Everything here is built
// on the main thread before audio opens and is read-only afterwards.
#pragma once
#include <cstdint>

namespace quandor {

extern uint16_t sampleRate;             // output frames per second; 44100 until start-up
extern uint32_t PitchTable[4096];       // phase increment per frame for i Hz
extern uint8_t NoiseTable[4096];        // pseudo-random wave positions
extern uint16_t ShapeTable[256][256];   // [wave position][pulse width] -> Wavetable index
extern uint8_t SineSource[512];         // sine on 128, period 511 steps
extern uint8_t ShiftedSineSource[512];  // the same, started 127 steps earlier

void InitSynthTables();
void BuildPitchTable();
uint32_t PitchIncrement(uint16_t index);
void BuildNoiseTable(uint32_t seed);
// A draw 0..n-1: (MT19937 output x n) >> 32.
uint32_t Random(uint32_t n);

inline uint32_t LookupPitch(uint8_t pitch, uint8_t octave) {
  return PitchTable[((256u + pitch) * 8u) >> (7 - (octave & 7))];
}

}  // namespace quandor
