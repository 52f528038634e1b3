// The floor of the player's CPU use: a bare SDL program that presents an unchanged 640x400
// 8-bit image 20 times a second, the way the text screen's refresh does (one block copy into
// the locked surface, one whole-surface update), and takes one event per frame as the player's
// key poll does. Runs for the given number of seconds (default 10) or until it is closed.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  const unsigned seconds = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 10;
  if (SDL_Init(SDL_INIT_VIDEO) < 0) {
    std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
    return 254;
  }
  SDL_Surface* surface = SDL_SetVideoMode(640, 400, 8, 0);
  if (!surface) {
    std::fprintf(stderr, "SDL_SetVideoMode: %s\n", SDL_GetError());
    SDL_Quit();
    return 254;
  }
  SDL_Color colours[16];
  for (int i = 0; i < 16; ++i) {
    const Uint8 level = i & 8 ? 255 : 128;
    colours[i] = {static_cast<Uint8>(i & 4 ? level : 0), static_cast<Uint8>(i & 2 ? level : 0),
                  static_cast<Uint8>(i & 1 ? level : 0), 0};
  }
  SDL_SetColors(surface, colours, 0, 16);

  // A fixed picture: stripes of all 16 colours.
  static Uint8 image[640 * 400];
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 640; ++x) image[y * 640 + x] = static_cast<Uint8>((x / 40 + y / 25) & 15);

  const Uint32 end = SDL_GetTicks() + seconds * 1000;
  SDL_Event event;
  while (SDL_GetTicks() < end) {
    SDL_Delay(50);
    if (SDL_LockSurface(surface) == 0) {
      Uint8* pixels = static_cast<Uint8*>(surface->pixels);
      if (surface->pitch == 640) {
        std::memcpy(pixels, image, sizeof image);
      } else {
        for (int y = 0; y < 400; ++y)
          std::memcpy(pixels + y * surface->pitch, image + y * 640, 640);
      }
      SDL_UnlockSurface(surface);
    }
    SDL_UpdateRect(surface, 0, 0, 0, 0);
    // A window close or SIGTERM ends the run early.
    if (SDL_PollEvent(&event) && event.type == SDL_QUIT) break;
  }
  SDL_Quit();
  return 0;
}
