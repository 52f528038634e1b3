#include "synth/mixer.h"

#include <cstring>

#include "synth/tables.h"
#include "synth/wavetable.h"

namespace quandor {

Voice Voices[8];
uint8_t lastVoice = 0;

namespace {
constexpr std::memory_order kRelaxed = std::memory_order_relaxed;

inline int32_t ArithmeticShift(int32_t v, uint8_t shift) {
  // A shift of 16 (silence) must give 0 or -1, like any arithmetic shift of a 16-bit range value.
  return v >> shift;
}
}  // namespace

void ResetVoices() {
  for (Voice& v : Voices) {
    v.increment = 0;
    v.pulseWidth.store(0, kRelaxed);
    v.volume.store(0, kRelaxed);
    v.cutoff.store(0, kRelaxed);
    v.noise = 0;
    v.filterState = 0;
    v.leftShift = 0;
    v.rightShift = 0;
    v.activePulseWidth = 0;
    v.lastPhaseByte = 0;
    v.phase = 0;
  }
}

void MixFramesReference(int16_t* frames, uint32_t count) {
  for (uint32_t f = 0; f < count; ++f) {
    int32_t left = 0, right = 0;
    for (int v = 0; v <= lastVoice; ++v) {
      Voice& voice = Voices[v];
      voice.phase += voice.increment;
      uint8_t pos = static_cast<uint8_t>(voice.phase >> 16);
      if (voice.lastPhaseByte > pos) voice.activePulseWidth = voice.pulseWidth.load(kRelaxed);
      voice.lastPhaseByte = pos;
      uint8_t row = voice.noise ? NoiseTable[voice.phase >> 20] : pos;
      int32_t sample = Wavetable[ShapeTable[row][voice.activePulseWidth]].load(kRelaxed);
      int32_t fs = voice.filterState;
      int32_t step = (voice.cutoff.load(kRelaxed) + 1) * (sample - fs);
      voice.filterState = static_cast<uint8_t>(fs + (step >> 8));  // >> floors: arithmetic shift
      int32_t value = voice.volume.load(kRelaxed) * (voice.filterState - 128);
      left += ArithmeticShift(value, voice.leftShift);
      right += ArithmeticShift(value, voice.rightShift);
    }
    frames[2 * f] = static_cast<int16_t>(static_cast<uint16_t>(left));
    frames[2 * f + 1] = static_cast<int16_t>(static_cast<uint16_t>(right));
  }
}

namespace {
// Work area of the block mixer (audio thread or the offline renderer; one caller at a time).
constexpr uint32_t kChunk = 256;
int32_t chunkLeft[kChunk];
int32_t chunkRight[kChunk];
// Each voice's wave shaped by its active pulse width, valid while the width and the wavetable
// snapshot stay the same.
uint8_t shapedWave[8][256];
int shapedWidth[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
uint8_t shapedFrom[512];

// Mixes one voice over n frames into the chunk sums. The control fields are constant here:
// the tick runs only between blocks.
void MixVoiceChunk(int v, const uint8_t* wave, uint32_t n) {
  Voice& voice = Voices[v];
  uint32_t phase = voice.phase;
  const uint32_t increment = voice.increment;
  uint8_t lastPos = voice.lastPhaseByte;
  uint8_t active = voice.activePulseWidth;
  const uint8_t pulseWidth = voice.pulseWidth.load(kRelaxed);
  int32_t fs = voice.filterState;
  const int32_t coeff = voice.cutoff.load(kRelaxed) + 1;
  const int32_t volume = voice.volume.load(kRelaxed);
  const uint8_t ls = voice.leftShift, rs = voice.rightShift;
  const bool noise = voice.noise != 0;

  // The wave shaped by the active pulse width: the sample for each wave position.
  uint8_t* shaped = shapedWave[v];
  auto shape = [&](uint8_t width) {
    for (int j = 0; j < 256; ++j) shaped[j] = wave[ShapeTable[j][width]];
    shapedWidth[v] = width;
  };
  if (shapedWidth[v] != active) shape(active);

  for (uint32_t i = 0; i < n; ++i) {
    phase += increment;
    const uint8_t pos = static_cast<uint8_t>(phase >> 16);
    if (lastPos > pos && active != pulseWidth) {
      active = pulseWidth;
      shape(active);
    }
    lastPos = pos;
    const uint8_t row = noise ? NoiseTable[phase >> 20] : pos;
    const int32_t sample = shaped[row];
    fs += (coeff * (sample - fs)) >> 8;
    const int32_t value = volume * (fs - 128);
    chunkLeft[i] += value >> ls;
    chunkRight[i] += value >> rs;
  }

  voice.phase = phase;
  voice.lastPhaseByte = lastPos;
  voice.activePulseWidth = active;
  voice.filterState = static_cast<uint8_t>(fs);
}
}  // namespace

void MixFrames(int16_t* frames, uint32_t count) {
  // One snapshot of the shared wavetable per call: equivalent to the rebuild landing between
  // two frames, which the unlocked sharing allows anyway.
  uint8_t wave[512];
  for (int i = 0; i < 512; ++i) wave[i] = Wavetable[i].load(kRelaxed);
  if (std::memcmp(wave, shapedFrom, sizeof wave) != 0) {
    std::memcpy(shapedFrom, wave, sizeof wave);
    for (int& w : shapedWidth) w = -1;
  }

  while (count > 0) {
    const uint32_t n = count < kChunk ? count : kChunk;
    std::memset(chunkLeft, 0, sizeof(int32_t) * n);
    std::memset(chunkRight, 0, sizeof(int32_t) * n);
    for (int v = 0; v <= lastVoice; ++v) MixVoiceChunk(v, wave, n);
    for (uint32_t i = 0; i < n; ++i) {
      // Sums wrap to 16 bits, never saturate.
      frames[2 * i] = static_cast<int16_t>(static_cast<uint16_t>(chunkLeft[i]));
      frames[2 * i + 1] = static_cast<int16_t>(static_cast<uint16_t>(chunkRight[i]));
    }
    frames += 2 * n;
    count -= n;
  }
}

}  // namespace quandor
