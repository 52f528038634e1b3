// The song text form: dump then build round trips, what the notation means, and the mistakes
// build reports.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "song/song.h"
#include "tests/support/song_builder.h"
#include "tool/lib/aplib_pack.h"
#include "tool/lib/song_text.h"

namespace quandor::tool {
namespace {

using test::Cell;
using test::SongRecipe;

// Cells that reach every field's whole range: all pitch words (marks, noise, octaves), bytes.
std::vector<std::vector<Cell>> VariedRows(int rows, int channels, uint32_t seed) {
  std::vector<std::vector<Cell>> out(rows, std::vector<Cell>(channels));
  uint32_t x = seed;
  auto next = [&x] {
    x = x * 1664525u + 1013904223u;
    return x >> 8;
  };
  for (auto& row : out)
    for (Cell& c : row) {
      c.word = static_cast<uint16_t>(next());
      c.pulseWidth = static_cast<uint8_t>(next());
      c.waveform = static_cast<uint8_t>(next());
      c.volume = static_cast<uint8_t>(next());
      c.cutoff = static_cast<uint8_t>(next());
    }
  return out;
}

std::string EveryByte() {
  std::string s;
  for (int b = 0; b < 256; ++b) s.push_back(static_cast<char>(b));
  return s;
}

std::string Dump(const std::vector<uint8_t>& bytes) {
  std::string text, error;
  EXPECT_TRUE(PrintSongText(bytes.data(), bytes.size(), text, error)) << error;
  return text;
}

std::vector<uint8_t> Build(const std::string& text) {
  std::vector<uint8_t> bytes;
  std::vector<TextError> errors;
  bool ok = ParseSongText(text, bytes, errors);
  EXPECT_TRUE(ok);
  for (const TextError& e : errors)
    ADD_FAILURE() << e.line << ":" << e.column << ": " << e.message << "\n" << text;
  return bytes;
}

struct RoundTripCase {
  const char* name;
  int channels;
  bool interleaved;
  uint8_t extraFlags;
  uint16_t rate;
  uint32_t loop;
  std::string message;
  uint32_t unpackedSize;
  std::vector<uint8_t> tail;
  int rows;
};

class RoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, DumpThenBuildGivesTheSameBytes) {
  const RoundTripCase& c = GetParam();
  SongRecipe recipe;
  recipe.channels = static_cast<uint8_t>(c.channels);
  recipe.interleaved = c.interleaved;
  recipe.extraFlags = c.extraFlags;
  recipe.rowsPerSecond = c.rate;
  recipe.loopRow = c.loop;
  recipe.message = c.message;
  recipe.unpackedSize = c.unpackedSize;
  recipe.tail = c.tail;
  recipe.rows = VariedRows(c.rows, c.channels, static_cast<uint32_t>(c.rows * 31 + c.channels));
  const std::vector<uint8_t> bytes = test::BuildSongBytes(recipe);
  ASSERT_TRUE(test::LoadBytes(bytes)) << LoadError;
  const std::string text = Dump(bytes);
  EXPECT_EQ(Build(text), bytes) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Songs, RoundTrip,
    testing::Values(
        RoundTripCase{"OneChannelInterleaved", 1, true, 0, 50, 0, "", 0, {}, 40},
        RoundTripCase{"OneChannelPlanar", 1, false, 0, 50, 3, "hi ", 0, {}, 17},
        RoundTripCase{"EightChannelsInterleaved", 8, true, 0, 70, 5, "", 0, {}, 33},
        RoundTripCase{"EightChannelsPlanar", 8, false, 0, 60, 32, "", 0, {}, 33},
        RoundTripCase{"InterleavedTail", 3, true, 0, 50, 0, "", 0, {1, 2, 3, 0xFF, 0}, 5},
        RoundTripCase{"PlanarTail", 2, false, 0, 50, 1, "", 0, {0xAA, 0, 0x55}, 6},
        RoundTripCase{"LongestTail", 8, false, 0, 50, 0, "", 0, std::vector<uint8_t>(47, 0x7E), 2},
        RoundTripCase{"FlagBit5", 2, true, 0x20, 50, 0, "", 0, {}, 3},
        RoundTripCase{"FlagBit7", 2, false, 0x80, 50, 0, "", 0, {}, 3},
        RoundTripCase{"FlagBits5And7", 4, true, 0xA0, 65535, 0, "", 0, {}, 3},
        RoundTripCase{"OddUnpackedSize", 4, true, 0, 1, 0, "", 0xDEADBEEF, {}, 3},
        RoundTripCase{"EveryMessageByte", 2, true, 0, 50, 0, EveryByte(), 0, {}, 2},
        RoundTripCase{
            "LongMessage", 1, false, 0, 50, 0, std::string(1000, '"') + "\\\n", 7, {9}, 2}),
    [](const testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; });

// The loaded image of a song: header and message followed by the depacked row data.
std::vector<uint8_t> LoadedImage(const std::vector<uint8_t>& bytes) {
  EXPECT_TRUE(test::LoadBytes(bytes)) << LoadError;
  return std::vector<uint8_t>(SongBuffer, SongBuffer + SongSize);
}

TEST(RoundTripCompressed, GivesTheSameHeaderAndRows) {
  for (bool interleaved : {true, false}) {
    SongRecipe recipe;
    recipe.channels = 3;
    recipe.interleaved = interleaved;
    recipe.extraFlags = 0x80;
    recipe.loopRow = 4;
    recipe.message = "packed ";
    recipe.rows = VariedRows(20, 3, 7);
    recipe.tail = {5, 6, 7};
    std::vector<uint8_t> rowData = test::BuildRowData(recipe);
    rowData.insert(rowData.end(), recipe.tail.begin(), recipe.tail.end());
    recipe.unpackedSize = static_cast<uint32_t>(rowData.size());
    recipe.extraFlags |= 0x40;
    recipe.rows.clear();
    recipe.tail = PackAplib(rowData.data(), rowData.size());
    recipe.tail.insert(recipe.tail.end(), {0xDE, 0xAD});  // after the end marker: never read
    const std::vector<uint8_t> packed = test::BuildSongBytes(recipe);

    const std::string text = Dump(packed);
    EXPECT_NE(text.find("compression on"), std::string::npos);
    const std::vector<uint8_t> rebuilt = Build(text);
    EXPECT_EQ(rebuilt[3], packed[3]);
    EXPECT_EQ(LoadedImage(rebuilt), LoadedImage(packed));
    EXPECT_EQ(Dump(rebuilt), text);
  }
}

TEST(SongText, CellNotationSetsTheRecordBytes) {
  // Fields in the strips' order: waveform, volume, pulse width, cutoff.
  const std::vector<uint8_t> bytes = Build(
      "channels 2\r\n"
      "# a comment\n"
      "rows\n"
      "(1A0> * 01 02 03 04 |  C-4   00 C0 80 FF\n"
      "\t# comment between rows\n"
      "[7FF]*  . 7f . . | .\n"
      ". | <000 F 0 1 2\n");
  ASSERT_TRUE(test::LoadBytes(bytes)) << LoadError;
  ASSERT_EQ(RowCount, 3u);
  const uint8_t* rows = SongBuffer + headerSize;
  const std::vector<uint8_t> expected = {
      0xA0, 0x69, 0x03, 0x01, 0x02, 0x04, 0x06, 0xF4, 0x80, 0x00, 0xC0, 0xFF,  // row 0
      0xFF, 0x0F, 0x03, 0x01, 0x7F, 0x04, 0x06, 0xF4, 0x80, 0x00, 0xC0, 0xFF,  // row 1
      0xFF, 0x0F, 0x03, 0x01, 0x7F, 0x04, 0x00, 0xB0, 0x01, 0x0F, 0x00, 0x02,  // row 2
  };
  EXPECT_EQ(std::vector<uint8_t>(rows, rows + 36), expected);
}

TEST(SongText, HeaderLinesSetTheHeader) {
  const std::vector<uint8_t> bytes = Build(
      "rate 0x46\nloop 1\nlayout planar\ncompression off\nchannels 1\nspare-flags 0x20\n"
      "unpacked 12345\nmessage \"a\\x00\\\\\"\nmessage \" b\\n\"\ntail 01\ntail 02\n"
      "rows\n000 00 00 00 00\n001 00 00 00 00\n");
  const std::vector<uint8_t> header = {'Q', 'T',  'N',  0x21, 70, 0,   1, 0,    0,   0,   6,
                                       0,   0x39, 0x30, 0,    0,  'a', 0, '\\', ' ', 'b', '\n'};
  ASSERT_GE(bytes.size(), header.size());
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + header.size()), header);
  // Planar: the high byte plane (no marks: codes 3), then the low byte plane; the tail after
  // plane 5.
  const std::vector<uint8_t> rows = {0xF0, 0xF0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2};
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + header.size(), bytes.end()), rows);
}

TEST(SongText, DumpRefusesWhatThePlayerRefuses) {
  SongRecipe good;
  good.channels = 2;
  good.rows = VariedRows(3, 2, 1);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  auto with = [&](auto change) {
    std::vector<uint8_t> b = test::BuildSongBytes(good);
    change(b);
    return b;
  };
  const std::vector<Case> cases = {
      {"magic", with([](auto& b) { b[0] = 'q'; })},
      {"short header", with([](auto& b) { b.resize(12); })},
      {"no channels", with([](auto& b) { b[3] = 0x10; })},
      {"nine channels", with([](auto& b) { b[3] = 0x19; })},
      {"rate 0", with([](auto& b) { b[4] = b[5] = 0; })},
      {"loop at row count", with([](auto& b) { b[6] = 3; })},
      {"no whole row", with([](auto& b) { b.resize(16 + 11); })},
      {"message past the end", with([](auto& b) { b[11] = 1; })},
      {"compressed, unpacked size 0", with([](auto& b) { b[3] |= 0x40; })},
      {"compressed, bad stream", with([](auto& b) { b[3] |= 0x40, b[12] = 36; })},
  };
  for (const Case& c : cases) {
    std::string text, error;
    EXPECT_FALSE(test::LoadBytes(c.bytes)) << c.name;
    EXPECT_FALSE(PrintSongText(c.bytes.data(), c.bytes.size(), text, error)) << c.name;
    EXPECT_FALSE(error.empty()) << c.name;
    EXPECT_TRUE(text.empty()) << c.name;
  }
}

TEST(NoteNames, MapToTheNearestPitchByte) {
  // Expected words from floor((256 + p) * 2^(octave - 4)) Hz against 440 * 2^((n - 57) / 12).
  struct Case {
    const char* name;
    uint16_t word;
  };
  const Case cases[] = {
      {"A-4", 0x4B8},  // 440 Hz exactly at p = 184
      {"C-4", 0x406},  // 261.63 -> 262
      {"C-5", 0x506},  // 523.25 -> 524 (p = 5 gives 522)
      {"F#3", 0x372},  // 185.00 -> 185 at p = 114 and 115: the one nearer 113.99
      {"A-2", 0x2B8},  // 110 Hz at p = 184..187: 184 is exact
      {"A#2", 0x2D4},  // 116.54 -> 117 (p = 212..215) beats 116
      {"C-0", 0x006},  // 16.35 -> 16; p = 5.6 ideally
      {"B-7", 0x7EE},  // 3951.07 -> 3952
      {"G-3", 0x388},  // 196.00 -> 196 at p = 136
  };
  for (const Case& c : cases) {
    uint16_t word = 0;
    EXPECT_TRUE(NoteToPitchWord(c.name, word)) << c.name;
    EXPECT_EQ(word, c.word) << c.name;
  }
  for (const char* bad : {"H-4", "E#4", "B#2", "C-8", "c-4", "C4", "Cb4", "C-44", ""}) {
    uint16_t word = 0;
    EXPECT_FALSE(NoteToPitchWord(bad, word)) << bad;
  }
}

struct ErrorCase {
  const char* name;
  std::string text;
  int line;
  int column;
  std::string message;  // a part of the message
};

class BuildErrors : public testing::TestWithParam<ErrorCase> {};

TEST_P(BuildErrors, ReportLineAndColumnAndBuildNothing) {
  const ErrorCase& c = GetParam();
  std::vector<uint8_t> bytes;
  std::vector<TextError> errors;
  EXPECT_FALSE(ParseSongText(c.text, bytes, errors));
  EXPECT_TRUE(bytes.empty());
  ASSERT_EQ(errors.size(), 1u) << errors[0].message;
  EXPECT_EQ(errors[0].line, c.line) << errors[0].message;
  EXPECT_EQ(errors[0].column, c.column) << errors[0].message;
  EXPECT_NE(errors[0].message.find(c.message), std::string::npos) << errors[0].message;
}

const std::string kRow = "C-4 00 C0 80 FF";

INSTANTIATE_TEST_SUITE_P(
    Mistakes, BuildErrors,
    testing::Values(
        ErrorCase{"WrongNote", "rows\n" + kRow + "\nH-4 00 C0 80 FF\n", 3, 1, "wrong note 'H-4'"},
        ErrorCase{"WrongNoteInMarks", "rows\n[E#4] 00 C0 80 FF\n", 2, 2, "wrong note 'E#4'"},
        ErrorCase{"NoteOctaveTooHigh", "rows\n  C-8 00 C0 80 FF\n", 2, 3, "wrong note 'C-8'"},
        ErrorCase{"PitchAbove7FF", "rows\n[800] 00 C0 80 FF\n", 2, 2, "wrong hex value '800'"},
        ErrorCase{"PitchNotHex", "rows\n1X0 00 C0 80 FF\n", 2, 1, "wrong hex value '1X0'"},
        ErrorCase{"ByteNotHex", "rows\nC-4 00 G0 80 FF\n", 2, 8, "wrong hex value 'G0'"},
        ErrorCase{"ByteTooLong", "rows\nC-4 00 C0 100 FF\n", 2, 11, "wrong hex value '100'"},
        ErrorCase{"TooManyColumns", "channels 1\nrows\n" + kRow + " | " + kRow + "\n", 3, 17,
                  "too many columns"},
        ErrorCase{"TooFewColumns", "channels 2\nrows\n" + kRow + "\n", 3, 16, "too few columns"},
        ErrorCase{"ColumnsChange", "rows\n" + kRow + "|" + kRow + "\n" + kRow + "\n", 3, 16,
                  "too few columns"},
        ErrorCase{"TooFewValues", "rows\nC-4 00 C0 80\n", 2, 1, "4 values, 5 expected"},
        ErrorCase{"TooManyValues", "rows\nC-4 * 00 C0 80 FF 00\n", 2, 19, "6 values"},
        ErrorCase{"EmptyCell", "channels 2\nrows\n" + kRow + "|  \n", 3, 17, "empty cell"},
        ErrorCase{"UnknownHeaderLine", "rate 50\n  tempo 120\nrows\n" + kRow + "\n", 2, 3,
                  "unknown header line 'tempo'"},
        ErrorCase{"RowBeforeRowsLine", kRow + "\nrows\n" + kRow + "\n", 1, 1,
                  "unknown header line 'C-4'"},
        ErrorCase{"WrongLayout", "layout diagonal\nrows\n" + kRow + "\n", 1, 8,
                  "wrong layout 'diagonal'"},
        ErrorCase{"RateZero", "rate 0\nrows\n" + kRow + "\n", 1, 6, "wrong rate '0'"},
        ErrorCase{"RateTooHigh", "rate 65536\nrows\n" + kRow + "\n", 1, 6, "wrong rate"},
        ErrorCase{"NineChannels", "channels 9\nrows\n" + kRow + "\n", 1, 10, "wrong channels"},
        ErrorCase{"SpareFlagsOtherBits", "spare-flags 0x40\nrows\n" + kRow + "\n", 1, 13,
                  "wrong spare-flags"},
        ErrorCase{"GivenTwice", "rate 50\nrate 60\nrows\n" + kRow + "\n", 2, 1, "given twice"},
        ErrorCase{"MissingValue", "loop\nrows\n" + kRow + "\n", 1, 5, "takes one value"},
        ErrorCase{"NoRowsLine", "rate 50\n", 2, 1, "no 'rows' line"},
        ErrorCase{"NoRows", "rate 50\nrows\n# none\n", 2, 1, "no rows"},
        ErrorCase{"DittoInFirstRow", "rows\nC-4 00 . 80 FF\n", 2, 8, "nothing above"},
        ErrorCase{"WholeDittoInFirstRow", "rows\n .\n", 2, 2, "nothing above"},
        ErrorCase{"LoopNotBelowRowCount", "loop 2\nrows\n" + kRow + "\n" + kRow + "\n", 1, 6,
                  "loop row 2 is not below the row count 2"},
        ErrorCase{"TailAWholeRow", "tail 1 2 3\ntail 4 5 6\nrows\n" + kRow + "\n", 1, 1,
                  "tail of 6 bytes"},
        ErrorCase{"TailNotHex", "tail 01 0x2\nrows\n" + kRow + "\n", 1, 9, "wrong hex value"},
        ErrorCase{"UnpackedWhenCompressed", "compression on\nunpacked 6\nrows\n" + kRow + "\n", 2,
                  1, "'unpacked'"},
        ErrorCase{"MessageWrongEscape", "message \"ab\\q\"\nrows\n" + kRow + "\n", 1, 12,
                  "wrong escape"},
        ErrorCase{"MessageShortHexEscape", "message \"\\x4\"\nrows\n" + kRow + "\n", 1, 10,
                  "wrong escape"},
        ErrorCase{"MessageNotClosed", "message \"abc\nrows\n" + kRow + "\n", 1, 13,
                  "no closing quote"},
        ErrorCase{"MessageNotQuoted", "message abc\nrows\n" + kRow + "\n", 1, 9, "double quotes"},
        ErrorCase{
            "MessageTooLong",
            "message \"" + std::string(65519, 'x') + "\"\nmessage \"y\"\nrows\n" + kRow + "\n", 2,
            9, "longer than 65519"}),
    [](const testing::TestParamInfo<ErrorCase>& info) { return info.param.name; });

TEST(BuildErrorsTogether, EveryMistakeIsReportedInTextOrder) {
  std::vector<uint8_t> bytes;
  std::vector<TextError> errors;
  EXPECT_FALSE(
      ParseSongText("speed 3\nrows\nC-4 00 C0 80 FF\nH-4 ZZ C0 80 FF\n. . . . Q\n", bytes, errors));
  ASSERT_EQ(errors.size(), 4u);
  const int expected[4][2] = {{1, 1}, {4, 1}, {4, 5}, {5, 9}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(errors[i].line, expected[i][0]) << errors[i].message;
    EXPECT_EQ(errors[i].column, expected[i][1]) << errors[i].message;
  }
}

}  // namespace
}  // namespace quandor::tool
