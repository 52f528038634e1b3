// The body of the audio callback and the transport operations. Device-free: the SDL side
// (playback/device) only opens, starts and closes the device and passes AudioCallback to it;
// the offline renderer calls AudioCallback directly.
#pragma once
#include <atomic>
#include <cstdint>

namespace quandor {

extern uint16_t TickCountdown;                   // frames left until the next tick (audio thread)
extern std::atomic<int16_t> ScopeBuffer[65536];  // left sample of each frame of the last callback
extern std::atomic<uint32_t> CallbackFrames;     // frames in the last callback

// SDL's audio callback: len div 4 stereo frames into stream, ticks every FramesPerTick frames.
void AudioCallback(void* userdata, uint8_t* stream, int len);

// The transport operations; each is one indivisible step with respect to the tick (it holds
// the audio lock that the device module installs).
void RestartSong();
void SeekForward();
void SeekBack();

// The lock the transport takes; the device module points these at SDL_LockAudio and
// SDL_UnlockAudio. Without a device they do nothing.
extern void (*LockAudio)();
extern void (*UnlockAudio)();

// Program-start values of the callback's state (countdown, scope, frame count).
void ResetCallbackState();

// Program-start state of the whole engine: voices, sequencer, callback (not the tables, the
// harmonic levels or the wavetable).
void ResetEngine();

// The state the player is in before its first song: tables built at 48000 frames per second,
// preset 1 over the sine sources in the wavetable, bank 0 selected, and ResetEngine. The
// offline renderer starts from here, so its output is what the device gets for a first song.
void ResetToStartupState();

}  // namespace quandor
