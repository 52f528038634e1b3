// Program entry: the command-line decision, the usage text, start-up, the main loop and the
// shut-down.
#include <SDL.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "player/player.h"
#include "selector/listing.h"
#include "selector/selector.h"
#include "song/song.h"
#include "synth/tables.h"
#include "synth/timbre.h"
#include "synth/wavetable.h"
#include "textscreen/textscreen.h"

namespace quandor {
namespace {

enum class LaunchMode { kUsage, kPlayOneFile, kSelectorLoop };

constexpr int kSdlFailureStatus = 254;
constexpr Uint32 kAudioAndVideo = SDL_INIT_AUDIO | SDL_INIT_VIDEO;  // 0x30

// The banner as UTF-8: CP437 blocks 219, 178, 177, 176 are the Unicode full block and shades.
const char kBannerUtf8[] =
    "\u2588\u2588 ZORVEK Kestrapal_w32 b20080226                                    "
    "\u2588\u2588\u2588\u2588\u2588\u2593\u2593\u2593\u2592\u2592\u2591";

LaunchMode DecideLaunchMode(int argc, char** argv) {
  if (argc != 2) return LaunchMode::kSelectorLoop;  // none, or two and more: all ignored
  if (std::strcmp(argv[1], "/?") == 0) return LaunchMode::kUsage;
  return LaunchMode::kPlayOneFile;
}

void Startup() {
  sampleRate = 48000;
  BuildPitchTable();
  SelectorInit();
}

void Shutdown() {
  SDL_Quit();
  SelectorDone();
}

void SelectorLoop() {
  bool chosen;
  do {
    chosen = RunSelector(SongFileName);
    RefreshScreen();
    if (chosen) PlaySong();
    RefreshScreen();
  } while (chosen);
}

int Main(int argc, char** argv) {
  InitSynthTables();
  InitTextScreen();
  SongFileName.clear();
  StartDirectory.clear();

  const LaunchMode mode = DecideLaunchMode(argc, argv);
  if (mode == LaunchMode::kUsage) {
    std::fputs(kBannerUtf8, stdout);
    std::fputs("Syntax: Quandor <file.sng>\n", stdout);
    std::fputs("Envvars: QUANDOR_PRECALC: Set Latency\n", stdout);
    return 0;
  }
  if (mode == LaunchMode::kPlayOneFile) SongFileName = argv[1];

  Startup();
  LoadStartupTimbre();
  BuildWavetable();
  VisibleRows = 47;
  if (SDL_InitSubSystem(kAudioAndVideo) < 0) {
    std::printf("?SDL: %s  ERROR\n", SDL_GetError());
    std::fflush(stdout);
    Shutdown();
    return kSdlFailureStatus;
  }
  SetScreenMode(false);
  if (!ScreenSurface) {
    std::printf("Could not init video mode: %s\n", SDL_GetError());
    std::fflush(stdout);
    SDL_Quit();
    return kSdlFailureStatus;
  }
  SDL_EnableKeyRepeat(300, 30);
  // SDL turns Ctrl+C and kill into a quit event, which the screens ignore like a window close;
  // give the signals back their usual effect so the program can still be stopped from outside.
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);

  if (mode == LaunchMode::kPlayOneFile) {
    PlaySong();
  } else {
    SelectorLoop();
  }
  Shutdown();
  return 0;
}

}  // namespace
}  // namespace quandor

int main(int argc, char** argv) {
  return quandor::Main(argc, argv);
}
