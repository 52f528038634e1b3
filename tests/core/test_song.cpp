#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "playback/sequencer.h"
#include "shell/fatal.h"
#include "song/song.h"
#include "synth/mixer.h"
#include "synth/tables.h"
#include "tests/support/bit_stream.h"
#include "tests/support/song_builder.h"

namespace quandor {
namespace {

using test::Cell;
using test::SongRecipe;

class Song : public ::testing::Test {
 protected:
  void SetUp() override { test::ResetToProgramStart(); }
  void TearDown() override { ReleaseSong(); }
  static std::vector<uint8_t> Fetch(uint32_t row) {
    CurrentRow = row;
    FetchRow();
    std::vector<uint8_t> out(RowSize);
    for (int i = 0; i < RowSize; ++i) out[i] = RowBuffer[i].load();
    return out;
  }
};

// Four channels, three rows: every byte distinct so a wrong offset shows.
SongRecipe ThreeRows(uint8_t channels, bool interleaved) {
  SongRecipe recipe;
  recipe.channels = channels;
  recipe.interleaved = interleaved;
  for (int r = 0; r < 3; ++r) {
    std::vector<Cell> row;
    for (int c = 0; c < channels; ++c) {
      uint8_t b = static_cast<uint8_t>(r * 64 + c * 8);
      row.push_back(Cell{static_cast<uint16_t>((b + 1) << 8 | b), static_cast<uint8_t>(b + 2),
                         static_cast<uint8_t>(b + 3), static_cast<uint8_t>(b + 4),
                         static_cast<uint8_t>(b + 5)});
    }
    recipe.rows.push_back(row);
  }
  return recipe;
}

TEST_F(Song, BothLayoutsFetchTheSameRows) {
  for (uint8_t channels : {1, 4, 8}) {
    for (bool interleaved : {true, false}) {
      SongRecipe recipe = ThreeRows(channels, interleaved);
      recipe.tail = {0xAA, 0xBB, 0xCC, 0xDD, 0xEE};  // less than a row: ignored
      recipe.message = "hello";
      ASSERT_TRUE(test::LoadBytes(test::BuildSongBytes(recipe))) << LoadError;
      EXPECT_EQ(RowCount, 3u);
      EXPECT_EQ(lastVoice, channels - 1);
      EXPECT_EQ(message, "hello");
      EXPECT_EQ(headerSize, 21);
      for (uint32_t r = 0; r < 3; ++r) {
        std::vector<uint8_t> got = Fetch(r);
        for (int c = 0; c < channels; ++c) {
          uint8_t b = static_cast<uint8_t>(r * 64 + c * 8);
          const uint8_t want[6] = {b,
                                   static_cast<uint8_t>(b + 1),
                                   static_cast<uint8_t>(b + 2),
                                   static_cast<uint8_t>(b + 3),
                                   static_cast<uint8_t>(b + 4),
                                   static_cast<uint8_t>(b + 5)};
          for (int k = 0; k < 6; ++k)
            ASSERT_EQ(got[6 * c + k], want[k]) << int(channels) << (interleaved ? " il" : " planar")
                                               << " row " << r << " ch " << c << " byte " << k;
        }
      }
    }
  }
}

TEST_F(Song, FlagBitsFiveAndSevenAndUnusedSizeAreIgnored) {
  SongRecipe recipe = ThreeRows(2, true);
  recipe.extraFlags = 0xA0;
  recipe.unpackedSize = 0xDEADBEEF;
  EXPECT_TRUE(test::LoadBytes(test::BuildSongBytes(recipe))) << LoadError;
}

TEST_F(Song, FramesPerTick) {
  struct Case {
    uint16_t rps;
    uint32_t frames;
  };
  for (Case c : {Case{50, 960}, Case{70, 685}, Case{48000, 1}, Case{48001, 0}}) {
    SongRecipe recipe = ThreeRows(1, true);
    recipe.rowsPerSecond = c.rps;
    ASSERT_TRUE(test::LoadBytes(test::BuildSongBytes(recipe)));
    EXPECT_EQ(FramesPerTick, c.frames) << c.rps;
  }
}

// A stream of n bytes 0..n-1 (literals only).
std::vector<uint8_t> Stream(size_t n) {
  test::BitStream s;
  s.Byte(0);
  for (size_t i = 1; i < n; ++i) s.Literal(static_cast<uint8_t>(i));
  s.End();
  return s.bytes;
}

std::vector<uint8_t> Compressed(uint8_t flags, uint32_t unpacked,
                                const std::vector<uint8_t>& stream) {
  std::vector<uint8_t> out = {'Q', 'T', 'N', flags, 50, 0, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) out.push_back((unpacked >> (8 * i)) & 0xFF);
  out.insert(out.end(), stream.begin(), stream.end());
  return out;
}

TEST_F(Song, CompressedPayloadIsDepackedInPlace) {
  ASSERT_TRUE(test::LoadBytes(Compressed(0x50 | 2, 24, Stream(24)))) << LoadError;
  EXPECT_EQ(SongSize, 16u + 24u);
  EXPECT_EQ(RowCount, 2u);
  std::vector<uint8_t> row1 = Fetch(1);
  EXPECT_EQ(row1[0], 12);
  EXPECT_EQ(row1[11], 23);
}

TEST_F(Song, RejectionsInOrder) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* reason;  // start of LoadError
  };
  auto header = [](uint8_t flags, uint16_t rps, uint32_t loop, uint16_t msgLen) {
    std::vector<uint8_t> h = {
        'Q', 'T', 'N', flags, static_cast<uint8_t>(rps & 0xFF), static_cast<uint8_t>(rps >> 8)};
    for (int i = 0; i < 4; ++i) h.push_back((loop >> (8 * i)) & 0xFF);
    h.push_back(msgLen & 0xFF);
    h.push_back(msgLen >> 8);
    for (int i = 0; i < 4; ++i) h.push_back(0);
    return h;
  };
  auto withRows = [](std::vector<uint8_t> h, size_t bytes) {
    h.resize(h.size() + bytes, 0x11);
    return h;
  };
  std::vector<uint8_t> nineChannels = Compressed(0x40 | 9, 54, Stream(54));
  const Case cases[] = {
      {"empty", {}, "not a song"},
      {"lower-case magic", withRows({'q', 't', 'n', 0x11, 50, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 6),
       "not a song"},
      {"short header", {'Q', 'T', 'N', 0x11, 50}, "header ends early"},
      {"message length above 65519", withRows(header(0x11, 50, 0, 65520), 70000), "message length"},
      {"message past the end", withRows(header(0x11, 50, 0, 100), 50), "message runs past"},
      {"compressed, unpacked size 0", Compressed(0x51, 0, Stream(6)),
       "compressed with an unpacked size of 0"},
      {"stream one byte short", Compressed(0x51, 7, Stream(6)), "compressed payload gives 6"},
      {"stream too long", Compressed(0x51, 5, Stream(6)), "compressed payload produces more"},
      {"stream ends early", Compressed(0x51, 6, {0, 0}), "compressed payload ends early"},
      {"compressed, 9 channels", nineChannels, "channel count 9"},
      {"0 channels", withRows(header(0x10, 50, 0, 0), 12), "channel count 0"},
      {"15 channels", withRows(header(0x1F, 50, 0, 0), 90), "channel count 15"},
      {"0 rows per second", withRows(header(0x11, 0, 0, 0), 12), "rows per second is 0"},
      {"no whole row", withRows(header(0x12, 50, 0, 0), 11), "no whole row"},
      {"loop row at the end", withRows(header(0x11, 50, 2, 0), 12), "loop row 2"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(test::LoadBytes(c.bytes)) << c.name;
    EXPECT_EQ(LoadError.rfind(c.reason, 0), 0u) << c.name << ": " << LoadError;
    EXPECT_EQ(SongBuffer, nullptr) << c.name;
    EXPECT_LE(lastVoice, 7) << c.name;
  }
  // The 9-channel file was depacked before its channel count was tested.
  EXPECT_FALSE(test::LoadBytes(nineChannels));
  EXPECT_EQ(SongSize, 0u);  // released after the rejection
}

TEST_F(Song, DisplayNameShortening) {
  EXPECT_EQ(ShortDisplayName("tune.sng"), "tune.sng");
  const std::string exactly28(28, 'a');
  EXPECT_EQ(ShortDisplayName(exactly28), exactly28);
  const std::string name29 = "b" + exactly28;
  EXPECT_EQ(ShortDisplayName(name29), "..." + exactly28);
  EXPECT_EQ(ShortDisplayName(name29).size(), 31u);
  const std::string name40 = std::string(12, 'x') + exactly28;
  EXPECT_EQ(ShortDisplayName(name40), "..." + exactly28);
}

TEST_F(Song, LoadSongReadsTheNamedFile) {
  SongRecipe recipe = ThreeRows(3, false);
  SongFileName = test::WriteTempFile(test::BuildSongBytes(recipe));
  ASSERT_TRUE(LoadSong()) << LoadError;
  EXPECT_EQ(RowCount, 3u);
  std::remove(SongFileName.c_str());
}

TEST(SongFatal, MissingFileEndsWithTheReport) {
  test::ResetToProgramStart();
  SongFileName = "/nonexistent-dir-for-quandor/missing.sng";
  EXPECT_EXIT(LoadSong(), ::testing::ExitedWithCode(2), "");
}

TEST(SongFatal, DirectoryIsAccessDenied) {
  test::ResetToProgramStart();
  SongFileName = "/";
  EXPECT_EXIT(LoadSong(), ::testing::ExitedWithCode(5), "");
}

TEST(FatalTexts, CodesAndErrnoMapping) {
  EXPECT_STREQ(FatalText(2), "File not found.");
  EXPECT_STREQ(FatalText(100), "Disk read error.");
  EXPECT_STREQ(FatalText(203), "Heap overflow error.");
  EXPECT_STREQ(FatalText(227), "Assertion failed error.");
  EXPECT_STREQ(FatalText(7), "Unknown error.");
  EXPECT_EQ(ErrnoToCode(ENOENT), 2);
  EXPECT_EQ(ErrnoToCode(ENOENT, true), 3);
  EXPECT_EQ(ErrnoToCode(ENOTDIR), 3);
  EXPECT_EQ(ErrnoToCode(EMFILE), 4);
  EXPECT_EQ(ErrnoToCode(EACCES), 5);
  EXPECT_EQ(ErrnoToCode(EISDIR), 5);
  EXPECT_EQ(ErrnoToCode(EIO), 100);
  EXPECT_EQ(ErrnoToCode(ENOMEM), 203);
  EXPECT_EQ(ErrnoToCode(ENOSPC), ENOSPC);
}

}  // namespace
}  // namespace quandor
