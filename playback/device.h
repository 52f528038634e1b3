// Opens, starts and stops the sound device with the core's AudioCallback.
#pragma once

namespace quandor {

// sampleRate frames per second, signed 16-bit little-endian stereo, 2048 frames per callback,
// no obtained format. False when SDL could not open the device (SDL_GetError says why).
bool OpenPlayback();
void StartPlayback();
void StopPlayback();

}  // namespace quandor
