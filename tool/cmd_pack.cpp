// pack, unpack, relayout: convert a song file's payload between stored forms. Every output is
// checked by loading it again before it is written.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "song/depack.h"
#include "song/song.h"
#include "synth/mixer.h"
#include "tool/lib/aplib_pack.h"
#include "tool/lib/command.h"
#include "tool/lib/song_file.h"

namespace quandor::tool {
namespace {

const char kPackUsage[] =
    "Usage: quandor-tool pack SONG OUT\n"
    "Compresses the song's row data (everything after the header and message) into one aPLib\n"
    "stream: sets flags bit 6 and unpackedSize. A compressed song is unpacked and packed again.\n"
    "OUT '-' writes to standard output.\n";

const char kUnpackUsage[] =
    "Usage: quandor-tool unpack SONG OUT\n"
    "Writes the song with its row data stored plainly: clears flags bit 6. The unpackedSize\n"
    "field keeps the value it had (an uncompressed song never reads it). OUT '-' writes to\n"
    "standard output.\n";

const char kRelayoutUsage[] =
    "Usage: quandor-tool relayout --interleaved|--planar SONG OUT\n"
    "Converts the row data to the other layout (flags bit 4). Bytes after the last whole row\n"
    "stay after the row data. A compressed song stays compressed. OUT '-' writes to standard\n"
    "output.\n";

// The loaded song's header + message, with the flags and unpackedSize given.
std::vector<uint8_t> Header(uint8_t flags, uint32_t unpacked) {
  std::vector<uint8_t> h(SongBuffer, SongBuffer + headerSize);
  h[3] = flags;
  Put32(h.data() + 12, unpacked);
  return h;
}

// Header followed by the packed row data.
std::vector<uint8_t> Packed(uint8_t flags, const std::vector<uint8_t>& rows) {
  std::vector<uint8_t> out =
      Header(static_cast<uint8_t>(flags | 0x40), static_cast<uint32_t>(rows.size()));
  std::vector<uint8_t> stream = PackAplib(rows.data(), rows.size());
  out.insert(out.end(), stream.begin(), stream.end());
  return out;
}

// Loads bytes as a song and compares its header and row data with the expected image, so a
// fault in a converter never reaches a file.
bool Verify(const std::vector<uint8_t>& file, const std::vector<uint8_t>& image,
            std::string& error) {
  uint8_t* copy = new uint8_t[file.size()];
  std::memcpy(copy, file.data(), file.size());
  if (!LoadSongBuffer(copy, static_cast<uint32_t>(file.size()))) {
    error = "internal error: the result does not load: " + LoadError;
    return false;
  }
  // Flags and unpackedSize may differ between the forms; the rest must not.
  bool same = SongSize == image.size() && std::memcmp(SongBuffer, image.data(), 3) == 0 &&
              std::memcmp(SongBuffer + 4, image.data() + 4, 8) == 0 &&
              std::memcmp(SongBuffer + 16, image.data() + 16, image.size() - 16) == 0;
  ReleaseSong();
  if (!same) error = "internal error: the result does not give back the row data";
  return same;
}

bool TwoPaths(const char* name, const std::vector<std::string>& args) {
  if (args.size() == 2) return true;
  std::fprintf(stderr, "quandor-tool %s: needs SONG and OUT (see quandor-tool %s --help)\n", name,
               name);
  return false;
}

int Finish(const std::string& song, const std::string& out, const std::vector<uint8_t>& file,
           const std::vector<uint8_t>& image) {
  std::string error;
  if (!Verify(file, image, error)) {
    ReportError(song, error);
    return kBadInput;
  }
  if (!WriteFileBytes(out, file.data(), file.size(), error)) {
    ReportError(out, error);
    return kBadInput;
  }
  return kOk;
}

int RunPack(const std::vector<std::string>& args) {
  if (!TwoPaths("pack", args)) return kBadUsage;
  std::string error;
  if (!LoadSongFile(args[0], error)) {
    ReportError(args[0], error);
    return kBadInput;
  }
  const std::vector<uint8_t> image = LoadedSongImage();
  const std::vector<uint8_t> rows(image.begin() + headerSize, image.end());
  const std::vector<uint8_t> file = Packed(songFlags, rows);
  ReleaseSong();
  return Finish(args[0], args[1], file, image);
}

int RunUnpack(const std::vector<std::string>& args) {
  if (!TwoPaths("unpack", args)) return kBadUsage;
  std::string error;
  if (!LoadSongFile(args[0], error)) {
    ReportError(args[0], error);
    return kBadInput;
  }
  std::vector<uint8_t> file = LoadedSongImage();
  file[3] = static_cast<uint8_t>(songFlags & ~0x40);
  const std::vector<uint8_t> image = file;
  ReleaseSong();
  return Finish(args[0], args[1], file, image);
}

// Row data of the loaded song in the other layout; the tail after the last row is kept.
std::vector<uint8_t> ConvertRows(bool toInterleaved) {
  const uint8_t* rd = SongBuffer + headerSize;
  const size_t total = SongSize - headerSize;
  const size_t channels = RowSize / 6u, n = RowCount, plane = channels * n;
  const bool fromInterleaved = (songFlags & 0x10) != 0;
  std::vector<uint8_t> out(total);
  for (size_t r = 0; r < n; ++r)
    for (size_t c = 0; c < channels; ++c) {
      uint8_t cell[6];
      if (fromInterleaved) {
        std::memcpy(cell, rd + r * RowSize + 6 * c, 6);
      } else {
        const size_t base = c * n + r;
        cell[0] = rd[base + plane];  // planes 0 and 1 hold the word high byte first
        cell[1] = rd[base];
        for (int k = 2; k < 6; ++k) cell[k] = rd[base + k * plane];
      }
      if (toInterleaved) {
        std::memcpy(out.data() + r * RowSize + 6 * c, cell, 6);
      } else {
        const size_t base = c * n + r;
        out[base] = cell[1];
        out[base + plane] = cell[0];
        for (int k = 2; k < 6; ++k) out[base + k * plane] = cell[k];
      }
    }
  std::memcpy(out.data() + n * RowSize, rd + n * RowSize, total - n * RowSize);
  return out;
}

int RunRelayout(const std::vector<std::string>& args) {
  int target = -1;  // 1 interleaved, 0 planar
  std::vector<std::string> paths;
  for (const std::string& a : args) {
    if (a == "--interleaved" || a == "--planar") {
      int t = a == "--interleaved";
      if (target >= 0 && target != t)
        target = 2;
      else
        target = t;
    } else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "quandor-tool relayout: unknown option %s\n", a.c_str());
      return kBadUsage;
    } else {
      paths.push_back(a);
    }
  }
  if (target < 0 || target > 1) {
    std::fprintf(stderr, "quandor-tool relayout: give one of --interleaved and --planar\n");
    return kBadUsage;
  }
  if (!TwoPaths("relayout", paths)) return kBadUsage;
  std::string error;
  if (!LoadSongFile(paths[0], error)) {
    ReportError(paths[0], error);
    return kBadInput;
  }
  const bool compressed = (songFlags & 0x40) != 0;
  const uint8_t flags = static_cast<uint8_t>(target ? (songFlags | 0x10) : (songFlags & ~0x10));
  const std::vector<uint8_t> rows = ConvertRows(target == 1);
  std::vector<uint8_t> image = Header(flags, unpackedSize);
  image.insert(image.end(), rows.begin(), rows.end());
  const std::vector<uint8_t> file = compressed ? Packed(flags, rows) : image;
  ReleaseSong();
  return Finish(paths[0], paths[1], file, image);
}

const Registration pack({"pack", "compress a song's row data", kPackUsage, RunPack});
const Registration unpack({"unpack", "store a song's row data uncompressed", kUnpackUsage,
                           RunUnpack});
const Registration relayout({"relayout", "convert between interleaved and planar rows",
                             kRelayoutUsage, RunRelayout});

}  // namespace
}  // namespace quandor::tool
