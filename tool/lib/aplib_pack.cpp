#include "tool/lib/aplib_pack.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace quandor::tool {

namespace {

// Bits of a gamma number v >= 2: one data bit and one continue bit per bit below the top one.
inline uint32_t GammaBits(uint32_t v) {
  return 2 * (std::bit_width(v) - 1);
}

// The length the depacker adds to a match with a new offset; it gives far and very near
// offsets their minimum useful lengths.
inline uint32_t LengthBonus(uint32_t offset) {
  if (offset >= 32000) return 2;
  if (offset >= 1280) return 1;
  if (offset > 127) return 0;
  return 2;
}

// Shortest match a new-offset token can say at this offset (its gamma is at least 2).
inline uint32_t MinMatchLength(uint32_t offset) {
  return 2 + LengthBonus(offset);
}

// bias is 2 after a literal or single-byte token, 1 after a match.
inline uint32_t MatchBits(uint32_t offset, uint32_t length, uint32_t bias) {
  return 2 + GammaBits((offset >> 8) + bias + 1) + 8 + GammaBits(length - LengthBonus(offset));
}

constexpr uint32_t kLiteralBits = 9;
constexpr uint32_t kSingleByteBits = 7;
constexpr uint32_t kShortMatchBits = 11;
inline uint32_t RepeatBits(uint32_t length) {
  return 2 + GammaBits(2) + GammaBits(length);
}

enum Kind : uint8_t { kLiteral, kSingleByte, kShortMatch, kMatch, kRepeat };

// One way of reaching a position: the token that ends there and the state after it.
struct Arrival {
  uint32_t cost;    // bits from the block start
  uint32_t rep;     // last offset after the token (0: none yet)
  uint32_t from;    // position the token starts at
  uint32_t offset;  // match offset, or the single-byte form's 0..15
  uint32_t length;
  uint8_t fromSlot;
  uint8_t kind;
  uint8_t bias;  // 2 after a literal or single byte, 1 after a match
  uint8_t used;
};

// Writes tokens in the interleaved order the depacker reads them: a tag byte is reserved in
// the output at the moment its first bit is written, bytes follow as they come.
struct BitWriter {
  std::vector<uint8_t>& out;
  size_t tagPos = 0;
  int bitsLeft = 0;
  uint32_t bias = 2;

  void Bit(uint32_t b) {
    if (bitsLeft == 0) {
      tagPos = out.size();
      out.push_back(0);
      bitsLeft = 8;
    }
    --bitsLeft;
    if (b) out[tagPos] |= static_cast<uint8_t>(1u << bitsLeft);
  }
  void Byte(uint8_t b) { out.push_back(b); }
  void Gamma(uint32_t v) {
    for (int i = std::bit_width(v) - 2; i >= 0; --i) {
      Bit((v >> i) & 1);
      Bit(i > 0);
    }
  }
  void Literal(uint8_t b) {
    Bit(0);
    Byte(b);
    bias = 2;
  }
  void SingleByte(uint32_t v) {
    Bit(1), Bit(1), Bit(1);
    for (int i = 3; i >= 0; --i) Bit((v >> i) & 1);
    bias = 2;
  }
  void ShortMatch(uint32_t offset, uint32_t length) {
    Bit(1), Bit(1), Bit(0);
    Byte(static_cast<uint8_t>(offset * 2 + (length - 2)));
    bias = 1;
  }
  void Repeat(uint32_t length) {
    Bit(1), Bit(0);
    Gamma(2);
    Gamma(length);
    bias = 1;
  }
  void Match(uint32_t offset, uint32_t length) {
    Bit(1), Bit(0);
    Gamma((offset >> 8) + bias + 1);
    Byte(static_cast<uint8_t>(offset & 0xFF));
    Gamma(length - LengthBonus(offset));
    bias = 1;
  }
  void End() {
    Bit(1), Bit(1), Bit(0);
    Byte(0);
  }
};

// Length of the match at offset from position i, at most limit bytes.
inline uint32_t MatchLength(const uint8_t* data, size_t i, uint32_t offset, uint32_t limit) {
  const uint8_t* a = data + i;
  const uint8_t* b = a - offset;
  uint32_t n = 0;
  while (n + 8 <= limit) {
    uint64_t x, y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (x != y) return n + static_cast<uint32_t>(std::countr_zero(x ^ y) / 8);
    n += 8;
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

struct Candidate {
  uint32_t offset;
  uint32_t length;
};

// Match finder: the latest position of every two-byte value (the nearest length-2 match) and
// hash chains over three bytes for longer ones.
struct Finder {
  const uint8_t* data;
  size_t size;
  int hashBits;
  std::vector<int32_t> head3, prev3, head2;
  size_t inserted = 0;  // positions below this are in the tables

  Finder(const uint8_t* d, size_t n) : data(d), size(n) {
    // At 24 bits the three bytes are the index itself: chains then hold true matches only.
    hashBits = std::clamp(static_cast<int>(std::bit_width(n)) + 1, 12, 24);
    head3.assign(size_t{1} << hashBits, -1);
    prev3.assign(n, -1);
    head2.assign(65536, -1);
  }
  uint32_t Hash3(size_t p) const {
    uint32_t v = data[p] | data[p + 1] << 8 | data[p + 2] << 16;
    return hashBits == 24 ? v : (v * 2654435761u) >> (32 - hashBits);
  }
  void InsertUpTo(size_t end) {
    for (; inserted < end; ++inserted) {
      const size_t p = inserted;
      if (p + 1 < size) head2[data[p] | data[p + 1] << 8] = static_cast<int32_t>(p);
      if (p + 2 < size) {
        uint32_t h = Hash3(p);
        prev3[p] = head3[h];
        head3[h] = static_cast<int32_t>(p);
      }
    }
  }
  // Candidates at i, nearest first, each longer than the one before; limit caps lengths.
  void Find(size_t i, uint32_t limit, int depth, uint32_t nice, std::vector<Candidate>& out) {
    out.clear();
    InsertUpTo(i);
    if (limit < 2) return;
    int32_t q2 = head2[data[i] | data[i + 1] << 8];
    uint32_t best = 1;
    if (q2 >= 0) {
      out.push_back({static_cast<uint32_t>(i - q2), 2});
      best = 2;
    }
    if (limit < 3) return;
    for (int32_t q = head3[Hash3(i)]; q >= 0 && depth-- > 0; q = prev3[q]) {
      const uint32_t offset = static_cast<uint32_t>(i - q);
      if (best < limit && data[q + best] != data[i + best]) continue;
      const uint32_t len = MatchLength(data, i, offset, limit);
      if (len <= best) continue;
      if (len >= 3) {
        // The two-byte candidate is kept only when it is nearer than this one.
        if (!out.empty() && out.back().length == 2 && out.back().offset >= offset) out.pop_back();
        out.push_back({offset, len});
        best = len;
        if (len >= nice || len == limit) break;
      }
    }
  }
};

// Adds a way of reaching a position, keeping the cheapest few states (bias, last offset).
inline void Relax(Arrival* slots, int k, const Arrival& a) {
  int worst = -1;
  for (int s = 0; s < k; ++s) {
    Arrival& x = slots[s];
    if (!x.used) {
      x = a;
      return;
    }
    if (x.bias == a.bias && x.rep == a.rep) {
      if (a.cost < x.cost) x = a;
      return;
    }
    if (worst < 0 || x.cost > slots[worst].cost) worst = s;
  }
  if (a.cost < slots[worst].cost) slots[worst] = a;
}

}  // namespace

std::vector<uint8_t> PackAplib(const uint8_t* data, size_t size) {
  return PackAplib(data, size, PackEffort{});
}

std::vector<uint8_t> PackAplib(const uint8_t* data, size_t size, const PackEffort& effort) {
  std::vector<uint8_t> out;
  if (size == 0) return out;
  out.reserve(size / 2 + 16);
  BitWriter writer{out};
  writer.Byte(data[0]);  // the stream always starts with a plain literal

  const int k = std::clamp(effort.arrivals, 1, 16);
  const uint32_t nice = std::max<uint32_t>(effort.niceLength, 4);
  const int depth = std::max(effort.chainDepth, 1);
  // The parse runs over blocks so its tables stay small; a block ends in its cheapest state,
  // which the next block starts from.
  constexpr size_t kBlock = size_t{1} << 17;
  std::vector<Arrival> table((kBlock + 1) * k);
  std::vector<Candidate> cands;
  std::vector<Arrival> path;
  Finder finder(data, size);
  uint32_t rep = 0;
  uint8_t bias = 2;

  for (size_t bs = 1; bs < size; bs += kBlock) {
    const size_t be = std::min(size, bs + kBlock);
    const size_t span = be - bs;
    std::fill(table.begin(), table.begin() + (span + 1) * k, Arrival{});
    auto at = [&](size_t pos) { return &table[(pos - bs) * k]; };
    at(bs)[0] = Arrival{0, rep, 0, 0, 0, 0, kLiteral, bias, 1};

    for (size_t i = bs; i < be;) {
      Arrival* here = at(i);
      const uint32_t limit = static_cast<uint32_t>(be - i);
      // The single-byte form beats a literal whenever it applies.
      uint32_t near = 16;
      if (data[i] == 0) {
        near = 0;
      } else {
        for (uint32_t v = 1; v <= 15 && v <= i; ++v)
          if (data[i - v] == data[i]) {
            near = v;
            break;
          }
      }
      const Arrival* best[3] = {nullptr, nullptr, nullptr};  // cheapest by bias
      uint32_t jump = 0;
      for (int s = 0; s < k && here[s].used; ++s) {
        const Arrival& a = here[s];
        if (!best[a.bias] || a.cost < best[a.bias]->cost) best[a.bias] = &a;
        Arrival step{a.cost + (near < 16 ? kSingleByteBits : kLiteralBits),
                     a.rep,
                     static_cast<uint32_t>(i),
                     near,
                     1,
                     static_cast<uint8_t>(s),
                     near < 16 ? kSingleByte : kLiteral,
                     2,
                     1};
        Relax(at(i + 1), k, step);
        if (a.bias == 2 && a.rep != 0 && a.rep <= i && limit >= 2) {
          const uint32_t len = MatchLength(data, i, a.rep, limit);
          if (len >= 2) {
            const uint32_t from = len >= nice ? len : 2;
            for (uint32_t l = from; l <= len; ++l)
              Relax(at(i + l), k,
                    {a.cost + RepeatBits(l), a.rep, static_cast<uint32_t>(i), a.rep, l,
                     static_cast<uint8_t>(s), kRepeat, 1, 1});
            if (len >= nice) jump = std::max(jump, len);
          }
        }
      }

      finder.Find(i, limit, depth, nice, cands);
      uint32_t covered = 1;
      for (const Candidate& c : cands) {
        if (c.length >= nice) jump = std::max(jump, c.length);
        for (int b = 1; b <= 2; ++b) {
          if (!best[b]) continue;
          const Arrival& a = *best[b];
          const uint8_t slot = static_cast<uint8_t>(&a - here);
          if (c.offset <= 127)
            for (uint32_t l = 2; l <= std::min<uint32_t>(3, c.length); ++l)
              Relax(at(i + l), k,
                    {a.cost + kShortMatchBits, c.offset, static_cast<uint32_t>(i), c.offset, l,
                     slot, kShortMatch, 1, 1});
          uint32_t from = std::max(covered + 1, MinMatchLength(c.offset));
          if (c.length >= nice) from = std::max(from, c.length);
          for (uint32_t l = from; l <= c.length; ++l)
            Relax(at(i + l), k,
                  {a.cost + MatchBits(c.offset, l, b), c.offset, static_cast<uint32_t>(i), c.offset,
                   l, slot, kMatch, 1, 1});
        }
        covered = std::max(covered, c.length);
      }
      // A long match is taken whole: the positions it covers are not weighed one by one.
      i += jump >= nice ? jump : 1;
    }

    // Walk back from the cheapest end state and write the block's tokens.
    const Arrival* end = at(be);
    int bestSlot = 0;
    for (int s = 1; s < k && end[s].used; ++s)
      if (end[s].cost < end[bestSlot].cost) bestSlot = s;
    rep = end[bestSlot].rep;
    bias = end[bestSlot].bias;
    path.clear();
    for (size_t pos = be; pos > bs;) {
      const Arrival& a = at(pos)[bestSlot];
      path.push_back(a);
      pos = a.from;
      bestSlot = a.fromSlot;
    }
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
      switch (it->kind) {
        case kLiteral:
          writer.Literal(data[it->from]);
          break;
        case kSingleByte:
          writer.SingleByte(it->offset);
          break;
        case kShortMatch:
          writer.ShortMatch(it->offset, it->length);
          break;
        case kRepeat:
          writer.Repeat(it->length);
          break;
        case kMatch:
          writer.Match(it->offset, it->length);
          break;
      }
    }
  }
  writer.End();
  return out;
}

TokenCounts CountTokens(const uint8_t* stream, size_t size) {
  TokenCounts t;
  size_t pos = 0;
  uint32_t tag = 0x80;
  bool bad = false;
  auto byte = [&]() -> uint32_t {
    if (pos >= size) {
      bad = true;
      return 0;
    }
    return stream[pos++];
  };
  auto bit = [&]() -> uint32_t {
    uint32_t b = (tag >> 7) & 1;
    tag = (tag << 1) & 0xFF;
    if (tag) return b;
    uint32_t x = byte();
    tag = ((x << 1) | 1) & 0xFF;
    return x >> 7;
  };
  auto gamma = [&]() -> uint32_t {
    uint32_t v = 1;
    do {
      if (v & 0x80000000u) bad = true;
      v = 2 * v + bit();
    } while (bit() && !bad);
    return v;
  };
  byte();
  ++t.literals;
  uint32_t bias = 2;
  while (!bad) {
    if (!bit()) {
      byte();
      ++t.literals;
      bias = 2;
    } else if (!bit()) {
      if (gamma() == bias) {
        ++t.repeats;
      } else {
        byte();
        ++t.matches;
      }
      gamma();
      bias = 1;
    } else if (!bit()) {
      if (byte() < 2) {
        t.ended = !bad;
        break;
      }
      ++t.shortMatches;
      bias = 1;
    } else {
      uint32_t v = 0;
      for (int i = 0; i < 4; ++i) v = 2 * v + bit();
      ++(v == 0 ? t.zeroBytes : t.nearBytes);
      bias = 2;
    }
  }
  return t;
}

}  // namespace quandor::tool
