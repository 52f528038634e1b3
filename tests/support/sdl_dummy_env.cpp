// Test programs that use SDL run without a display or sound card: SDL's dummy drivers are the
// default unless the environment already names others (the disk driver for audio captures).
#include <cstdlib>

namespace {
const bool kDriversChosen = [] {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  return true;
}();
}  // namespace
