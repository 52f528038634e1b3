// Round trips of the stream encoder through the loader's depacker, and its choice of forms.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "song/depack.h"
#include "tests/support/song_builder.h"
#include "tool/lib/aplib_pack.h"

namespace quandor::tool {
namespace {

std::vector<uint8_t> Unpack(const std::vector<uint8_t>& stream, size_t expected) {
  std::vector<uint8_t> out(expected + 64);
  DepackResult r = Depack(stream.data(), stream.size(), out.data(), out.size());
  EXPECT_EQ(r.status, DepackStatus::Ok) << DepackStatusText(r.status);
  out.resize(r.written);
  return out;
}

void ExpectRoundTrip(const std::vector<uint8_t>& data, const PackEffort& effort = {}) {
  std::vector<uint8_t> packed = PackAplib(data.data(), data.size(), effort);
  std::vector<uint8_t> back = Unpack(packed, data.size());
  ASSERT_EQ(back.size(), data.size());
  EXPECT_TRUE(back == data);
  EXPECT_TRUE(CountTokens(packed.data(), packed.size()).ended);
}

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed, int alphabet = 256) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng() % alphabet);
  return v;
}

// Random bytes with a copy of length bytes from offset bytes back placed at position start.
std::vector<uint8_t> WithRepeat(uint32_t offset, uint32_t length, uint32_t seed) {
  const uint32_t start = offset + 40;
  std::vector<uint8_t> v = RandomBytes(start + length + 40, seed);
  for (uint32_t i = 0; i < length; ++i) v[start + i] = v[start + i - offset];
  return v;
}

struct Structured {
  const char* name;
  std::vector<uint8_t> data;
};

TEST(PackAplib, StructuredInputsRoundTrip) {
  std::vector<Structured> cases = {
      {"single byte", {0x42}},
      {"single zero", {0}},
      {"two bytes", {1, 2}},
      {"run of zeros", std::vector<uint8_t>(5000, 0)},
      {"run of 0xAA", std::vector<uint8_t>(70000, 0xAA)},
      {"two-byte period",
       [] {
         std::vector<uint8_t> v;
         for (int i = 0; i < 3000; ++i) v.push_back(i & 1 ? 7 : 9);
         return v;
       }()},
      {"random", RandomBytes(20000, 1)},
      {"tune, 4 channels", quandor::test::TuneRows(2000, 4, 2)},
      {"tune, 8 channels over block ends", quandor::test::TuneRows(6000, 8, 3)},
  };
  for (uint32_t offset : {1u, 2u, 15u, 16u, 126u, 127u, 128u, 129u, 255u, 256u, 1279u, 1280u, 1281u,
                          31999u, 32000u, 32001u, 65536u, 200000u}) {
    for (uint32_t length : {2u, 3u, 4u, 5u, 7u, 8u, 300u}) {
      cases.push_back({"offset/length", WithRepeat(offset, length, offset * 31 + length)});
    }
  }
  for (const Structured& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " size " + std::to_string(c.data.size()));
    ExpectRoundTrip(c.data);
  }
}

TEST(PackAplib, SeededRandomInputsRoundTrip) {
  // Small alphabets give many short matches, near bytes and repeated offsets.
  for (uint32_t seed = 0; seed < 300; ++seed) {
    std::mt19937 rng(seed);
    const size_t n = 1 + rng() % 3000;
    const int alphabet = 1 + static_cast<int>(rng() % 16);
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::vector<uint8_t> data = RandomBytes(n, seed, alphabet);
    // Splice in some far copies so long offsets and repeats occur too.
    for (int k = 0; k < 4 && n > 64; ++k) {
      size_t from = rng() % (n / 2), len = 1 + rng() % 40, to = n / 2 + rng() % (n / 2);
      for (size_t i = 0; i < len && to + i < n; ++i) data[to + i] = data[from + i];
    }
    ExpectRoundTrip(data);
    ExpectRoundTrip(data, PackEffort{2, 1, 8});  // shallow search, one state, early cut
  }
}

TEST(PackAplib, UsesEveryForm) {
  TokenCounts total;
  auto add = [&](const std::vector<uint8_t>& data) {
    std::vector<uint8_t> packed = PackAplib(data.data(), data.size());
    TokenCounts t = CountTokens(packed.data(), packed.size());
    EXPECT_TRUE(t.ended);
    total.literals += t.literals;
    total.matches += t.matches;
    total.repeats += t.repeats;
    total.shortMatches += t.shortMatches;
    total.zeroBytes += t.zeroBytes;
    total.nearBytes += t.nearBytes;
  };
  add(quandor::test::TuneRows(3000, 6, 5));
  add(RandomBytes(4000, 6, 4));
  // A block repeated at a fixed distance with one changed byte each time: match, literal,
  // then the rest again at the same offset.
  std::vector<uint8_t> v = RandomBytes(300, 7);
  for (int i = 0; i < 3000; ++i)
    v.push_back(i % 300 == 150 ? static_cast<uint8_t>(i) : v[v.size() - 300]);
  add(v);
  EXPECT_GT(total.literals, 0u);
  EXPECT_GT(total.matches, 0u);
  EXPECT_GT(total.repeats, 0u);
  EXPECT_GT(total.shortMatches, 0u);
  EXPECT_GT(total.zeroBytes, 0u);
  EXPECT_GT(total.nearBytes, 0u);
}

TEST(PackAplib, CompressesTuneRowsCloseToAnExhaustiveSearch) {
  std::vector<uint8_t> rows = quandor::test::TuneRows(4000, 8, 11);
  std::vector<uint8_t> normal = PackAplib(rows.data(), rows.size());
  std::vector<uint8_t> deep = PackAplib(rows.data(), rows.size(), PackEffort{256, 16, 1024});
  ExpectRoundTrip(rows, PackEffort{256, 16, 1024});
  EXPECT_LT(normal.size(), rows.size() / 4);
  EXPECT_LE(normal.size(), deep.size() * 11 / 10) << normal.size() << " vs " << deep.size();
  std::printf("tune rows %zu: packed %zu, exhaustive %zu\n", rows.size(), normal.size(),
              deep.size());
}

TEST(PackAplib, RandomDataGrowsOnlyByTheTagBits) {
  std::vector<uint8_t> data = RandomBytes(50000, 12);
  std::vector<uint8_t> packed = PackAplib(data.data(), data.size());
  // A literal costs 9 bits; nothing may cost more than that on incompressible input.
  EXPECT_LE(packed.size(), data.size() * 9 / 8 + 4);
}

}  // namespace
}  // namespace quandor::tool
