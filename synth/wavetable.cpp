#include "synth/wavetable.h"

namespace quandor {

uint8_t HarmonicBanks[16];
uint8_t HarmonicSources[2][512];
const uint8_t HarmonicPresets[3][16] = {
    {0x1F, 0x00, 0x0F, 0x00, 0x0C, 0x00, 0x0B, 0x00, 0x3F, 0x00, 0x2F, 0x00, 0x2C, 0x00, 0x2B,
     0x00},
    {0x0F, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3F, 0x0E, 0x25, 0x22, 0x00, 0x00, 0x00,
     0x00},
    {0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x30, 0x00, 0x00, 0x00,
     0x00},
};
uint8_t BankSelect = 0;
std::atomic<uint8_t> Wavetable[512];

void BuildWavetable() {
  for (int h = 0; h < 2; ++h) {
    for (int n = 0; n < 256; ++n) {
      int16_t acc = 0;
      for (int k = 0; k < 8; ++k) {
        uint8_t level = HarmonicBanks[8 * h + k];
        uint8_t src = HarmonicSources[h][(n * (k + 1)) % 512];
        int8_t s = static_cast<int8_t>(src ^ static_cast<uint8_t>(128 - (level >> 5)));
        int p = (level & 31) * s;
        acc = static_cast<int16_t>(acc + p / 16);  // C++ division truncates toward zero
      }
      if (acc < -128) acc = -128;
      if (acc > 127) acc = 127;
      Wavetable[256 * h + n].store(static_cast<uint8_t>(acc + 128), std::memory_order_relaxed);
    }
  }
}

}  // namespace quandor
