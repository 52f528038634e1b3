#include "player/keys.h"

#include "playback/callback.h"
#include "playback/sequencer.h"
#include "player/player.h"
#include "player/scope.h"
#include "synth/timbre.h"
#include "textscreen/textscreen.h"

namespace quandor {

namespace {
constexpr uint32_t kAlt = 0x0300;

void ToggleMute(int channel) {
  MuteFlags[channel].store(MuteFlags[channel].load(std::memory_order_relaxed) ? 0 : 1,
                           std::memory_order_relaxed);
}
}  // namespace

void HandlePlayerKey(uint32_t symbol, uint32_t modifiers) {
  switch (symbol) {
    case 8:
      BoostMode.store(!BoostMode.load(std::memory_order_relaxed), std::memory_order_relaxed);
      break;
    case 9:
      // Either view starts empty: no stale cells under the scope, no scope pixels under cells.
      PatternView = !PatternView;
      FillRows(17, 33, 0);
      ClearScopePixels();
      break;
    case 13:
      if (modifiers & kAlt) {
        SetScreenMode(true);
      } else {
        RestartSong();
      }
      break;
    case 27:
      QuitRequested = true;
      break;
    case 105:
      ToggleMute(0);
      break;
    case 111:
      ToggleMute(1);
      break;
    case 112:
      ToggleMute(2);
      break;
    case 273:
      if (PatternStep > 0) --PatternStep;
      break;
    case 274:
      if (PatternStep < 255) ++PatternStep;
      break;
    case 275:
      SeekForward();
      break;
    case 276:
      SeekBack();
      break;
    default:
      TimbreKey(symbol, modifiers);
      break;
  }
}

}  // namespace quandor
