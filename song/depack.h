// Decoder of the aPLib stream that holds a compressed song's row data.
#pragma once
#include <cstddef>
#include <cstdint>

namespace quandor {

enum class DepackStatus {
  Ok,            // end marker reached
  InputEnded,    // the stream needs bytes past the end of its input
  OutputFull,    // the stream writes more than the output holds
  BeforeStart,   // a match reaches before the first output byte (or has offset 0)
  NoLastOffset,  // the last offset is reused before any match has set it
};

struct DepackResult {
  uint32_t written;  // bytes written to the output
  DepackStatus status;
};

// Decodes from src (srcLen bytes) into dst (at most dstCap bytes) until the end marker.
// Any bound violation stops the decode at once; nothing outside either buffer is touched.
DepackResult Depack(const uint8_t* src, size_t srcLen, uint8_t* dst, size_t dstCap);

// One line of text for a status, for error messages.
const char* DepackStatusText(DepackStatus status);

// Replaces the loaded file in SongBuffer by its header followed by the depacked payload;
// true when exactly unpackedSize bytes came out.
bool DepackPayload();

}  // namespace quandor
