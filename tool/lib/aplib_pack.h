// Encoder for the aPLib stream format that the song loader's depacker reads.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quandor::tool {

// Compresses data into one stream (starting with a literal, ending with the end marker).
// data must not be empty: the stream format has no empty form.
std::vector<uint8_t> PackAplib(const uint8_t* data, size_t size);

}  // namespace quandor::tool
