// The demo songs in songs/: each .sng is what its text builds, the player accepts it, and
// together they show the format's range (layouts, compression, channel counts, row rates).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "song/song.h"
#include "tests/support/song_builder.h"
#include "tool/lib/song_text.h"

namespace quandor::tool {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<fs::path> DemoTexts() {
  std::vector<fs::path> out;
  for (const auto& entry : fs::directory_iterator(fs::path(QUANDOR_SOURCE_DIR) / "songs"))
    if (entry.path().extension() == ".txt") out.push_back(entry.path());
  std::sort(out.begin(), out.end());
  return out;
}

TEST(DemoSongs, EachSongIsItsTextBuiltPlayableAndOfTheRightLength) {
  const std::vector<fs::path> texts = DemoTexts();
  ASSERT_GE(texts.size(), 3u);
  std::set<int> channelCounts;
  std::set<bool> layouts, compression;
  bool otherRate = false;
  for (const fs::path& textPath : texts) {
    SCOPED_TRACE(textPath.filename().string());
    const std::vector<uint8_t> raw = ReadAll(textPath);
    std::vector<uint8_t> built;
    std::vector<TextError> errors;
    ASSERT_TRUE(ParseSongText(std::string(raw.begin(), raw.end()), built, errors))
        << errors[0].line << ":" << errors[0].column << ": " << errors[0].message;
    fs::path songPath = textPath;
    songPath.replace_extension(".sng");
    EXPECT_EQ(ReadAll(songPath), built) << "rebuild with scripts/make_songs.sh";

    ASSERT_TRUE(test::LoadBytes(built)) << LoadError;
    const double seconds = static_cast<double>(RowCount) / rowsPerSecond;
    EXPECT_GE(seconds, 30.0);
    EXPECT_LE(seconds, 90.0);
    EXPECT_GT(loopRow, 0u) << "the loop skips the intro";
    // The message scrolls across an 80-column row and its last byte never shows.
    EXPECT_GE(message.size(), 100u);
    EXPECT_LE(message.size(), 300u);
    EXPECT_EQ(message.back(), ' ');

    channelCounts.insert(RowSize / 6);
    layouts.insert((songFlags & 0x10) != 0);
    compression.insert((songFlags & 0x40) != 0);
    otherRate = otherRate || rowsPerSecond != 50;
  }
  EXPECT_TRUE(channelCounts.count(8));
  EXPECT_TRUE(channelCounts.count(4));
  EXPECT_TRUE(channelCounts.count(1) || channelCounts.count(2));
  EXPECT_EQ(layouts.size(), 2u) << "interleaved and planar";
  EXPECT_EQ(compression.size(), 2u) << "compressed and plain";
  EXPECT_TRUE(otherRate);
  EXPECT_TRUE(fs::exists(fs::path(QUANDOR_SOURCE_DIR) / "songs" / "demo.sng"));
  ReleaseSong();
}

}  // namespace
}  // namespace quandor::tool
