// The sequencer tick: turns the current row into voice settings, advances the row and the
// play clock. Runs on the audio thread; the values below are shared with the main thread.
#pragma once
#include <atomic>
#include <cstdint>

namespace quandor {

extern std::atomic<uint32_t> CurrentRow;   // row the next tick fetches
extern std::atomic<uint32_t> PlayClock;    // play time of the whole run in 1/300000 s
extern std::atomic<uint8_t> MuteFlags[8];  // non-zero silences the channel
extern std::atomic<bool> BoostMode;        // folds and widens waveform-0 pulse widths
extern const uint8_t PanShiftTable[4];
extern const uint8_t ChannelShiftTable[8];

constexpr uint32_t kPlayClockCeiling = 1799999999u;

void SequencerTick();

// Program-start values of the tick's own state (row, clock, mutes, boost).
void ResetSequencer();

}  // namespace quandor
