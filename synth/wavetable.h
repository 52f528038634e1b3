// The shared harmonic wavetable that every voice plays. The main thread rebuilds it while the
// audio thread mixes from it, so its entries are relaxed atomics (single bytes, written once
// per build: a frame may mix old and new entries, never a torn one).
#pragma once
#include <atomic>
#include <cstdint>

namespace quandor {

extern uint8_t HarmonicBanks[16];  // bank 0 = 0..7, bank 1 = 8..15; bits 0-4 level, bit 5 invert
extern uint8_t HarmonicSources[2][512];       // source 0 feeds bank 0, source 1 bank 1
extern const uint8_t HarmonicPresets[3][16];  // presets 1..3 at indices 0..2
extern uint8_t BankSelect;                    // 0 or 8: the bank the level keys edit
extern std::atomic<uint8_t> Wavetable[512];   // 128 is silence

void BuildWavetable();

// Copies of the shared wavetable for code that wants plain bytes (display, tests).
inline uint8_t WavetableAt(int i) {
  return Wavetable[i].load(std::memory_order_relaxed);
}

}  // namespace quandor
