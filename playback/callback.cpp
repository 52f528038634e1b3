#include "playback/callback.h"

#include "playback/sequencer.h"
#include "song/song.h"
#include "synth/mixer.h"
#include "synth/tables.h"
#include "synth/timbre.h"
#include "synth/wavetable.h"

namespace quandor {

uint16_t TickCountdown = 0;
std::atomic<int16_t> ScopeBuffer[65536];
std::atomic<uint32_t> CallbackFrames{2048};

namespace {
constexpr std::memory_order kRelaxed = std::memory_order_relaxed;
void NoLock() {}
}  // namespace

void (*LockAudio)() = NoLock;
void (*UnlockAudio)() = NoLock;

void ResetCallbackState() {
  TickCountdown = 0;
  for (auto& s : ScopeBuffer) s.store(0, kRelaxed);
  CallbackFrames.store(2048, kRelaxed);
}

void ResetEngine() {
  ResetVoices();
  ResetSequencer();
  ResetCallbackState();
}

void ResetToStartupState() {
  InitSynthTables();
  sampleRate = 48000;
  BuildPitchTable();
  BankSelect = 0;
  LoadStartupTimbre();
  BuildWavetable();
  ResetEngine();
}

void AudioCallback(void*, uint8_t* stream, int len) {
  // Exactly len div 4 frames; the frame counter covers at most the 65536 scope entries.
  uint32_t frames = len > 0 ? static_cast<uint32_t>(len) / 4 : 0;
  if (frames > 65536) frames = 65536;
  CallbackFrames.store(frames, kRelaxed);
  int16_t* out = reinterpret_cast<int16_t*>(stream);
  uint32_t i = 0;
  while (i < frames) {
    if (TickCountdown == 0) {
      SequencerTick();
      TickCountdown = static_cast<uint16_t>(FramesPerTick);
    }
    // Frames until the countdown is back at 0; a countdown of 0 wraps through 65536 frames.
    uint32_t untilTick = TickCountdown == 0 ? 65536u : TickCountdown;
    uint32_t n = frames - i < untilTick ? frames - i : untilTick;
    MixFrames(out + 2 * i, n);
    for (uint32_t k = 0; k < n; ++k) ScopeBuffer[i + k].store(out[2 * (i + k)], kRelaxed);
    TickCountdown = static_cast<uint16_t>(TickCountdown - n);
    i += n;
  }
}

void RestartSong() {
  LockAudio();
  CurrentRow.store(0, kRelaxed);
  UnlockAudio();
}

void SeekForward() {
  LockAudio();
  uint32_t row = CurrentRow.load(kRelaxed);
  uint32_t next = row + rowsPerSecond;
  CurrentRow.store(next < RowCount ? next : 0, kRelaxed);
  UnlockAudio();
}

void SeekBack() {
  LockAudio();
  uint32_t row = CurrentRow.load(kRelaxed);
  CurrentRow.store(row > rowsPerSecond ? row - rowsPerSecond : 0, kRelaxed);
  UnlockAudio();
}

}  // namespace quandor
