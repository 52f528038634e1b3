// The voice mixer: renders signed 16-bit stereo frames from the voice records.
#pragma once
#include <atomic>
#include <cstdint>

namespace quandor {

// Per-channel synth state. The tick writes the control fields, the mixer the running ones.
// volume, pulseWidth and cutoff are also read by the display while audio plays, hence atomic.
struct Voice {
  uint32_t increment;               // phase advance per frame; 2^24 is one cycle
  std::atomic<uint8_t> pulseWidth;  // requested split point; takes effect at a cycle start
  std::atomic<uint8_t> volume;      // 0 silent .. 255
  std::atomic<uint8_t> cutoff;      // low-pass coefficient, 255 = no filtering
  uint8_t noise;                    // non-zero: wave position from the NoiseTable
  uint8_t filterState;              // filter output, centred on 128
  uint8_t leftShift;                // right shift 0..16 for the left channel
  uint8_t rightShift;               // the same for the right channel
  uint8_t activePulseWidth;         // pulse width of the current cycle
  uint8_t lastPhaseByte;            // wave position of the previous frame
  uint32_t phase;                   // accumulator: position = bits 16..23, noise = bits 20..31
};

extern Voice Voices[8];
extern uint8_t lastVoice;  // channel count minus one of the loaded song (owned by the loader)

// Writes count frames (left, right interleaved) exactly as the per-frame definition does:
// each voice advanced, shaped, filtered, scaled and shifted, sums wrapped to 16 bits.
void MixFrames(int16_t* frames, uint32_t count);

// The plain one-frame-at-a-time definition, kept as the reference the fast path is tested
// against.
void MixFramesReference(int16_t* frames, uint32_t count);

// Puts every field of every voice back to its program-start value (0).
void ResetVoices();

}  // namespace quandor
