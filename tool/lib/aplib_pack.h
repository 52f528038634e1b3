// Encoder for the aPLib stream format that the song loader's depacker reads.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quandor::tool {

// Search effort of the encoder. The defaults pack a 16 MiB payload in seconds; larger values
// search deeper and keep more parse states (slower, rarely much smaller).
struct PackEffort {
  int chainDepth = 16;        // hash-chain candidates looked at per position
  int arrivals = 6;           // parse states kept per position (by last offset and previous token)
  uint32_t niceLength = 128;  // a match this long is taken whole, without weighing shorter cuts
};

// Compresses data into one stream (starting with a literal, ending with the end marker).
// data must not be empty: the stream format has no empty form.
std::vector<uint8_t> PackAplib(const uint8_t* data, size_t size);
std::vector<uint8_t> PackAplib(const uint8_t* data, size_t size, const PackEffort& effort);

// Which token forms a stream uses, counted by walking it the way the depacker does. For tests
// and statistics; stops at the end marker or at the first malformed token.
struct TokenCounts {
  uint64_t literals = 0;      // "0" + byte (the first byte is counted here too)
  uint64_t matches = 0;       // "10" with a new offset
  uint64_t repeats = 0;       // "10" reusing the last offset
  uint64_t shortMatches = 0;  // "110" + byte, offsets 1..127, length 2 or 3
  uint64_t zeroBytes = 0;     // "111" + 0000
  uint64_t nearBytes = 0;     // "111" + 1..15
  bool ended = false;         // the end marker was reached
};
TokenCounts CountTokens(const uint8_t* stream, size_t size);

}  // namespace quandor::tool
