// Builds song files in memory for tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace quandor::test {

struct Cell {
  uint16_t word = 0;  // pitch 0-7, octave 8-10, noise 11, right code 12-13, left code 14-15
  uint8_t pulseWidth = 0;
  uint8_t waveform = 0;
  uint8_t volume = 0;
  uint8_t cutoff = 0;
};

struct SongRecipe {
  uint8_t channels = 1;     // written into flags bits 0-3
  bool interleaved = true;  // flags bit 4
  uint8_t extraFlags = 0;   // OR-ed into the flags byte as is
  uint16_t rowsPerSecond = 50;
  uint32_t loopRow = 0;
  std::string message;
  uint32_t unpackedSize = 0;            // header field only
  std::vector<std::vector<Cell>> rows;  // rows x channels
  std::vector<uint8_t> tail;            // bytes after the last whole row
};

// Header + message + row data in the chosen layout (uncompressed).
std::vector<uint8_t> BuildSongBytes(const SongRecipe& recipe);

// The row data alone, in the chosen layout (no tail).
std::vector<uint8_t> BuildRowData(const SongRecipe& recipe);

// Hands a copy of bytes to the loader (LoadSongBuffer); returns its verdict.
bool LoadBytes(const std::vector<uint8_t>& bytes);

// Writes bytes to a fresh file under the system's temporary directory; returns its path.
std::string WriteTempFile(const std::vector<uint8_t>& bytes, const std::string& suffix = ".sng");

// Row data of a small tune as a song holds it interleaved: held notes, decaying volumes,
// sweeps and a repeating pattern with variations (realistic material for the compressor).
std::vector<uint8_t> TuneRows(uint32_t rows, int channels, uint32_t seed);

// Program-start state of the engine at 48000 frames per second with the start-up timbre.
void ResetToProgramStart();

}  // namespace quandor::test
