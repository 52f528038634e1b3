// info: a song's header fields, layout, compression, size and message.
#include <cstdio>
#include <string>
#include <vector>

#include "song/song.h"
#include "synth/mixer.h"
#include "synth/tables.h"
#include "tool/lib/command.h"
#include "tool/lib/song_file.h"

namespace quandor::tool {
namespace {

const char kUsage[] =
    "Usage: quandor-tool info [--json] SONG...\n"
    "Shows each song's header fields, layout, compression and ratio, channel count, rows,\n"
    "length and loop point (mm:ss at the song's row rate) and its message text (the screen\n"
    "font's code page 437 shown as UTF-8). --json prints one object per song (an array for\n"
    "several). Exit status 1 when a song is refused, 2 for bad usage.\n";

// The screen font's code page 437 as Unicode; code 0 is a blank cell.
const uint16_t kCp437[256] = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9, 0x2642,
    0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC, 0x0020, 0x0021, 0x0022, 0x0023,
    0x0024, 0x0025, 0x0026, 0x0027, 0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B,
    0x003C, 0x003D, 0x003E, 0x003F, 0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F, 0x0050, 0x0051, 0x0052, 0x0053,
    0x0054, 0x0055, 0x0056, 0x0057, 0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067, 0x0068, 0x0069, 0x006A, 0x006B,
    0x006C, 0x006D, 0x006E, 0x006F, 0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x2302, 0x00C7, 0x00FC, 0x00E9, 0x00E2,
    0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2,
    0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566,
    0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0,
    0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A,
    0x207F, 0x00B2, 0x25A0, 0x00A0,
};

std::string Cp437ToUtf8(const std::string& bytes) {
  std::string out;
  for (unsigned char b : bytes) {
    const uint16_t u = kCp437[b];
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | u >> 6);
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | u >> 12);
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string MinutesSeconds(uint64_t rows, uint32_t perSecond) {
  const uint64_t seconds = rows / perSecond;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02llu:%02llu", static_cast<unsigned long long>(seconds / 60),
                static_cast<unsigned long long>(seconds % 60));
  return buf;
}

struct Facts {
  std::string path;
  uint32_t fileSize;
  uint8_t flags;
  bool compressed, interleaved;
  uint32_t storedPayload, rowData, tail;
};

void PrintText(const Facts& f) {
  std::printf("%s\n", f.path.c_str());
  std::printf("  magic          QTN\n");
  std::printf("  flags          0x%02X\n", f.flags);
  std::printf("  channels       %d\n", lastVoice + 1);
  std::printf("  layout         %s\n", f.interleaved ? "interleaved" : "planar");
  if (f.compressed)
    std::printf("  compression    aPLib: %u bytes stored for %u (%.1f%%)\n", f.storedPayload,
                f.rowData, 100.0 * f.storedPayload / f.rowData);
  else
    std::printf("  compression    none: %u bytes of row data\n", f.rowData);
  std::printf("  unpackedSize   %u%s\n", unpackedSize, f.compressed ? "" : " (not used)");
  std::printf("  rowsPerSecond  %u hz (%u frames per tick)\n", rowsPerSecond, FramesPerTick);
  std::printf("  rows           %u of %u bytes", RowCount, RowSize);
  if (f.tail) std::printf(", %u bytes of tail", f.tail);
  std::printf("\n  length         %s\n", MinutesSeconds(RowCount, rowsPerSecond).c_str());
  std::printf("  loopRow        %u (%s)\n", loopRow,
              MinutesSeconds(loopRow, rowsPerSecond).c_str());
  std::printf("  messageLength  %u\n", messageLength);
  std::printf("  message        %s\n", Cp437ToUtf8(message).c_str());
}

void PrintJson(const Facts& f) {
  std::printf("{\"file\": %s, \"fileSize\": %u, \"magic\": \"QTN\", \"flags\": %u, ",
              JsonString(f.path).c_str(), f.fileSize, f.flags);
  std::printf("\"channels\": %d, \"layout\": \"%s\", \"compressed\": %s, ", lastVoice + 1,
              f.interleaved ? "interleaved" : "planar", f.compressed ? "true" : "false");
  std::printf("\"storedPayload\": %u, \"rowDataSize\": %u, \"ratio\": %.4f, ", f.storedPayload,
              f.rowData, static_cast<double>(f.storedPayload) / f.rowData);
  std::printf("\"unpackedSize\": %u, \"rowsPerSecond\": %u, \"framesPerTick\": %u, ", unpackedSize,
              rowsPerSecond, FramesPerTick);
  std::printf("\"rowSize\": %u, \"rows\": %u, \"tail\": %u, ", RowSize, RowCount, f.tail);
  std::printf("\"length\": %s, \"seconds\": %.3f, ",
              JsonString(MinutesSeconds(RowCount, rowsPerSecond)).c_str(),
              static_cast<double>(RowCount) / rowsPerSecond);
  std::printf("\"loopRow\": %u, \"loopTime\": %s, \"loopSeconds\": %.3f, ", loopRow,
              JsonString(MinutesSeconds(loopRow, rowsPerSecond)).c_str(),
              static_cast<double>(loopRow) / rowsPerSecond);
  std::printf("\"messageLength\": %u, \"message\": %s}", messageLength,
              JsonString(Cp437ToUtf8(message)).c_str());
}

int Run(const std::vector<std::string>& args) {
  bool json = false;
  std::vector<std::string> songs;
  for (const std::string& a : args) {
    if (a == "--json") {
      json = true;
    } else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "quandor-tool info: unknown option %s\n", a.c_str());
      return kBadUsage;
    } else {
      songs.push_back(a);
    }
  }
  if (songs.empty()) {
    std::fputs(kUsage, stderr);
    return kBadUsage;
  }
  sampleRate = 48000;  // the player's output rate, from which FramesPerTick follows
  int status = kOk;
  int printed = 0;
  if (json && songs.size() > 1) std::printf("[");
  for (const std::string& path : songs) {
    std::string error;
    Facts f{};
    f.path = path;
    if (!LoadSongFile(path, error, &f.fileSize)) {
      ReportError(path, error);
      status = kBadInput;
      continue;
    }
    f.flags = songFlags;
    f.compressed = (songFlags & 0x40) != 0;
    f.interleaved = (songFlags & 0x10) != 0;
    f.storedPayload = f.fileSize - headerSize;
    f.rowData = SongSize - headerSize;
    f.tail = f.rowData - RowCount * RowSize;
    if (json) {
      if (printed && songs.size() > 1) std::printf(",\n ");
      PrintJson(f);
    } else {
      if (printed) std::printf("\n");
      PrintText(f);
    }
    ++printed;
    ReleaseSong();
  }
  if (json && songs.size() > 1) std::printf("]");
  if (json && (printed || songs.size() > 1)) std::printf("\n");
  return status;
}

const Registration registration({"info", "show a song's header, size, length and message", kUsage,
                                 Run});

}  // namespace
}  // namespace quandor::tool
