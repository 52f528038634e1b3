// The player's text formats: hex digits and times, upper-case digits.
#pragma once
#include <cstdint>
#include <string>

namespace quandor {

std::string HexByte(uint8_t v);
// Bits 8-11, 4-7 and 0-3 of v.
std::string Hex3(uint32_t v);
// MM:SS from seconds; 100 to 159 minutes show A to F in the first place, 160 minutes or more a
// '+' there.
std::string FormatTime(uint32_t seconds);
// HexByte of levels b..b+7 of HarmonicBanks, each followed by a blank (b is 0 or 8).
std::string BankHexText(int b);

}  // namespace quandor
