// Between the two halves of the text screen: the cell code and the one file that calls SDL.
#pragma once

namespace quandor {

// Program-start values of the SDL side (FullScreen, ScreenSurface, LastEvent); no SDL call.
void ResetScreenDevice();

}  // namespace quandor
