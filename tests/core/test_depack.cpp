#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "song/depack.h"
#include "tests/support/bit_stream.h"

namespace quandor {
namespace {

using test::BitStream;

struct Decoded {
  std::vector<uint8_t> out;
  DepackStatus status;
};

Decoded Decode(const std::vector<uint8_t>& stream, size_t cap = 4096) {
  std::vector<uint8_t> out(cap);
  DepackResult r = Depack(stream.data(), stream.size(), out.data(), cap);
  out.resize(r.written);
  return {out, r.status};
}

std::vector<uint8_t> Bytes(const std::string& s) {
  return {s.begin(), s.end()};
}

TEST(Depack, LiteralsAndEndMarker) {
  BitStream s;
  s.Byte('a').Literal('b').Literal('c').End().Byte(0xEE).Byte(0xEE);  // trailing bytes ignored
  Decoded d = Decode(s.bytes);
  EXPECT_EQ(d.status, DepackStatus::Ok);
  EXPECT_EQ(d.out, Bytes("abc"));
}

TEST(Depack, FirstByteIsALiteralBeforeAnyTag) {
  // The single byte 0x00 after 'x' is the tag: bits 1,1,0 then the short byte 0x01 ends.
  std::vector<uint8_t> stream = {'x', 0xC0, 0x01};
  Decoded d = Decode(stream);
  EXPECT_EQ(d.status, DepackStatus::Ok);
  EXPECT_EQ(d.out, Bytes("x"));
}

TEST(Depack, ShortMatchForms) {
  struct Case {
    uint8_t x;
    std::string expect;
  };
  const Case cases[] = {
      {0x02, "abbb"},   // offset 1, length 2
      {0x03, "abbbb"},  // offset 1, length 3
      {0x04, "abab"},   // offset 2, length 2
      {0x05, "ababa"},  // offset 2, length 3
  };
  for (const Case& c : cases) {
    BitStream s;
    s.Byte('a').Literal('b').Short(c.x).End();
    Decoded d = Decode(s.bytes);
    EXPECT_EQ(d.status, DepackStatus::Ok) << int(c.x);
    EXPECT_EQ(d.out, Bytes(c.expect)) << int(c.x);
  }
}

TEST(Depack, SingleByteForms) {
  BitStream s;
  s.Byte('a').Literal('b').Single(0).Single(1).Single(3).End();
  Decoded d = Decode(s.bytes);
  EXPECT_EQ(d.status, DepackStatus::Ok);
  EXPECT_EQ(d.out, (std::vector<uint8_t>{'a', 'b', 0, 0, 'b'}));
}

TEST(Depack, NormalMatchLengthAdjustsWithOffset) {
  // The same gamma length 2 after a literal (bias 2): high part g - 3.
  struct Case {
    uint32_t offset;
    uint32_t length;
  };
  const Case cases[] = {
      {1, 4},                  // 127 or less: +2
      {127, 4},   {128, 2},    // 128 .. 0x4FF: +0
      {0x4FF, 2}, {0x500, 3},  // high byte 5 or more: +1
      {31999, 3}, {32000, 4},  // 32000 or more: +2
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> prefix(c.offset);
    for (uint32_t i = 0; i < c.offset; ++i) prefix[i] = static_cast<uint8_t>(i * 7 + 1);
    BitStream s;
    s.Byte(prefix[0]);
    for (uint32_t i = 1; i < c.offset; ++i) s.Literal(prefix[i]);
    s.Match((c.offset >> 8) + 3, c.offset & 0xFF, 2).End();
    Decoded d = Decode(s.bytes, 70000);
    ASSERT_EQ(d.status, DepackStatus::Ok) << c.offset;
    ASSERT_EQ(d.out.size(), c.offset + c.length) << c.offset;
    for (uint32_t i = 0; i < c.length; ++i) EXPECT_EQ(d.out[c.offset + i], d.out[i]) << c.offset;
  }
}

TEST(Depack, OverlappingMatchRepeatsTheLastBytes) {
  BitStream s;
  s.Byte('z').Match(3, 1, 3).End();  // offset 1, length 3 + 2
  Decoded d = Decode(s.bytes);
  EXPECT_EQ(d.out, Bytes("zzzzzz"));
}

TEST(Depack, LastOffsetReuseDependsOnBias) {
  // After a literal, g = 2 reuses the last offset; after a match, g = 2 is a new offset with
  // high part 0; after a literal, g = 3 is a new offset with high part 0.
  BitStream reuse;
  reuse.Byte('a').Literal('b').Literal('c').Short(0x04).Literal('d').Repeat(2, 2).End();
  Decoded d = Decode(reuse.bytes);
  EXPECT_EQ(d.status, DepackStatus::Ok);
  EXPECT_EQ(d.out, Bytes("abcbcdcd"));  // last offset 2 reused, length 2

  BitStream afterMatch;
  afterMatch.Byte('a').Literal('b').Literal('c').Short(0x04).Match(2, 3, 2).End();
  d = Decode(afterMatch.bytes);
  EXPECT_EQ(d.status, DepackStatus::Ok);
  EXPECT_EQ(d.out, Bytes("abcbccbcc"));  // offset 3 (high 0), length 2 + 2

  BitStream afterLiteral;
  afterLiteral.Byte('a').Literal('b').Literal('c').Match(3, 2, 2).End();
  d = Decode(afterLiteral.bytes);
  EXPECT_EQ(d.out, Bytes("abcbcbc"));  // offset 2, length 4
}

TEST(Depack, TagNeededInsideAGammaIsReadAtThatPoint) {
  // Nine literals use up the first tag byte (8 bits) mid-stream; the long gamma of the match
  // then needs a fresh tag after its offset byte has been read.
  BitStream s;
  s.Byte('0');
  for (char c = '1'; c <= '8'; ++c) s.Literal(static_cast<uint8_t>(c));
  s.Match(3, 9, 8).End();  // offset 9, length 8 + 2
  Decoded d = Decode(s.bytes);
  ASSERT_EQ(d.status, DepackStatus::Ok);
  EXPECT_EQ(d.out,
            Bytes("0123456780123456789").size() == 0 ? Bytes("") : Bytes("0123456780123456780"));
}

TEST(Depack, BoundsStopTheDecode) {
  struct Case {
    const char* name;
    std::vector<uint8_t> stream;
    size_t cap;
    DepackStatus status;
  };
  BitStream overflow;
  overflow.Byte('a').Match(3, 1, 200).End();
  BitStream before;
  before.Byte('a').Literal('b').Match(3, 5, 2).End();
  BitStream zeroOffset;
  zeroOffset.Byte('a').Match(3, 0, 2).End();
  BitStream singleBefore;
  singleBefore.Byte('a').Single(2).End();
  BitStream noLast;
  noLast.Byte('a').Literal('b').Repeat(2, 2).End();
  BitStream endsEarly;
  endsEarly.Byte('a').Literal('b').Literal('c');  // no end marker
  const Case cases[] = {
      {"output overflow", overflow.bytes, 64, DepackStatus::OutputFull},
      {"literal past capacity", endsEarly.bytes, 2, DepackStatus::OutputFull},
      {"match before start", before.bytes, 64, DepackStatus::BeforeStart},
      {"offset zero", zeroOffset.bytes, 64, DepackStatus::BeforeStart},
      {"single byte before start", singleBefore.bytes, 64, DepackStatus::BeforeStart},
      {"unset last offset", noLast.bytes, 64, DepackStatus::NoLastOffset},
      {"input ends", endsEarly.bytes, 64, DepackStatus::InputEnded},
      {"empty input", {}, 64, DepackStatus::InputEnded},
  };
  for (const Case& c : cases) {
    Decoded d = Decode(c.stream, c.cap);
    EXPECT_EQ(d.status, c.status) << c.name;
    EXPECT_LE(d.out.size(), c.cap) << c.name;
  }
}

TEST(Depack, HugeGammaFailsInsteadOfWrapping) {
  BitStream s;
  s.Byte('a').Bit(1).Bit(0);
  for (int i = 0; i < 40; ++i) s.Bit(1).Bit(1);  // a gamma that never ends within 32 bits
  s.Bit(0).Bit(0);
  Decoded d = Decode(s.bytes);
  EXPECT_NE(d.status, DepackStatus::Ok);
}

}  // namespace
}  // namespace quandor
