#include "player/formats.h"

#include "synth/wavetable.h"

namespace quandor {

namespace {
const char kDigits[] = "0123456789ABCDEF";
}  // namespace

std::string HexByte(uint8_t v) {
  return {kDigits[v >> 4], kDigits[v & 15]};
}

std::string Hex3(uint32_t v) {
  return {kDigits[(v >> 8) & 15], kDigits[(v >> 4) & 15], kDigits[v & 15]};
}

std::string FormatTime(uint32_t seconds) {
  const uint32_t tensOfMinutes = seconds / 600;
  // The digit string ends at F (159 minutes); longer times get a mark instead of a stray byte.
  const char first = tensOfMinutes < 16 ? kDigits[tensOfMinutes] : '+';
  return {first, kDigits[(seconds / 60) % 10], ':', kDigits[(seconds % 60) / 10],
          kDigits[seconds % 10]};
}

std::string BankHexText(int b) {
  std::string text;
  for (int i = 0; i < 8; ++i) text += HexByte(HarmonicBanks[b + i]) + " ";
  return text;
}

}  // namespace quandor
