// The live timbre keys: harmonic levels, presets, random levels and source waveforms.
// Main thread only; the player rebuilds the wavetable after every key-down event.
#pragma once
#include <cstdint>

namespace quandor {

// Acts on one key-down event (SDL key symbol and modifier mask). Keys without a timbre
// action change nothing. Returns whether the key had a timbre action.
bool TimbreKey(uint32_t symbol, uint32_t modifiers);

// Start-up timbre: preset 1 in both banks and the SineSource in both sources.
void LoadStartupTimbre();

}  // namespace quandor
