// The oscilloscope: the last audio buffer's left channel and the wavetable, drawn straight
// into the text screen's pixel image under cell rows 17 to 48.
#pragma once
#include <cstdint>

namespace quandor {

extern uint16_t ScopeGain;  // divisor of the trace; 1 after a reset, grows on loud samples

// Pixel rows 136 to 391 to 0.
void ClearScopePixels();
// Blanks cell rows 17 to 49, then draws the grey lines, the trace and the wavetable.
void DrawScope();

// Program-start values of the scope.
void ResetScope();

}  // namespace quandor
