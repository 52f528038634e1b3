// Song files for quandor-tool: reading one into the loader with a readable refusal, and writing
// files so that an existing output is replaced only by a complete new one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quandor::tool {

// Reads a whole file. On failure error holds the system's reason ("No such file or directory").
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// Reads path and hands it to LoadSongBuffer, so the song becomes the loaded song (SongBuffer
// then holds the header and the depacked row data). On failure error is the one-line reason
// (the loader's refusal or the read error) and no song is held. fileSize, when given, receives
// the size of the file as stored.
bool LoadSongFile(const std::string& path, std::string& error, uint32_t* fileSize = nullptr);

// Prints "quandor-tool: <what>: <why>" on standard error.
void ReportError(const std::string& what, const std::string& why);

// A file being written beside its final path; Commit renames it into place.
struct PendingFile {
  std::string finalPath;
  std::string tempPath;
  int fd = -1;
};

// Creates a fresh temporary file in the directory of path.
bool BeginFile(const std::string& path, PendingFile& file, std::string& error);
// Flushes, closes and renames the file to its final path (mode 0644 less the umask).
bool CommitFile(PendingFile& file, std::string& error);
// Closes and removes the temporary file; safe to call twice or after CommitFile.
void DiscardFile(PendingFile& file);

// Writes all bytes to a descriptor, retrying short writes.
bool WriteAll(int fd, const uint8_t* data, size_t size);

// Writes bytes to path through a temporary file; "-" writes them to standard output.
bool WriteFileBytes(const std::string& path, const uint8_t* data, size_t size, std::string& error);

// The loaded song as an uncompressed file: header (flags and unpackedSize as loaded) and the
// whole row data, tail included.
std::vector<uint8_t> LoadedSongImage();

// Header field access on song bytes (little-endian).
inline uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace quandor::tool
