#include "tool/lib/song_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "song/depack.h"
#include "song/song.h"
#include "tool/lib/aplib_pack.h"

namespace quandor::tool {

namespace {

constexpr size_t kMaxMessage = 65535 - 16;  // headerSize is 16 bits
constexpr char kLeftMarks[] = "[(< ";       // attenuation codes 0-3, as the channel strips show
constexpr char kRightMarks[] = "])> ";

using Cell = std::array<uint8_t, 6>;  // the 6 bytes of a row record, word low byte first

// The record byte of each hex field of a cell, in the strips' order: waveform, volume, pulse
// width, cutoff.
constexpr int kFieldByte[4] = {3, 4, 2, 5};

bool IsSpace(char c) {
  return c == ' ' || c == '\t';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHex(const std::string& s, size_t maxDigits, uint32_t& value) {
  if (s.empty() || s.size() > maxDigits) return false;
  value = 0;
  for (char c : s) {
    int d = HexDigit(c);
    if (d < 0) return false;
    value = value * 16 + static_cast<uint32_t>(d);
  }
  return true;
}

// Decimal, or hex with a 0x prefix; at most max.
bool ParseNumber(const std::string& s, uint64_t max, uint64_t& value) {
  value = 0;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    if (s.size() > 2 + 16) return false;
    for (size_t i = 2; i < s.size(); ++i) {
      int d = HexDigit(s[i]);
      if (d < 0) return false;
      value = value * 16 + static_cast<uint64_t>(d);
      if (value > max) return false;
    }
    return true;
  }
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > max) return false;
  }
  return true;
}

struct Token {
  std::string text;
  int column;  // 1-based
};

// Splits line[begin, end) at blanks; columns are 1-based positions in the whole line.
std::vector<Token> Tokens(const std::string& line, size_t begin, size_t end) {
  std::vector<Token> out;
  size_t i = begin;
  while (i < end) {
    while (i < end && IsSpace(line[i])) ++i;
    if (i >= end) break;
    size_t start = i;
    while (i < end && !IsSpace(line[i])) ++i;
    out.push_back({line.substr(start, i - start), static_cast<int>(start) + 1});
  }
  return out;
}

// What the text says so far; filled by the parser, turned into bytes at the end.
struct ParsedSong {
  uint16_t rowsPerSecond = 50;
  uint32_t loopRow = 0;
  int loopLine = 0, loopColumn = 0;
  bool interleaved = true;
  bool compressed = false;
  int channels = 0;  // 0: taken from the first row
  uint8_t spareFlags = 0;
  uint32_t unpackedSize = 0;
  int unpackedLine = 0;
  std::string message;
  std::vector<uint8_t> tail;
  int tailLine = 0;
  std::vector<Cell> cells;  // rows x channels, row by row
  size_t rowCount = 0;
};

struct Pass {
  std::vector<TextError>& errors;
  ParsedSong song;
  int lineNo = 0;
  bool inRows = false;
  int rowsLine = 0;
  std::vector<std::string> seen;  // header keys given once only

  void Error(int column, const std::string& message) {
    errors.push_back({lineNo, column, message});
  }
};

// Reads a quoted message value: printable bytes as they stand, \\ \" \n \xNN escapes.
void ParseMessage(Pass& p, const std::string& line, size_t at) {
  if (at >= line.size() || line[at] != '"') {
    p.Error(static_cast<int>(at) + 1, "message must be in double quotes");
    return;
  }
  std::string out;
  size_t i = at + 1;
  bool closed = false;
  while (i < line.size()) {
    char c = line[i];
    if (c == '"') {
      closed = true;
      ++i;
      break;
    }
    if (c == '\\') {
      if (i + 1 >= line.size()) {
        p.Error(static_cast<int>(i) + 1, "escape at the end of the line");
        return;
      }
      char e = line[i + 1];
      if (e == '\\' || e == '"') {
        out.push_back(e);
        i += 2;
      } else if (e == 'n') {
        out.push_back('\n');
        i += 2;
      } else if (e == 'x' && i + 3 < line.size() && HexDigit(line[i + 2]) >= 0 &&
                 HexDigit(line[i + 3]) >= 0) {
        out.push_back(static_cast<char>(HexDigit(line[i + 2]) * 16 + HexDigit(line[i + 3])));
        i += 4;
      } else {
        p.Error(static_cast<int>(i) + 1, "wrong escape '" + line.substr(i, e == 'x' ? 4 : 2) +
                                             "' (use \\\\, \\\", \\n or \\xNN)");
        return;
      }
      continue;
    }
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      p.Error(static_cast<int>(i) + 1, "control character in message (write it as \\xNN)");
      return;
    }
    out.push_back(c);
    ++i;
  }
  if (!closed) {
    p.Error(static_cast<int>(line.size()) + 1, "message has no closing quote");
    return;
  }
  while (i < line.size() && IsSpace(line[i])) ++i;
  if (i < line.size()) {
    p.Error(static_cast<int>(i) + 1, "text after the message's closing quote");
    return;
  }
  if (p.song.message.size() + out.size() > kMaxMessage) {
    p.Error(static_cast<int>(at) + 1,
            "message longer than " + std::to_string(kMaxMessage) + " bytes");
    return;
  }
  p.song.message += out;
}

void ParseHeaderLine(Pass& p, const std::string& line, size_t first) {
  std::vector<Token> words = Tokens(line, first, line.size());
  const Token& key = words[0];
  if (key.text == "rows") {
    if (words.size() > 1) p.Error(words[1].column, "text after 'rows'");
    p.inRows = true;
    p.rowsLine = p.lineNo;
    return;
  }
  static const char* kKeys[] = {"rate",    "loop",        "layout",   "compression", "channels",
                                "message", "spare-flags", "unpacked", "tail"};
  bool known = false;
  for (const char* k : kKeys) known = known || key.text == k;
  if (!known) {
    p.Error(key.column, "unknown header line '" + key.text + "'");
    return;
  }
  if (key.text == "message") {
    size_t at = key.column - 1 + key.text.size();
    while (at < line.size() && IsSpace(line[at])) ++at;
    ParseMessage(p, line, at);
    return;
  }
  if (key.text == "tail") {
    if (p.song.tailLine == 0) p.song.tailLine = p.lineNo;
    for (size_t i = 1; i < words.size(); ++i) {
      uint32_t v;
      if (!ParseHex(words[i].text, 2, v)) {
        p.Error(words[i].column, "wrong hex value '" + words[i].text + "'");
        continue;
      }
      p.song.tail.push_back(static_cast<uint8_t>(v));
    }
    return;
  }
  for (const std::string& s : p.seen) {
    if (s == key.text) {
      p.Error(key.column, "'" + key.text + "' given twice");
      return;
    }
  }
  p.seen.push_back(key.text);
  if (words.size() != 2) {
    p.Error(words.size() < 2 ? static_cast<int>(line.size()) + 1 : words[2].column,
            "'" + key.text + "' takes one value");
    return;
  }
  const Token& value = words[1];
  auto wrong = [&](const std::string& what) {
    p.Error(value.column, "wrong " + key.text + " '" + value.text + "' (" + what + ")");
  };
  uint64_t n = 0;
  if (key.text == "rate") {
    if (!ParseNumber(value.text, 65535, n) || n == 0) return wrong("1 to 65535 rows per second");
    p.song.rowsPerSecond = static_cast<uint16_t>(n);
  } else if (key.text == "loop") {
    if (!ParseNumber(value.text, 0xFFFFFFFFu, n)) return wrong("a row number");
    p.song.loopRow = static_cast<uint32_t>(n);
    p.song.loopLine = p.lineNo;
    p.song.loopColumn = value.column;
  } else if (key.text == "layout") {
    if (value.text != "interleaved" && value.text != "planar")
      return wrong("interleaved or planar");
    p.song.interleaved = value.text == "interleaved";
  } else if (key.text == "compression") {
    if (value.text != "on" && value.text != "off") return wrong("on or off");
    p.song.compressed = value.text == "on";
  } else if (key.text == "channels") {
    if (!ParseNumber(value.text, 8, n) || n == 0) return wrong("1 to 8");
    p.song.channels = static_cast<int>(n);
  } else if (key.text == "spare-flags") {
    if (!ParseNumber(value.text, 255, n) || (n & ~uint64_t{0xA0}) != 0)
      return wrong("only the bits 0x20 and 0x80");
    p.song.spareFlags = static_cast<uint8_t>(n);
  } else if (key.text == "unpacked") {
    if (!ParseNumber(value.text, 0xFFFFFFFFu, n)) return wrong("0 to 4294967295");
    p.song.unpackedSize = static_cast<uint32_t>(n);
    p.song.unpackedLine = p.lineNo;
  }
}

// Reads "[C-4]", "(1A0>", "1A0", "A#2]" and the like, with an optional '*' (noise) glued on.
bool ParsePitchGroup(Pass& p, const Token& t, uint16_t& word, bool& noise) {
  std::string s = t.text;
  int left = 3, right = 3;
  int column = t.column;
  if (!s.empty() && s.back() == '*') {
    noise = true;
    s.pop_back();
  }
  if (!s.empty()) {
    const char* m = s[0] ? std::strchr("[(<", s[0]) : nullptr;
    if (m) {
      left = static_cast<int>(m - "[(<");
      s.erase(0, 1);
      ++column;
    }
  }
  if (!s.empty()) {
    const char* m = s.back() ? std::strchr("])>", s.back()) : nullptr;
    if (m) {
      right = static_cast<int>(m - "])>");
      s.pop_back();
    }
  }
  uint16_t pitch = 0;
  bool noteLike = s.size() >= 2 && (s[1] == '-' || s[1] == '#');
  uint32_t hex = 0;
  if (s.size() == 3 && noteLike) {
    if (!NoteToPitchWord(s, pitch)) {
      p.Error(column, "wrong note '" + s + "'");
      return false;
    }
  } else if (s.size() == 3 && ParseHex(s, 3, hex) && hex <= 0x7FF) {
    pitch = static_cast<uint16_t>(hex);
  } else {
    if (noteLike)
      p.Error(column, "wrong note '" + s + "'");
    else
      p.Error(column, "wrong hex value '" + s + "' for a pitch (000 to 7FF or a note like C#4)");
    return false;
  }
  word = static_cast<uint16_t>(pitch | left << 14 | right << 12);
  return true;
}

// Parses one cell into out; prev is the same channel's cell in the row above (null in row 0).
void ParseCell(Pass& p, const std::string& line, size_t begin, size_t end, const Cell* prev,
               Cell& out) {
  std::vector<Token> t = Tokens(line, begin, end);
  int cellColumn = static_cast<int>(begin) + 1;
  out = prev ? *prev : Cell{};
  if (t.empty()) {
    p.Error(cellColumn, "empty cell (write '.' to repeat the cell above)");
    return;
  }
  auto needPrev = [&](const Token& tok) {
    if (prev) return true;
    p.Error(tok.column, "'.' in the first row: there is nothing above to repeat");
    return false;
  };
  if (t.size() == 1 && t[0].text == ".") {
    needPrev(t[0]);
    return;
  }
  // A lone '*' after the pitch group is the noise mark written apart.
  bool noise = false;
  if (t.size() >= 2 && t[1].text == "*") {
    noise = true;
    t.erase(t.begin() + 1);
  }
  if (t.size() != 5) {
    p.Error(t.size() > 5 ? t[5].column : cellColumn,
            "cell has " + std::to_string(t.size()) +
                " values, 5 expected (pitch, waveform, volume, pulse width, cutoff)");
    return;
  }
  uint16_t word = static_cast<uint16_t>(out[0] | out[1] << 8);
  if (t[0].text == ".") {
    if (needPrev(t[0]) && noise) word |= 0x0800;
  } else if (t[0].text == ".*") {
    if (needPrev(t[0])) word |= 0x0800;
  } else {
    bool glued = false;
    if (ParsePitchGroup(p, t[0], word, glued)) {
      if (noise || glued) word |= 0x0800;
    }
  }
  out[0] = static_cast<uint8_t>(word & 0xFF);
  out[1] = static_cast<uint8_t>(word >> 8);
  for (int k = 0; k < 4; ++k) {
    const Token& tok = t[1 + k];
    if (tok.text == ".") {
      needPrev(tok);
      continue;
    }
    uint32_t v;
    if (!ParseHex(tok.text, 2, v)) {
      p.Error(tok.column, "wrong hex value '" + tok.text + "'");
      continue;
    }
    out[kFieldByte[k]] = static_cast<uint8_t>(v);
  }
}

void ParseRowLine(Pass& p, const std::string& line) {
  std::vector<std::pair<size_t, size_t>> spans;
  size_t start = 0;
  for (size_t i = 0; i <= line.size(); ++i) {
    if (i == line.size() || line[i] == '|') {
      spans.push_back({start, i});
      start = i + 1;
    }
  }
  ParsedSong& s = p.song;
  if (s.channels == 0) s.channels = static_cast<int>(std::min<size_t>(spans.size(), 8));
  const size_t channels = static_cast<size_t>(s.channels);
  // Wrong column counts are reported, and the cells that are there still checked.
  if (spans.size() > channels) {
    p.Error(static_cast<int>(spans[channels].first),
            "too many columns: " + std::to_string(spans.size()) + " cells for " +
                std::to_string(channels) + (channels == 1 ? " channel" : " channels"));
  } else if (spans.size() < channels) {
    p.Error(static_cast<int>(line.size()) + 1, "too few columns: " + std::to_string(spans.size()) +
                                                   " cells for " + std::to_string(channels) +
                                                   (channels == 1 ? " channel" : " channels"));
  }
  const bool first = s.rowCount == 0;
  size_t base = s.cells.size();
  s.cells.resize(base + channels);
  for (size_t c = 0; c < channels && c < spans.size(); ++c) {
    const Cell* prev = first ? nullptr : &s.cells[base - channels + c];
    ParseCell(p, line, spans[c].first, spans[c].second, prev, s.cells[base + c]);
  }
  ++s.rowCount;
}

void PutLE(std::vector<uint8_t>& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The row data in the song's layout, tail included.
std::vector<uint8_t> LayOutRows(const ParsedSong& s) {
  const size_t channels = static_cast<size_t>(s.channels);
  const size_t n = s.rowCount;
  std::vector<uint8_t> data(6 * channels * n);
  if (s.interleaved) {
    for (size_t i = 0; i < s.cells.size(); ++i)
      for (size_t k = 0; k < 6; ++k) data[6 * i + k] = s.cells[i][k];
  } else {
    const size_t plane = channels * n;
    // Planes 0 and 1 hold the word high byte first.
    static constexpr int kByteOfPlane[6] = {1, 0, 2, 3, 4, 5};
    for (size_t r = 0; r < n; ++r)
      for (size_t c = 0; c < channels; ++c)
        for (size_t k = 0; k < 6; ++k)
          data[k * plane + c * n + r] = s.cells[r * channels + c][kByteOfPlane[k]];
  }
  data.insert(data.end(), s.tail.begin(), s.tail.end());
  return data;
}

char HexChar(int v) {
  return "0123456789ABCDEF"[v & 15];
}

void AppendHexByte(std::string& out, uint8_t v) {
  out.push_back(HexChar(v >> 4));
  out.push_back(HexChar(v));
}

uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

bool NoteToPitchWord(const std::string& name, uint16_t& word) {
  static const int kNatural[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (name.size() != 3 || name[0] < 'A' || name[0] > 'G') return false;
  if (name[1] != '-' && name[1] != '#') return false;
  if (name[2] < '0' || name[2] > '7') return false;
  int semitone = kNatural[name[0] - 'A'];
  if (name[1] == '#') {
    if (name[0] == 'E' || name[0] == 'B') return false;
    ++semitone;
  }
  const int octave = name[2] - '0';
  const double hz = 440.0 * std::pow(2.0, (octave * 12 + semitone - 57) / 12.0);
  // The synth plays floor((256 + p) * 2^(octave - 4)) Hz. C to B of one octave fall inside the
  // same synth octave, so only its 256 pitch bytes need searching. Low octaves give several
  // bytes the same frequency: take the one nearest the exact pitch so the strip names it right.
  const double ideal = hz / std::pow(2.0, octave - 4) - 256.0;
  int best = 0;
  double bestError = 1e9, bestDistance = 1e9;
  for (int p = 0; p < 256; ++p) {
    const int freq = ((256 + p) * 8) >> (7 - octave);
    const double error = std::fabs(freq - hz);
    const double distance = std::fabs(p - ideal);
    if (error < bestError - 1e-9 || (error < bestError + 1e-9 && distance < bestDistance)) {
      best = p;
      bestError = error;
      bestDistance = distance;
    }
  }
  word = static_cast<uint16_t>(octave << 8 | best);
  return true;
}

bool ParseSongText(const std::string& text, std::vector<uint8_t>& songBytes,
                   std::vector<TextError>& errors) {
  songBytes.clear();
  errors.clear();
  Pass p{errors, {}, 0, false, 0, {}};
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) nl = text.size();
    std::string line = text.substr(pos, nl - pos);
    pos = nl + 1;
    ++p.lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = 0;
    while (first < line.size() && IsSpace(line[first])) ++first;
    if (first == line.size() || line[first] == '#') continue;
    if (p.inRows)
      ParseRowLine(p, line);
    else
      ParseHeaderLine(p, line, first);
  }
  ParsedSong& s = p.song;
  const int endLine = p.lineNo + 1;
  if (!p.inRows) {
    errors.push_back({endLine, 1, "no 'rows' line: the header never ends"});
  } else if (s.rowCount == 0) {
    errors.push_back({p.rowsLine, 1, "no rows after 'rows'"});
  } else {
    const size_t rowSize = 6 * static_cast<size_t>(s.channels);
    if (s.loopRow >= s.rowCount)
      errors.push_back({s.loopLine, s.loopColumn,
                        "loop row " + std::to_string(s.loopRow) + " is not below the row count " +
                            std::to_string(s.rowCount)});
    if (s.tail.size() >= rowSize)
      errors.push_back({s.tailLine, 1,
                        "tail of " + std::to_string(s.tail.size()) +
                            " bytes is not shorter than a row (" + std::to_string(rowSize) +
                            " bytes)"});
    if (s.compressed && s.unpackedLine != 0)
      errors.push_back({s.unpackedLine, 1, "'unpacked' is for uncompressed songs only"});
    const uint64_t dataSize = uint64_t{s.rowCount} * rowSize + s.tail.size();
    if (s.compressed ? dataSize > kMaxUnpackedSize : 16 + s.message.size() + dataSize > 0xFFFFFFFFu)
      errors.push_back({p.rowsLine, 1, "too many rows for one song"});
  }
  if (!errors.empty()) {
    std::stable_sort(errors.begin(), errors.end(), [](const TextError& a, const TextError& b) {
      return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    return false;
  }

  std::vector<uint8_t> data = LayOutRows(s);
  uint32_t unpacked = s.unpackedSize;
  if (s.compressed) {
    unpacked = static_cast<uint32_t>(data.size());
    data = PackAplib(data.data(), data.size());
  }
  uint8_t flags = static_cast<uint8_t>(s.channels | s.spareFlags);
  if (s.interleaved) flags |= 0x10;
  if (s.compressed) flags |= 0x40;
  songBytes = {'Q', 'T', 'N', flags};
  PutLE(songBytes, s.rowsPerSecond, 2);
  PutLE(songBytes, s.loopRow, 4);
  PutLE(songBytes, s.message.size(), 2);
  PutLE(songBytes, unpacked, 4);
  songBytes.insert(songBytes.end(), s.message.begin(), s.message.end());
  songBytes.insert(songBytes.end(), data.begin(), data.end());
  return true;
}

bool PrintSongText(const uint8_t* bytes, size_t size, std::string& text, std::string& error) {
  text.clear();
  error.clear();
  // The player's own checks, so that dump refuses what the player refuses.
  if (size < 3 || std::memcmp(bytes, "QTN", 3) != 0) {
    error = "not a song: magic is not QTN";
    return false;
  }
  if (size < 16) {
    error = "header ends early: " + std::to_string(size) + " of 16 bytes";
    return false;
  }
  const uint8_t flags = bytes[3];
  const uint16_t rate = static_cast<uint16_t>(bytes[4] | bytes[5] << 8);
  const uint32_t loop = Get32(bytes + 6);
  const size_t messageLength = static_cast<size_t>(bytes[10] | bytes[11] << 8);
  const uint32_t unpacked = Get32(bytes + 12);
  if (messageLength > kMaxMessage) {
    error = "message length " + std::to_string(messageLength) + " is above 65519";
    return false;
  }
  const size_t headerSize = 16 + messageLength;
  if (size < headerSize) {
    error = "message runs past the end of the file";
    return false;
  }
  const bool compressed = (flags & 0x40) != 0;
  std::vector<uint8_t> depacked;
  const uint8_t* data = bytes + headerSize;
  size_t dataSize = size - headerSize;
  if (compressed) {
    if (unpacked == 0) {
      error = "compressed with an unpacked size of 0";
      return false;
    }
    if (unpacked > kMaxUnpackedSize) {
      error = "unpacked size " + std::to_string(unpacked) + " is too large";
      return false;
    }
    depacked.resize(unpacked);
    DepackResult r = Depack(data, dataSize, depacked.data(), depacked.size());
    if (r.status != DepackStatus::Ok) {
      error = DepackStatusText(r.status);
      return false;
    }
    if (r.written != unpacked) {
      error = "compressed payload gives " + std::to_string(r.written) + " bytes, header says " +
              std::to_string(unpacked);
      return false;
    }
    data = depacked.data();
    dataSize = depacked.size();
  }
  const int channels = flags & 0x0F;
  if (channels < 1 || channels > 8) {
    error = "channel count " + std::to_string(channels) + " is not 1 to 8";
    return false;
  }
  if (rate == 0) {
    error = "rows per second is 0";
    return false;
  }
  const size_t rowSize = 6 * static_cast<size_t>(channels);
  const size_t rows = dataSize / rowSize;
  if (rows == 0) {
    error = "no whole row of data";
    return false;
  }
  if (loop >= rows) {
    error =
        "loop row " + std::to_string(loop) + " is not below the row count " + std::to_string(rows);
    return false;
  }
  const bool interleaved = (flags & 0x10) != 0;

  std::string& out = text;
  out += "# Quandor song: " + std::to_string(channels) + " channels, " + std::to_string(rows) +
         " rows\n";
  out += "rate " + std::to_string(rate) + "\n";
  out += "loop " + std::to_string(loop) + "\n";
  out += std::string("layout ") + (interleaved ? "interleaved" : "planar") + "\n";
  out += std::string("compression ") + (compressed ? "on" : "off") + "\n";
  out += "channels " + std::to_string(channels) + "\n";
  if (flags & 0xA0) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%02X", flags & 0xA0);
    out += std::string("spare-flags ") + buf + "\n";
  }
  if (!compressed && unpacked != 0) out += "unpacked " + std::to_string(unpacked) + "\n";
  // Long messages go out in pieces so that the text stays readable; build joins them.
  const uint8_t* msg = bytes + 16;
  for (size_t i = 0; i < messageLength; i += 64) {
    out += "message \"";
    for (size_t j = i; j < messageLength && j < i + 64; ++j) {
      uint8_t b = msg[j];
      if (b == '\\' || b == '"') {
        out.push_back('\\');
        out.push_back(static_cast<char>(b));
      } else if (b == '\n') {
        out += "\\n";
      } else if (b >= 0x20 && b < 0x7F) {
        out.push_back(static_cast<char>(b));
      } else {
        out += "\\x";
        AppendHexByte(out, b);
      }
    }
    out += "\"\n";
  }
  const size_t tailSize = dataSize - rows * rowSize;
  if (tailSize > 0) {
    out += "tail";
    for (size_t i = 0; i < tailSize; ++i) {
      out.push_back(' ');
      AppendHexByte(out, data[rows * rowSize + i]);
    }
    out += "\n";
  }
  out += "rows\n";
  const size_t plane = static_cast<size_t>(channels) * rows;
  for (size_t r = 0; r < rows; ++r) {
    if (r == loop)
      out += "# row " + std::to_string(r) + ": loop\n";
    else if (r % 16 == 0)
      out += "# row " + std::to_string(r) + "\n";
    for (int c = 0; c < channels; ++c) {
      Cell cell;
      if (interleaved) {
        for (size_t k = 0; k < 6; ++k) cell[k] = data[r * rowSize + 6 * c + k];
      } else {
        const size_t base = c * rows + r;
        cell[0] = data[base + plane];
        cell[1] = data[base];
        for (size_t k = 2; k < 6; ++k) cell[k] = data[base + k * plane];
      }
      const uint16_t word = static_cast<uint16_t>(cell[0] | cell[1] << 8);
      if (c > 0) out += " | ";
      out.push_back(kLeftMarks[word >> 14]);
      out.push_back(HexChar((word >> 8) & 7));
      AppendHexByte(out, static_cast<uint8_t>(word));
      out.push_back(kRightMarks[(word >> 12) & 3]);
      out += (word & 0x0800) ? " *" : "  ";
      for (int k = 0; k < 4; ++k) {
        out.push_back(' ');
        AppendHexByte(out, cell[kFieldByte[k]]);
      }
    }
    out += "\n";
  }
  return true;
}

}  // namespace quandor::tool
