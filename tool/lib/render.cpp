#include "tool/lib/render.h"

#include <cstring>
#include <vector>

#include "playback/callback.h"
#include "playback/sequencer.h"
#include "song/song.h"
#include "synth/tables.h"
#include "synth/timbre.h"
#include "synth/wavetable.h"

namespace quandor::tool {

void ResetForRender(const RenderSettings& settings) {
  ResetToStartupState();
  if (settings.preset >= 1 && settings.preset <= 3) {
    std::memcpy(HarmonicBanks, HarmonicPresets[settings.preset - 1], 16);
    BuildWavetable();
  }
  for (int c = 0; c < 8; ++c) MuteFlags[c].store(settings.mute[c] ? 1 : 0);
  BoostMode.store(settings.boost);
}

uint32_t TickFrames() {
  const uint32_t frames = FramesPerTick & 0xFFFF;  // the countdown holds the low 16 bits
  return frames == 0 ? 65536 : frames;
}

uint64_t SongFrames(uint32_t loops) {
  const uint64_t ticks =
      static_cast<uint64_t>(RowCount) + static_cast<uint64_t>(loops) * (RowCount - loopRow);
  return ticks * TickFrames();
}

bool RenderFrames(uint64_t frames, const std::function<bool(const int16_t*, uint32_t)>& sink) {
  std::vector<int16_t> buffer(2 * kCallbackFrames);
  for (uint64_t done = 0; done < frames;) {
    const uint32_t n =
        frames - done < kCallbackFrames ? static_cast<uint32_t>(frames - done) : kCallbackFrames;
    AudioCallback(nullptr, reinterpret_cast<uint8_t*>(buffer.data()), static_cast<int>(4 * n));
    if (!sink(buffer.data(), n)) return false;
    done += n;
  }
  return true;
}

void ApplyFade(int16_t* buffer, uint32_t count, uint64_t first, uint64_t total,
               uint64_t fadeFrames) {
  if (fadeFrames == 0) return;
  if (fadeFrames > total) fadeFrames = total;
  const uint64_t fadeStart = total - fadeFrames;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t frame = first + i;
    if (frame < fadeStart) continue;
    // Gain runs from 1 at the fade's first frame down to 1/fadeFrames at the last.
    const int64_t gain = static_cast<int64_t>(total - frame);
    for (int ch = 0; ch < 2; ++ch) {
      int16_t& s = buffer[2 * i + ch];
      s = static_cast<int16_t>(s * gain / static_cast<int64_t>(fadeFrames));
    }
  }
}

}  // namespace quandor::tool
