// Hand-writes aPLib streams bit by bit for depacker tests: tag bytes are reserved at the
// moment the first of their bits is needed, as the decoder reads them.
#pragma once
#include <cstdint>
#include <vector>

namespace quandor::test {

struct BitStream {
  std::vector<uint8_t> bytes;
  size_t tagAt = 0;
  int bitsUsed = 8;

  BitStream& Byte(uint8_t b) {
    bytes.push_back(b);
    return *this;
  }
  BitStream& Bit(int b) {
    if (bitsUsed == 8) {
      tagAt = bytes.size();
      bytes.push_back(0);
      bitsUsed = 0;
    }
    if (b) bytes[tagAt] |= static_cast<uint8_t>(0x80 >> bitsUsed);
    ++bitsUsed;
    return *this;
  }
  BitStream& Gamma(uint32_t v) {
    int top = 31;
    while (!(v >> top & 1)) --top;
    for (int i = top - 1; i >= 0; --i) {
      Bit(v >> i & 1);
      Bit(i > 0);
    }
    return *this;
  }
  // Forms after the first literal.
  BitStream& Literal(uint8_t b) { return Bit(0).Byte(b); }
  BitStream& Match(uint32_t g, uint8_t low, uint32_t lengthGamma) {
    return Bit(1).Bit(0).Gamma(g).Byte(low).Gamma(lengthGamma);
  }
  BitStream& Repeat(uint32_t bias, uint32_t lengthGamma) {
    return Bit(1).Bit(0).Gamma(bias).Gamma(lengthGamma);
  }
  BitStream& Short(uint8_t x) { return Bit(1).Bit(1).Bit(0).Byte(x); }
  BitStream& Single(int v) {
    return Bit(1).Bit(1).Bit(1).Bit(v >> 3 & 1).Bit(v >> 2 & 1).Bit(v >> 1 & 1).Bit(v & 1);
  }
  BitStream& End() { return Short(0); }
};

}  // namespace quandor::test
