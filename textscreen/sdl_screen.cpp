// The only file of the text screen that calls SDL: video mode, presenting PixelBuffer and the
// event poll. Main thread only.
#include <SDL.h>

#include "textscreen/internal.h"
#include "textscreen/textscreen.h"

namespace quandor {

static_assert(sizeof(PaletteColor) == sizeof(SDL_Color), "Palette16 is handed to SDL as is");

bool FullScreen = false;               // owned here: changed only by SetScreenMode(true)
SDL_Surface* ScreenSurface = nullptr;  // owned here: the surface of the last mode set
SDL_Event LastEvent;                   // owned here: the event taken by the last poll

namespace {

SDL_Surface* OpenVideoMode() {
  return SDL_SetVideoMode(640, 400, 8, FullScreen ? SDL_FULLSCREEN : 0);
}

}  // namespace

void ResetScreenDevice() {
  FullScreen = false;
  ScreenSurface = nullptr;
  LastEvent = SDL_Event{};
}

uint32_t LastKeySymbol() {
  return static_cast<uint32_t>(LastEvent.key.keysym.sym);
}

uint32_t LastKeyModifiers() {
  return static_cast<uint32_t>(LastEvent.key.keysym.mod);
}

void SetScreenMode(bool toggle) {
  if (toggle) FullScreen = !FullScreen;
  SDL_Surface* surface = OpenVideoMode();
  if (surface == nullptr && toggle) {
    // The switch failed: a key press must not cost the user the screen, so go back to the
    // mode that worked. The old surface may already be gone, hence the second request.
    FullScreen = !FullScreen;
    surface = OpenVideoMode();
  }
  ScreenSurface = surface;
  if (ScreenSurface != nullptr) {
    SDL_SetColors(ScreenSurface, reinterpret_cast<SDL_Color*>(Palette16), 0, 16);
  }
}

void RefreshScreen() {
  RenderChangedCells();
  // No surface only before the first mode set or after a failed one; there is nothing to show.
  if (ScreenSurface == nullptr) return;
  if (SDL_LockSurface(ScreenSurface) == 0) {
    CopyPixelBuffer(static_cast<uint8_t*>(ScreenSurface->pixels), ScreenSurface->pitch);
    SDL_UnlockSurface(ScreenSurface);
  }
  SDL_UpdateRect(ScreenSurface, 0, 0, 0, 0);
}

bool PollKey() {
  return SDL_PollEvent(&LastEvent) == 1 && LastEvent.type == SDL_KEYDOWN;
}

bool WaitKey() {
  return SDL_WaitEvent(&LastEvent) == 1 && LastEvent.type == SDL_KEYDOWN;
}

}  // namespace quandor
