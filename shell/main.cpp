// Program entry: the command-line decision, the usage text and the run.
#include <cstdio>
#include <cstring>
#include <string>

#include "song/song.h"
#include "synth/tables.h"

namespace quandor {
namespace {

// The banner as UTF-8: CP437 blocks 219, 178, 177, 176 are the Unicode full block and shades.
const char kBannerUtf8[] =
    "\u2588\u2588 ZORVEK Kestrapal_w32 b20080226                                    "
    "\u2588\u2588\u2588\u2588\u2588\u2593\u2593\u2593\u2592\u2592\u2591";

int Main(int argc, char** argv) {
  InitSynthTables();
  if (argc == 2 && std::strcmp(argv[1], "/?") == 0) {
    std::fputs(kBannerUtf8, stdout);
    std::fputs("Syntax: Quandor <file.sng>\n", stdout);
    std::fputs("Envvars: QUANDOR_PRECALC: Set Latency\n", stdout);
    return 0;
  }
  if (argc == 2) {
    SongFileName = argv[1];
    sampleRate = 48000;
    BuildPitchTable();
    LoadSong();
    ReleaseSong();
  }
  return 0;
}

}  // namespace
}  // namespace quandor

int main(int argc, char** argv) { return quandor::Main(argc, argv); }
