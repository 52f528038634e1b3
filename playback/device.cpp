#include "playback/device.h"

#include <SDL.h>

#include "playback/callback.h"
#include "synth/tables.h"

namespace quandor {

namespace {
void Lock() {
  SDL_LockAudio();
}
void Unlock() {
  SDL_UnlockAudio();
}
void NoLock() {}
}  // namespace

bool OpenPlayback() {
  SDL_AudioSpec desired{};
  desired.freq = sampleRate;
  desired.format = AUDIO_S16LSB;
  desired.channels = 2;
  desired.samples = 2048;
  desired.callback = AudioCallback;
  desired.userdata = nullptr;
  if (SDL_OpenAudio(&desired, nullptr) < 0) return false;
  LockAudio = Lock;
  UnlockAudio = Unlock;
  return true;
}

void StartPlayback() {
  SDL_PauseAudio(0);
}

void StopPlayback() {
  SDL_CloseAudio();
  LockAudio = NoLock;
  UnlockAudio = NoLock;
}

}  // namespace quandor
