// Song pictures: the PNG is decoded again and read pixel by pixel, so a lane that shows the wrong
// channel, a silent row drawn lit or a gap in the loudness band shows up as a wrong colour.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <string>
#include <vector>

#include "song/song.h"
#include "tests/support/song_builder.h"
#include "tool/lib/plot.h"

namespace quandor::tool {
namespace {

using test::Cell;
using test::SongRecipe;

struct Decoded {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
  int Brightness(int x, int y) const {
    const uint8_t* p = At(x, y);
    return std::max({p[0], p[1], p[2]});
  }
};

Decoded DecodePng(const std::vector<uint8_t>& png) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  Decoded out;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) {
    ADD_FAILURE() << "not a PNG: " << image.message;
    return out;
  }
  image.format = PNG_FORMAT_RGB;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr))
    ADD_FAILURE() << "PNG does not decode: " << image.message;
  return out;
}

// Lit: a note or the loudness band; lane backgrounds and octave lines stay far below.
constexpr int kLit = 120;

Cell Note(uint8_t pitch, uint8_t octave, uint8_t volume, bool noise = false) {
  Cell cell;
  cell.word = static_cast<uint16_t>(pitch | octave << 8 | (noise ? 0x0800 : 0));
  cell.volume = volume;
  cell.cutoff = 255;
  cell.pulseWidth = 128;
  return cell;
}

// Plots a song (after the program-start set-up the command makes) and decodes the PNG.
Decoded Plot(const SongRecipe& recipe, int width, int height, PlotLayout& layout) {
  StartRenderEngine();
  EXPECT_TRUE(test::LoadBytes(test::BuildSongBytes(recipe))) << LoadError;
  PlotImage image;
  std::string error;
  EXPECT_TRUE(PlotLoadedSong(width, height, image, error)) << error;
  std::vector<uint8_t> png;
  EXPECT_TRUE(EncodePng(image, png, error)) << error;
  EXPECT_TRUE(ComputePlotLayout(width, height, recipe.channels, layout, error)) << error;
  ReleaseSong();
  return DecodePng(png);
}

// Three channels, 100 rows at 50 rows a second, loop at row 50. In the first half channel 1
// plays a loud tone and channel 3 loud noise; channel 2 is silenced by its attenuation codes
// throughout, and the second half is silent everywhere.
class PlotSong : public ::testing::Test {
 protected:
  void SetUp() override {
    spec_.channels = 3;
    spec_.loopRow = 50;
    for (int r = 0; r < 100; ++r) {
      const uint8_t volume = r < 50 ? 255 : 0;
      Cell muffled = Note(128, 5, 255);
      muffled.word |= 0xF000;  // attenuation code 3 on both sides: full volume, never heard
      spec_.rows.push_back({Note(0, 4, volume), muffled, Note(200, 6, volume, true)});
    }
    picture_ = Plot(spec_, 400, DefaultPlotHeight(3), layout_);
  }
  // Largest brightness within channel c's lane at x, separator excluded.
  int LaneMax(int c, int x) const {
    int best = 0;
    for (int y = layout_.laneTop[c] + 1; y < layout_.laneTop[c] + layout_.laneHeight; ++y)
      best = std::max(best, picture_.Brightness(x, y));
    return best;
  }
  int X(uint32_t row) const { return RowX(layout_, row, 100) + 1; }

  SongRecipe spec_;
  PlotLayout layout_;
  Decoded picture_;
};

TEST_F(PlotSong, HasTheDefaultSizeForItsChannels) {
  EXPECT_EQ(picture_.width, 400);
  EXPECT_EQ(picture_.height, 3 * 60 + 100);
}

TEST_F(PlotSong, ToneLitAtItsPitchOnlyWhileAudible) {
  const uint8_t* tone = picture_.At(X(25), NoteY(layout_, 0, spec_.rows[25][0].word));
  EXPECT_GE(tone[2], kLit);
  EXPECT_GT(tone[2], tone[0]) << "a tone is drawn blue";
  EXPECT_LT(LaneMax(0, X(75)), kLit) << "volume 0 rows leave the lane dark";
}

TEST_F(PlotSong, NoiseDrawnInItsOwnColour) {
  const uint8_t* noise = picture_.At(X(25), NoteY(layout_, 2, spec_.rows[25][2].word));
  EXPECT_GE(noise[0], kLit);
  EXPECT_GT(noise[0], noise[2]) << "noise is drawn orange";
  EXPECT_LT(LaneMax(2, X(75)), kLit);
}

TEST_F(PlotSong, SilentChannelLaneStaysDark) {
  for (uint32_t row : {0u, 25u, 49u, 75u, 99u}) EXPECT_LT(LaneMax(1, X(row)), kLit) << row;
}

TEST_F(PlotSong, LoopRowMarkedAcrossSilentLane) {
  const int x = RowX(layout_, 50, 100);
  int yellow = 0;
  for (int y = layout_.laneTop[1]; y < layout_.laneTop[1] + layout_.laneHeight; ++y) {
    const uint8_t* p = picture_.At(x, y);
    if (p[0] >= 200 && p[1] >= 180 && p[2] < 100) ++yellow;
  }
  EXPECT_GT(yellow, layout_.laneHeight / 4);
  const int beside = x + 5;
  EXPECT_LT(LaneMax(1, beside), kLit);
}

TEST_F(PlotSong, LoudnessFollowsTheMix) {
  const int middle = layout_.envelopeTop + layout_.envelopeHeight / 2;
  auto span = [&](int x) {
    int lit = 0;
    for (int y = layout_.envelopeTop; y < layout_.envelopeTop + layout_.envelopeHeight; ++y)
      if (picture_.Brightness(x, y) >= kLit) ++lit;
    return lit;
  };
  EXPECT_GT(span(X(25)), 4);
  EXPECT_LE(span(X(75)), 1) << "silence draws at most the middle line";
  EXPECT_LT(picture_.Brightness(X(75), middle - 8), kLit);
}

// A song far shorter than the picture is wide: each frame covers several columns, and none of
// them may be left empty.
TEST(PlotShortSong, EveryColumnOfTheBandIsFilled) {
  SongRecipe recipe;
  recipe.rowsPerSecond = 1000;  // 48 frames a row, 96 frames for 300-odd columns
  // Cutoff 0 holds the filter at its start value: the output is one constant loud level.
  Cell held = Note(0, 3, 255);
  held.cutoff = 0;
  recipe.rows = {{held}, {held}};
  PlotLayout layout;
  Decoded picture = Plot(recipe, 400, DefaultPlotHeight(1), layout);
  int empty = 0;
  for (int x = layout.left; x < layout.right; ++x) {
    int lit = 0;
    for (int y = layout.envelopeTop; y < layout.envelopeTop + layout.envelopeHeight; ++y)
      if (picture.Brightness(x, y) >= kLit) ++lit;
    if (lit <= 1) ++empty;
  }
  EXPECT_EQ(empty, 0);
}

TEST(PlotRefusals, NoSongOrTooLong) {
  StartRenderEngine();
  ReleaseSong();
  PlotImage image;
  std::string error;
  EXPECT_FALSE(PlotLoadedSong(400, 200, image, error));

  // One row a second: 7201 rows last just over two hours.
  SongRecipe recipe;
  recipe.rowsPerSecond = 1;
  recipe.rows.assign(7201, {Note(0, 4, 255)});
  ASSERT_TRUE(test::LoadBytes(test::BuildSongBytes(recipe))) << LoadError;
  EXPECT_FALSE(PlotLoadedSong(400, 200, image, error));
  EXPECT_NE(error.find("120 minutes"), std::string::npos) << error;
  ReleaseSong();
}

TEST(PlotPitch, FrequencyIndexAndHeightFollowThePitch) {
  struct Case {
    uint16_t word;
    uint32_t index;
  };
  const Case cases[] = {
      {0x000, 16},  {0x00F, 16},  {0x400, 256},  {0x480, 384},
      {0x4FF, 511}, {0x500, 512}, {0x7FF, 4088},
  };
  PlotLayout layout;
  std::string error;
  ASSERT_TRUE(ComputePlotLayout(1200, DefaultPlotHeight(2), 2, layout, error)) << error;
  int previousY = layout.height;
  uint32_t previousIndex = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(FrequencyIndex(c.word), c.index) << std::hex << c.word;
    const int y = NoteY(layout, 1, c.word);
    EXPECT_GE(y, layout.laneTop[1] + 2) << std::hex << c.word;
    EXPECT_LE(y, layout.laneTop[1] + layout.laneHeight - 2) << std::hex << c.word;
    // Neighbouring indexes may share a pixel row; a higher note never sits lower.
    if (c.index == previousIndex) {
      EXPECT_EQ(y, previousY);
    } else {
      EXPECT_LE(y, previousY) << "higher notes sit higher";
    }
    previousY = y;
    previousIndex = c.index;
  }
  // Octaves are equally tall (log scale) and well apart.
  EXPECT_GE(NoteY(layout, 1, 0x200) - NoteY(layout, 1, 0x300), 5);
  EXPECT_NEAR(NoteY(layout, 1, 0x200) - NoteY(layout, 1, 0x300),
              NoteY(layout, 1, 0x500) - NoteY(layout, 1, 0x600), 1);
}

TEST(PlotLayoutSizes, LanesBandAndScaleFitOrTheSizeIsRefused) {
  struct Case {
    int width, height, channels;
    bool fits;
  };
  const Case cases[] = {
      {1200, DefaultPlotHeight(1), 1, true},
      {1200, DefaultPlotHeight(8), 8, true},
      {100, 8 * 12 + 100, 8, true},
      {99, 200, 1, false},
      {400, 8 * 12 + 99, 8, false},
      {8193, 200, 1, false},
      {400, 8193, 1, false},
      {400, 300, 0, false},
      {400, 300, 9, false},
  };
  for (const Case& c : cases) {
    PlotLayout layout;
    std::string error;
    const bool fits = ComputePlotLayout(c.width, c.height, c.channels, layout, error);
    EXPECT_EQ(fits, c.fits) << c.width << "x" << c.height << " " << c.channels << ": " << error;
    if (!fits) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    for (int ch = 1; ch < c.channels; ++ch)
      EXPECT_EQ(layout.laneTop[ch], layout.laneTop[ch - 1] + layout.laneHeight);
    EXPECT_GE(layout.laneHeight, kPlotLaneMinHeight);
    EXPECT_GT(layout.envelopeTop, layout.laneTop[c.channels - 1] + layout.laneHeight - 1);
    EXPECT_LE(layout.axisTop + 16, c.height) << "labels fit under the band";
    EXPECT_LT(layout.left, layout.right);
    EXPECT_LE(layout.right, c.width);
  }
}

TEST(PlotArguments, ParsesSongOutAndSizes) {
  struct Case {
    std::vector<std::string> args;
    bool ok;
    int width, height;
  };
  const Case cases[] = {
      {{"a.sng", "a.png"}, true, 0, 0},
      {{"a.sng", "a.png", "--width", "640"}, true, 640, 0},
      {{"--height", "300", "a.sng", "-"}, true, 0, 300},
      {{"a.sng"}, false, 0, 0},
      {{"a.sng", "a.png", "b.png"}, false, 0, 0},
      {{"a.sng", "a.png", "--width"}, false, 0, 0},
      {{"a.sng", "a.png", "--width", "0"}, false, 0, 0},
      {{"a.sng", "a.png", "--width", "12x"}, false, 0, 0},
      {{"a.sng", "a.png", "--height", "9000"}, false, 0, 0},
      {{"a.sng", "a.png", "--colour"}, false, 0, 0},
  };
  for (const Case& c : cases) {
    PlotArgs parsed;
    std::string error;
    const bool ok = ParsePlotArgs(c.args, parsed, error);
    std::string joined;
    for (const std::string& a : c.args) joined += a + " ";
    EXPECT_EQ(ok, c.ok) << joined << error;
    if (!ok) {
      EXPECT_FALSE(error.empty()) << joined;
      continue;
    }
    EXPECT_EQ(parsed.song, c.args[0] == "--height" ? "a.sng" : c.args[0]);
    EXPECT_EQ(parsed.width, c.width) << joined;
    EXPECT_EQ(parsed.height, c.height) << joined;
  }
}

}  // namespace
}  // namespace quandor::tool
