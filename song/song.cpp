#include "song/song.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "playback/sequencer.h"
#include "shell/fatal.h"
#include "song/depack.h"
#include "synth/mixer.h"
#include "synth/tables.h"

namespace quandor {

std::string SongFileName;
uint8_t* SongBuffer = nullptr;
uint32_t SongSize = 0;
uint8_t songFlags = 0;
uint16_t rowsPerSecond = 0;
uint32_t loopRow = 0;
uint16_t messageLength = 0;
std::string message;
uint32_t unpackedSize = 0;
uint16_t headerSize = 16;
uint8_t RowSize = 6;
uint32_t RowCount = 0;
uint32_t FramesPerTick = 0;
void (*FetchRow)() = FetchInterleavedRow;
std::atomic<uint8_t> RowBuffer[48];
std::string LoadError;

namespace {
inline uint16_t Get16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool Reject(const std::string& why) {
  LoadError = why;
  if (lastVoice > 7) lastVoice = 0;  // the mixer indexes Voices with it
  ReleaseSong();
  return false;
}

// Reads the whole file into a new buffer; any failure ends the program with the fatal report.
void ReadSongFile(uint8_t*& buffer, uint32_t& size) {
  std::string path = SongFileName.substr(0, 255);
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ReportFatal(ErrnoToCode(errno));
  struct stat st;
  if (fstat(fd, &st) != 0) ReportFatal(ErrnoToCode(errno));
  if (S_ISDIR(st.st_mode)) ReportFatal(5);  // a directory cannot be read as a song
  if (st.st_size < 0 || static_cast<uint64_t>(st.st_size) > 0xFFFFFFFFu) ReportFatal(203);
  size = static_cast<uint32_t>(st.st_size);
  buffer = new (std::nothrow) uint8_t[size ? size : 1];
  if (!buffer) ReportFatal(203);
  size_t got = 0;
  while (got < size) {
    ssize_t n = read(fd, buffer + got, size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      ReportFatal(ErrnoToCode(errno));
    }
    if (n == 0) ReportFatal(100);  // fewer bytes than the size promised
    got += static_cast<size_t>(n);
  }
  if (close(fd) != 0) ReportFatal(ErrnoToCode(errno));
}
}  // namespace

void ReleaseSong() {
  delete[] SongBuffer;
  SongBuffer = nullptr;
  SongSize = 0;
}

bool LoadSong() {
  uint8_t* buffer = nullptr;
  uint32_t size = 0;
  ReadSongFile(buffer, size);
  return LoadSongBuffer(buffer, size);
}

bool LoadSongBuffer(uint8_t* buffer, uint32_t size) {
  ReleaseSong();
  SongBuffer = buffer;
  SongSize = size;
  LoadError.clear();
  message.clear();

  if (size < 3 || std::memcmp(SongBuffer, "QTN", 3) != 0)
    return Reject("not a song: magic is not QTN");
  if (size < 16) return Reject("header ends early: " + std::to_string(size) + " of 16 bytes");
  songFlags = SongBuffer[3];
  rowsPerSecond = Get16(SongBuffer + 4);
  loopRow = Get32(SongBuffer + 6);
  messageLength = Get16(SongBuffer + 10);
  unpackedSize = Get32(SongBuffer + 12);
  if (messageLength > 65535 - 16)
    return Reject("message length " + std::to_string(messageLength) + " is above 65519");
  headerSize = static_cast<uint16_t>(16 + messageLength);
  if (size < headerSize) return Reject("message runs past the end of the file");
  message.assign(reinterpret_cast<const char*>(SongBuffer + 16), messageLength);
  FetchRow = (songFlags & 0x10) ? FetchInterleavedRow : FetchPlanarRow;

  if (songFlags & 0x40) {
    if (unpackedSize == 0) return Reject("compressed with an unpacked size of 0");
    if (unpackedSize > kMaxUnpackedSize)
      return Reject("unpacked size " + std::to_string(unpackedSize) + " is too large");
    if (!DepackPayload()) return Reject(LoadError);
  }

  lastVoice = static_cast<uint8_t>((songFlags & 0x0F) - 1);
  RowSize = static_cast<uint8_t>((lastVoice + 1) * 6);
  if (lastVoice > 7)
    return Reject("channel count " + std::to_string(songFlags & 0x0F) + " is not 1 to 8");
  if (rowsPerSecond == 0) return Reject("rows per second is 0");
  FramesPerTick = sampleRate / rowsPerSecond;
  RowCount = static_cast<uint32_t>((static_cast<int64_t>(SongSize) - headerSize) / RowSize);
  if (RowCount == 0) return Reject("no whole row of data");
  if (loopRow >= RowCount)
    return Reject("loop row " + std::to_string(loopRow) + " is not below the row count " +
                  std::to_string(RowCount));
  return true;
}

void FetchInterleavedRow() {
  const uint8_t* row =
      SongBuffer + headerSize + CurrentRow.load(std::memory_order_relaxed) * RowSize;
  for (int i = 0; i < RowSize; ++i) RowBuffer[i].store(row[i], std::memory_order_relaxed);
}

void FetchPlanarRow() {
  const uint32_t channels = RowSize / 6u;
  const uint32_t plane = channels * RowCount;
  const uint32_t row = CurrentRow.load(std::memory_order_relaxed);
  for (uint32_t c = 0; c < channels; ++c) {
    const uint8_t* base = SongBuffer + headerSize + c * RowCount + row;
    // Planes 0 and 1 carry the word high byte first.
    RowBuffer[6 * c].store(base[plane], std::memory_order_relaxed);
    RowBuffer[6 * c + 1].store(base[0], std::memory_order_relaxed);
    for (int k = 2; k < 6; ++k)
      RowBuffer[6 * c + k].store(base[k * plane], std::memory_order_relaxed);
  }
}

std::string ShortDisplayName(const std::string& path) {
  if (path.size() <= 28) return path;
  return "..." + path.substr(path.size() - 28);
}

}  // namespace quandor
