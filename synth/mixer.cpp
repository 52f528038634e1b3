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
uint8_t waveSnapshot[512];

// One voice's fields in locals for the length of a chunk. The control fields are constant
// within a chunk: the tick runs only between MixFrames calls.
struct Running {
  int index;
  uint32_t phase, increment;
  uint32_t lastPos, active, pulseWidth;
  int32_t fs, coeff, volume;
  uint32_t ls, rs;
  bool noise;
  const uint8_t* shaped;

  void Load(int v) {
    const Voice& voice = Voices[v];
    index = v;
    phase = voice.phase;
    increment = voice.increment;
    lastPos = voice.lastPhaseByte;
    active = voice.activePulseWidth;
    pulseWidth = voice.pulseWidth.load(kRelaxed);
    fs = voice.filterState;
    coeff = voice.cutoff.load(kRelaxed) + 1;
    volume = voice.volume.load(kRelaxed);
    ls = voice.leftShift;
    rs = voice.rightShift;
    noise = voice.noise != 0;
    shaped = Shape(active);
  }
  void Store() const {
    Voice& voice = Voices[index];
    voice.phase = phase;
    voice.lastPhaseByte = static_cast<uint8_t>(lastPos);
    voice.activePulseWidth = static_cast<uint8_t>(active);
    voice.filterState = static_cast<uint8_t>(fs);
  }
  const uint8_t* Shape(uint32_t width) const {
    uint8_t* table = shapedWave[index];
    if (shapedWidth[index] != static_cast<int>(width)) {
      for (int j = 0; j < 256; ++j) table[j] = waveSnapshot[ShapeTable[j][width]];
      shapedWidth[index] = static_cast<int>(width);
    }
    return table;
  }
  // One frame: returns the voice's value before the pan shifts.
  template <bool Noise>
  inline int32_t Step() {
    phase += increment;
    const uint32_t pos = (phase >> 16) & 0xFF;
    if (lastPos > pos && active != pulseWidth) [[unlikely]] {
      active = pulseWidth;
      shaped = Shape(active);
    }
    lastPos = pos;
    const uint32_t row = Noise ? NoiseTable[phase >> 20] : pos;
    fs += (coeff * (shaped[row] - fs)) >> 8;  // >> floors: arithmetic shift
    return volume * (fs - 128);
  }
};

// Two voices per loop so their filter chains, serial within a voice, overlap.
template <bool NoiseA, bool NoiseB>
void MixPair(Running& a, Running& b, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    const int32_t va = a.Step<NoiseA>();
    const int32_t vb = b.Step<NoiseB>();
    chunkLeft[i] += (va >> a.ls) + (vb >> b.ls);
    chunkRight[i] += (va >> a.rs) + (vb >> b.rs);
  }
}

template <bool Noise>
void MixSingle(Running& a, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    const int32_t va = a.Step<Noise>();
    chunkLeft[i] += va >> a.ls;
    chunkRight[i] += va >> a.rs;
  }
}
}  // namespace

void MixFrames(int16_t* frames, uint32_t count) {
  // One snapshot of the shared wavetable per call: equivalent to the rebuild landing between
  // two frames, which the unlocked sharing allows anyway.
  for (int i = 0; i < 512; ++i) waveSnapshot[i] = Wavetable[i].load(kRelaxed);
  if (std::memcmp(waveSnapshot, shapedFrom, sizeof waveSnapshot) != 0) {
    std::memcpy(shapedFrom, waveSnapshot, sizeof waveSnapshot);
    for (int& w : shapedWidth) w = -1;
  }
  const int voices = lastVoice + 1;
  Running running[8];
  for (int v = 0; v < voices; ++v) running[v].Load(v);

  while (count > 0) {
    const uint32_t n = count < kChunk ? count : kChunk;
    std::memset(chunkLeft, 0, sizeof(int32_t) * n);
    std::memset(chunkRight, 0, sizeof(int32_t) * n);
    int v = 0;
    for (; v + 1 < voices; v += 2) {
      Running& a = running[v];
      Running& b = running[v + 1];
      if (a.noise)
        b.noise ? MixPair<true, true>(a, b, n) : MixPair<true, false>(a, b, n);
      else
        b.noise ? MixPair<false, true>(a, b, n) : MixPair<false, false>(a, b, n);
    }
    if (v < voices)
      running[v].noise ? MixSingle<true>(running[v], n) : MixSingle<false>(running[v], n);
    for (uint32_t i = 0; i < n; ++i) {
      // Sums wrap to 16 bits, never saturate.
      frames[2 * i] = static_cast<int16_t>(static_cast<uint16_t>(chunkLeft[i]));
      frames[2 * i + 1] = static_cast<int16_t>(static_cast<uint16_t>(chunkRight[i]));
    }
    frames += 2 * n;
    count -= n;
  }
  for (int v = 0; v < voices; ++v) running[v].Store();
}

}  // namespace quandor
