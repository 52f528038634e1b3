// A window with a known picture that echoes key presses, for the end-to-end check of the text
// screen under a real X server. Prints one line per event of interest and flushes it:
//   "ready"              the picture is on the screen
//   "key SYM MOD"        a key-down (SDL key symbol and modifier mask, decimal)
//   "mode full|window W H"  after Alt+Return switched the mode and refreshed
// Escape ends with status 0. SDL failing to start ends with status 254.
#include <SDL.h>

#include <cstdio>

#include "textscreen/textscreen.h"

namespace {

void Announce(const char* format, unsigned a = 0, unsigned b = 0, unsigned c = 0) {
  std::printf(format, a, b, c);
  std::fflush(stdout);
}

// The picture the end-to-end script looks for; keep the two in step.
void DrawPattern() {
  using namespace quandor;
  TextAttr = 0x00;
  ClearScreen();
  const struct {
    int col, row;
    ScreenCell cell;
  } cells[] = {
      {0, 0, 0x0CDB},    // full block, bright red
      {1, 0, 0x0ADB},    // full block, bright green
      {2, 0, 0x09DB},    // full block, bright blue
      {3, 0, 0x7000},    // character 0: a solid light grey block
      {4, 0, 0x1EDC},    // lower half block: yellow under dark blue
      {79, 49, 0x0DDB},  // full block, magenta, bottom right corner
      // The same colours in the bottom left corner: the part a scaled full screen still
      // shows when no window manager resizes the window.
      {0, 49, 0x0CDB},
      {1, 49, 0x0ADB},
      {2, 49, 0x09DB},
      {3, 49, 0x7000},
      {4, 49, 0x1EDC},
  };
  for (const auto& c : cells) ScreenCells[c.row * 80 + c.col] = c.cell;
  TextAttr = 0xF0;  // black on white
  WriteAt(0, 2, "QUANDOR");
  TextAttr = 0x1F;  // white on blue
  WriteAt(10, 4, "screen probe");
}

}  // namespace

int main() {
  using namespace quandor;
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::printf("SDL video failed: %s\n", SDL_GetError());
    return 254;
  }
  InitTextScreen();
  SetScreenMode(false);
  if (ScreenSurface == nullptr) {
    std::printf("no video mode: %s\n", SDL_GetError());
    SDL_Quit();
    return 254;
  }
  SDL_WM_SetCaption("screen_probe", "screen_probe");
  DrawPattern();
  RefreshScreen();
  Announce("ready\n");
  for (;;) {
    if (!PollKey()) {
      SDL_Delay(20);
      continue;
    }
    const uint32_t sym = LastKeySymbol();
    const uint32_t mod = LastKeyModifiers();
    Announce("key %u %u\n", sym, mod);
    if (sym == SDLK_ESCAPE) break;
    if (sym == SDLK_RETURN && (mod & KMOD_ALT) != 0) {
      SetScreenMode(true);
      RefreshScreen();  // the one present after the switch: no cell changed since the last
      Announce(FullScreen ? "mode full %u %u\n" : "mode window %u %u\n",
               ScreenSurface ? ScreenSurface->w : 0, ScreenSurface ? ScreenSurface->h : 0);
    }
  }
  SDL_Quit();
  return 0;
}
