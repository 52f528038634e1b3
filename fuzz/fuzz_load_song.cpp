// The loader on arbitrary file contents: any verdict is fine, but an accepted song must be
// one that can be played without reading outside its buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "playback/sequencer.h"
#include "song/song.h"
#include "synth/mixer.h"
#include "synth/tables.h"

using namespace quandor;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InitSynthTables();
  sampleRate = 48000;
  BuildPitchTable();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  uint8_t* copy = new uint8_t[size ? size : 1];
  if (size) std::memcpy(copy, data, size);
  const bool ok = LoadSongBuffer(copy, static_cast<uint32_t>(size));
  if (ok) {
    // What playback relies on after a successful load.
    if (lastVoice > 7 || RowCount == 0 || loopRow >= RowCount || rowsPerSecond == 0 ||
        RowSize != 6 * (lastVoice + 1) ||
        static_cast<uint64_t>(headerSize) + static_cast<uint64_t>(RowCount) * RowSize > SongSize ||
        !LoadError.empty())
      std::abort();
    // The first and the last row are the extremes of both fetch routines.
    CurrentRow.store(0);
    FetchRow();
    CurrentRow.store(RowCount - 1);
    FetchRow();
  } else {
    if (LoadError.empty() || SongBuffer != nullptr || lastVoice > 7) std::abort();
  }
  ReleaseSong();
  return 0;
}
