// The depacker on arbitrary streams with an output bound taken from the input. The decoder
// must stay inside both buffers (ASan checks that: the buffers are exact-size heap copies)
// and report a count that agrees with its status.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "song/depack.h"

using namespace quandor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first two bytes give the output capacity (0 to 65535), the rest is the stream.
  const size_t cap = data[0] | data[1] << 8;
  std::vector<uint8_t> src(data + 2, data + size);
  uint8_t* dst = new uint8_t[cap ? cap : 1];
  DepackResult r = Depack(src.data(), src.size(), dst, cap);
  if (r.written > cap) std::abort();
  if (r.status == DepackStatus::Ok && src.empty()) std::abort();  // nothing was there to end
  // Decoding is deterministic: a second run into a buffer cut to the count it reported
  // gives the same bytes and the same verdict when it had ended cleanly.
  if (r.status == DepackStatus::Ok && r.written > 0) {
    uint8_t* again = new uint8_t[r.written];
    DepackResult r2 = Depack(src.data(), src.size(), again, r.written);
    if (r2.status != DepackStatus::Ok || r2.written != r.written ||
        std::memcmp(dst, again, r.written) != 0)
      std::abort();
    delete[] again;
  }
  delete[] dst;
  return 0;
}
