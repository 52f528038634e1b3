// The loaded song: file reading, header checks, depacking and the row fetch.
// Loading runs on the main thread with no audio open; during playback only the row fetch
// (audio thread) reads these values, and only CurrentRow changes.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace quandor {

extern std::string SongFileName;  // the song to play next (set by the shell or the selector)
extern uint8_t* SongBuffer;       // the whole file, or header + depacked rows; owned here
extern uint32_t SongSize;         // bytes in SongBuffer
extern uint8_t songFlags;         // header flags byte
extern uint16_t rowsPerSecond;
extern uint32_t loopRow;
extern uint16_t messageLength;
extern std::string message;     // messageLength bytes of screen-font codes
extern uint32_t unpackedSize;   // read for compressed songs only
extern uint16_t headerSize;     // 16 + messageLength
extern uint8_t RowSize;         // 6 x channel count
extern uint32_t RowCount;       // whole rows in the row data
extern uint32_t FramesPerTick;  // sampleRate div rowsPerSecond
extern void (*FetchRow)();      // FetchInterleavedRow or FetchPlanarRow
// The row most recently fetched: 8 records of 6 bytes. Written by the audio thread, read by
// the display.
extern std::atomic<uint8_t> RowBuffer[48];
extern std::string LoadError;  // why the last LoadSong refused its file ("" after success)

// Upper bound on a compressed song's unpackedSize: larger claims are refused rather than
// allocated.
constexpr uint32_t kMaxUnpackedSize = 256u << 20;

// Reads and checks SongFileName. False: the song is refused (LoadError says why) and no song
// buffer is held. A file that cannot be read ends the program with the fatal report.
bool LoadSong();

// The checks and set-up of LoadSong on bytes already in memory. Takes ownership of buffer,
// which must come from new uint8_t[].
bool LoadSongBuffer(uint8_t* buffer, uint32_t size);

// Releases SongBuffer (safe to call when none is held).
void ReleaseSong();

void FetchInterleavedRow();
void FetchPlanarRow();

// Reads one byte of RowBuffer (channel c's record byte k).
inline uint8_t RowByte(int c, int k) {
  return RowBuffer[6 * c + k].load(std::memory_order_relaxed);
}
inline uint16_t RowWord(int c) {
  return static_cast<uint16_t>(RowByte(c, 0) | RowByte(c, 1) << 8);
}

// The status line's file name: the path when it has at most 28 characters, else "..." and
// its last 28.
std::string ShortDisplayName(const std::string& path);

}  // namespace quandor
