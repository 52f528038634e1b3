// The text parser of quandor-tool's build command on arbitrary text. Every mistake must come
// back as an error with a position inside the text; a text that builds into a song the loader
// accepts must come back unchanged through dump and build.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "song/song.h"
#include "synth/tables.h"
#include "tool/lib/song_text.h"

using namespace quandor;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InitSynthTables();
  sampleRate = 48000;
  BuildPitchTable();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<uint8_t> bytes;
  std::vector<tool::TextError> errors;
  const bool ok = tool::ParseSongText(text, bytes, errors);
  if (!ok) {
    if (errors.empty() || !bytes.empty()) std::abort();
    long lines = 1;
    for (char ch : text) lines += ch == '\n';
    for (const tool::TextError& e : errors)
      if (e.line < 1 || e.line > lines + 1 || e.column < 1 || e.message.empty()) std::abort();
    return 0;
  }
  if (!errors.empty() || bytes.empty()) std::abort();
  std::string dumped, why;
  if (!tool::PrintSongText(bytes.data(), bytes.size(), dumped, why)) return 0;  // not playable
  std::vector<uint8_t> again;
  std::vector<tool::TextError> againErrors;
  if (!tool::ParseSongText(dumped, again, againErrors) || again != bytes) std::abort();
  return 0;
}
