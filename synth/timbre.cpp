#include "synth/timbre.h"

#include <cstring>

#include "synth/tables.h"
#include "synth/wavetable.h"

namespace quandor {

void LoadStartupTimbre() {
  std::memcpy(HarmonicBanks, HarmonicPresets[0], 16);
  std::memcpy(HarmonicSources[0], SineSource, 512);
  std::memcpy(HarmonicSources[1], SineSource, 512);
}

bool TimbreKey(uint32_t symbol, uint32_t modifiers) {
  const bool shift = (modifiers & 0x0003) != 0;
  switch (symbol) {
    case 32:
      BankSelect = BankSelect == 0 ? 8 : 0;
      return true;
    case 97:
      std::memcpy(HarmonicSources[0], ShiftedSineSource, 512);
      return true;
    case 115:
      std::memcpy(HarmonicSources[0], SineSource, 512);
      return true;
    case 100:
      std::memcpy(HarmonicSources[1], ShiftedSineSource, 512);
      return true;
    case 102:
      std::memcpy(HarmonicSources[1], SineSource, 512);
      return true;
    case 120:
    case 99:
    case 118:
      std::memcpy(HarmonicBanks, HarmonicPresets[symbol == 120 ? 0 : symbol == 99 ? 1 : 2], 16);
      return true;
    case 101:
    case 114: {
      // Continues the generator after the noise table's draws.
      const int first = symbol == 101 ? 0 : 8;
      for (int k = 0; k < 8; ++k) HarmonicBanks[first + k] = static_cast<uint8_t>(Random(64));
      return true;
    }
    case 113:
      std::memset(HarmonicBanks, 0, 8);
      return true;
    case 119:
      std::memset(HarmonicBanks + 8, 0, 8);
      return true;
    case 116:
      for (int k = 0; k < 8; ++k) {
        uint8_t low = HarmonicBanks[k];
        HarmonicBanks[k] = HarmonicBanks[8 + k] ^ 32;
        HarmonicBanks[8 + k] = low ^ 32;
      }
      return true;
    default:
      if (symbol >= 49 && symbol <= 56) {
        const int i = static_cast<int>(symbol - 49) + BankSelect;
        HarmonicBanks[i] = static_cast<uint8_t>((HarmonicBanks[i] + (shift ? -1 : 1)) & 63);
        return true;
      }
      return false;
  }
}

}  // namespace quandor
