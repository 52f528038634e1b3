#include "player/scope.h"

#include <cstring>

#include "playback/callback.h"
#include "synth/wavetable.h"
#include "textscreen/textscreen.h"

namespace quandor {

uint16_t ScopeGain = 1;  // owned here; reset per song and by ResetLowerView

namespace {
constexpr int kTop = 136;
constexpr int kBottom = 391;
constexpr int kCentre = 264;

void SetPixel(int x, int y, uint8_t colour) {
  PixelBuffer[y * 640 + x] = colour;
}
}  // namespace

void ClearScopePixels() {
  std::memset(PixelBuffer + kTop * 640, 0, (kBottom - kTop + 1) * 640);
}

void DrawScope() {
  FillRows(17, 33, 0);
  ClearScopePixels();
  const uint64_t frames = CallbackFrames.load(std::memory_order_relaxed);
  for (int x = 0; x < 640; ++x) {
    uint64_t i = frames * static_cast<uint64_t>(x) / 640;
    if (i > 65535) i = 65535;  // the scope buffer's last entry
    int v = ScopeBuffer[i].load(std::memory_order_relaxed) / ScopeGain;
    if (v > 127 || v < -127) {
      ++ScopeGain;
      v = 0;
    }
    SetPixel(x, kTop, 7);
    SetPixel(x, kBottom, 7);
    SetPixel(x, kCentre - v, 2);
    if (x >= 64 && x < 576) SetPixel(x, kBottom - WavetableAt(x - 64), 12);
  }
}

void ResetScope() {
  ScopeGain = 1;
}

}  // namespace quandor
