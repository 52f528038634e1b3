#include "playback/sequencer.h"

#include "song/song.h"
#include "synth/mixer.h"
#include "synth/tables.h"

namespace quandor {

std::atomic<uint32_t> CurrentRow{0};
std::atomic<uint32_t> PlayClock{0};
std::atomic<uint8_t> MuteFlags[8];
std::atomic<bool> BoostMode{false};
const uint8_t PanShiftTable[4] = {0, 1, 3, 16};
const uint8_t ChannelShiftTable[8] = {0, 1, 2, 2, 3, 3, 3, 3};

namespace {
constexpr std::memory_order kRelaxed = std::memory_order_relaxed;
}

void ResetSequencer() {
  CurrentRow.store(0, kRelaxed);
  PlayClock.store(0, kRelaxed);
  for (auto& m : MuteFlags) m.store(0, kRelaxed);
  BoostMode.store(false, kRelaxed);
}

void SequencerTick() {
  // Every writer keeps CurrentRow below RowCount; should one ever not, fetch row 0 rather
  // than read outside the song.
  if (CurrentRow.load(kRelaxed) >= RowCount) CurrentRow.store(0, kRelaxed);
  FetchRow();
  // Equality test only: a row index is always below RowCount after a load's checks.
  uint32_t row = CurrentRow.load(kRelaxed) + 1;
  if (row == RowCount) row = loopRow;
  CurrentRow.store(row, kRelaxed);

  uint32_t clock = PlayClock.load(kRelaxed) + 300000u / rowsPerSecond;
  if (clock > kPlayClockCeiling) clock = kPlayClockCeiling;
  PlayClock.store(clock, kRelaxed);

  const bool boost = BoostMode.load(kRelaxed);
  const uint8_t channelShift = ChannelShiftTable[lastVoice & 7];
  for (int c = 0; c <= lastVoice; ++c) {
    Voice& v = Voices[c];
    const uint16_t w = RowWord(c);
    const uint8_t b2 = RowByte(c, 2), b3 = RowByte(c, 3), b4 = RowByte(c, 4), b5 = RowByte(c, 5);
    v.increment = LookupPitch(static_cast<uint8_t>(w & 0xFF), static_cast<uint8_t>((w >> 8) & 7));
    v.volume.store(MuteFlags[c].load(kRelaxed) ? 0 : b4, kRelaxed);
    v.noise = (w & 0x0800) ? 1 : 0;
    uint8_t pulseWidth = b3 ? 127 : b2;
    v.cutoff.store(b5, kRelaxed);
    uint8_t left = static_cast<uint8_t>(PanShiftTable[w >> 14] + channelShift);
    uint8_t right = static_cast<uint8_t>(PanShiftTable[(w >> 12) & 3] + channelShift);
    v.leftShift = left > 15 ? 16 : left;
    v.rightShift = right > 15 ? 16 : right;
    if (boost && b3 == 0) {
      uint8_t p = pulseWidth;
      if (p > 127) p = static_cast<uint8_t>(255 - p);
      pulseWidth = static_cast<uint8_t>(2 * p + 1);
    }
    v.pulseWidth.store(pulseWidth, kRelaxed);
  }
}

}  // namespace quandor
