// The selector screen: the listing under a banner with a highlight bar moved by the keyboard.
// Main thread only, while no audio is open.
#pragma once
#include <cstdint>
#include <string>

namespace quandor {

extern uint8_t VisibleRows;    // list rows on screen; the shell sets 47
extern uint8_t HighlightRow;   // highlighted row, counted from the first list row
extern uint16_t ScrollOffset;  // entry on the first list row
extern uint8_t LeaveCode;      // 0 running, 13 song chosen, 27 Escape

// Runs until a song is chosen (true) or Escape (false); stores the highlighted entry's name
// (relative to the current directory) into result. Sleeps while no event arrives.
bool RunSelector(std::string& result);
// Draws the whole screen into the cells and recomputes the last row and largest offset.
void DrawSelector();
void DrawEntry(int row, const std::string& label, uint8_t isdir);
// Acts on one key press with the last row and largest offset of the last DrawSelector.
void SelectorKey(uint32_t symbol, uint32_t modifiers);

// The last list row and the largest scroll offset as of the last DrawSelector (the last row
// is -1 for an empty list).
int SelectorLastRow();
int SelectorLargestOffset();

// Program-start values of the screen state (VisibleRows 22, the rest 0). No platform call.
void ResetSelectorScreen();

}  // namespace quandor
