// The channel strips (rows 7 to 6 + C) and the pattern view below them (rows 17 to 49).
#pragma once
#include <cstdint>

namespace quandor {

extern int ColumnWidth;   // pattern-view columns per channel: 80 div channel count
extern bool WideColumns;  // four channels or fewer: long note names and separators
extern const char* const NoteNames[2][16];  // [0] long (2 characters), [1] short (1 character)

// Per-song layout from the channel count (1 to 8).
void SetChannelLayout(int channels);
// Channel c's strip, and with PatternView on its header, note text and meters.
void DrawChannel(int c);
// After the refresh: frame lines, meter clearing and the history scroll.
void PatternUpkeep();

// Program-start values of the layout.
void ResetStrips();

}  // namespace quandor
