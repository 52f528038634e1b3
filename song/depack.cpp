#include "song/depack.h"

#include <cstring>

#include "shell/fatal.h"
#include "song/song.h"

namespace quandor {

namespace {
// Decoder state of one run. Every read and write checks its bound; a failure is sticky and
// ends the run at the next test of the main loop.
struct Decoder {
  const uint8_t* src;
  const uint8_t* srcEnd;
  uint8_t* dstStart;
  uint8_t* dst;
  uint8_t* dstEnd;
  uint32_t tag = 0x80;
  DepackStatus status = DepackStatus::Ok;

  uint8_t Byte() {
    if (src == srcEnd) {
      Fail(DepackStatus::InputEnded);
      return 0;
    }
    return *src++;
  }
  void Fail(DepackStatus s) {
    if (status == DepackStatus::Ok) status = s;
    src = srcEnd;  // nothing more is read once failed
  }
  uint32_t Bit() {
    uint32_t bit = (tag >> 7) & 1;
    tag = (tag << 1) & 0xFF;
    if (tag != 0) return bit;
    uint8_t b = Byte();
    tag = ((b << 1) | 1) & 0xFF;
    return b >> 7;
  }
  // Gamma numbers of a valid stream stay far below 2^32; a longer one is cut short as failed.
  uint32_t Gamma() {
    uint32_t v = 1;
    do {
      if (v & 0x80000000u) {
        Fail(DepackStatus::OutputFull);
        return 2;
      }
      v = 2 * v + Bit();
    } while (Bit() && status == DepackStatus::Ok);
    return v;
  }
  void Put(uint8_t b) {
    if (dst == dstEnd) {
      Fail(DepackStatus::OutputFull);
      return;
    }
    *dst++ = b;
  }
  void Copy(uint32_t offset, uint32_t length) {
    if (offset == 0 || offset > static_cast<size_t>(dst - dstStart)) {
      Fail(DepackStatus::BeforeStart);
      return;
    }
    if (length > static_cast<size_t>(dstEnd - dst)) {
      Fail(DepackStatus::OutputFull);
      return;
    }
    const uint8_t* from = dst - offset;
    if (offset >= length) {
      std::memcpy(dst, from, length);
      dst += length;
    } else {
      // Overlapping: byte by byte repeats the last offset bytes.
      for (uint32_t i = 0; i < length; ++i) *dst++ = from[i];
    }
  }
};
}  // namespace

DepackResult Depack(const uint8_t* src, size_t srcLen, uint8_t* dst, size_t dstCap) {
  Decoder d{src, src + srcLen, dst, dst, dst + dstCap};
  uint32_t lastOffset = 0;
  bool haveLastOffset = false;
  uint32_t bias;

  d.Put(d.Byte());
  bias = 2;
  while (d.status == DepackStatus::Ok) {
    if (!d.Bit()) {
      d.Put(d.Byte());
      bias = 2;
      continue;
    }
    if (!d.Bit()) {
      // "10": normal match.
      uint32_t g = d.Gamma();
      uint32_t offset, length;
      if (g == bias) {
        length = d.Gamma();
        if (!haveLastOffset) {
          d.Fail(DepackStatus::NoLastOffset);
          break;
        }
        offset = lastOffset;
      } else {
        uint32_t high = g - bias - 1;
        if (high > 0xFFFFFFu) {
          d.Fail(DepackStatus::BeforeStart);
          break;
        }
        offset = high * 256 + d.Byte();
        length = d.Gamma();
        if (offset >= 32000)
          length += 2;
        else if ((offset >> 8) >= 5)
          length += 1;
        else if (offset > 127)
          length += 0;
        else
          length += 2;
        lastOffset = offset;
        haveLastOffset = true;
      }
      if (d.status != DepackStatus::Ok) break;
      d.Copy(offset, length);
      bias = 1;
      continue;
    }
    if (!d.Bit()) {
      // "110": short match or the end marker.
      uint32_t x = d.Byte();
      if (d.status != DepackStatus::Ok) break;
      if (x / 2 == 0) break;
      lastOffset = x / 2;
      haveLastOffset = true;
      d.Copy(x / 2, 2 + (x & 1));
      bias = 1;
      continue;
    }
    // "111": single byte, zero or from up to 15 back.
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = 2 * v + d.Bit();
    if (d.status != DepackStatus::Ok) break;
    if (v == 0)
      d.Put(0);
    else
      d.Copy(v, 1);
    bias = 2;
  }
  return {static_cast<uint32_t>(d.dst - d.dstStart), d.status};
}

const char* DepackStatusText(DepackStatus status) {
  switch (status) {
    case DepackStatus::Ok:
      return "ok";
    case DepackStatus::InputEnded:
      return "compressed payload ends early";
    case DepackStatus::OutputFull:
      return "compressed payload produces more than the unpacked size";
    case DepackStatus::BeforeStart:
      return "compressed payload copies from before its output";
    case DepackStatus::NoLastOffset:
      return "compressed payload reuses an offset it never set";
  }
  return "compressed payload is damaged";
}

bool DepackPayload() {
  const size_t newSize = static_cast<size_t>(headerSize) + unpackedSize;
  uint8_t* fresh = new (std::nothrow) uint8_t[newSize];
  if (!fresh) ReportFatal(203);
  std::memcpy(fresh, SongBuffer, headerSize);
  DepackResult r =
      Depack(SongBuffer + headerSize, SongSize - headerSize, fresh + headerSize, unpackedSize);
  delete[] SongBuffer;
  SongBuffer = fresh;
  SongSize = static_cast<uint32_t>(newSize);
  if (r.status != DepackStatus::Ok) {
    LoadError = DepackStatusText(r.status);
    return false;
  }
  if (r.written != unpackedSize) {
    LoadError = "compressed payload gives " + std::to_string(r.written) + " bytes, header says " +
                std::to_string(unpackedSize);
    return false;
  }
  return true;
}

}  // namespace quandor
