// Offline rendering: the frames the player's audio callback produces for a song played first
// after start-up. Works on the engine's module-level state, so one render runs at a time per
// process.
#pragma once
#include <cstdint>
#include <functional>

namespace quandor::tool {

struct RenderSettings {
  bool mute[8] = {};  // channels (0-based) whose voices are silenced from the first tick
  bool boost = false;
  int preset = 1;  // harmonic preset 1..3 loaded before the wavetable is built
};

constexpr uint32_t kRenderSampleRate = 48000;
constexpr uint32_t kCallbackFrames = 2048;  // frames per device callback (8192 bytes)

// Puts the engine in its program-start state with the settings applied: tables, 48000 frames
// per second, timbre and wavetable, voices, sequencer and callback state. Call it before the
// song is loaded, since the loader derives FramesPerTick from the output rate.
void ResetForRender(const RenderSettings& settings);

// Frames between two ticks as the callback counts them: FramesPerTick, or 65536 when it is 0.
uint32_t TickFrames();

// Frames of the loaded song played once through and then on through loops returns to its loop
// row.
uint64_t SongFrames(uint32_t loops);

// Renders frames through AudioCallback in buffers of kCallbackFrames (the last one shorter)
// and hands each buffer (interleaved left/right samples) to sink; sink returns false to stop.
// Returns false when sink stopped it.
bool RenderFrames(uint64_t frames, const std::function<bool(const int16_t*, uint32_t)>& sink);

// Fades the last fadeFrames of a render of total frames linearly to silence; buffer holds
// count frames starting at frame first.
void ApplyFade(int16_t* buffer, uint32_t count, uint64_t first, uint64_t total,
               uint64_t fadeFrames);

}  // namespace quandor::tool
