#include "selector/selector.h"

#include "selector/listing.h"
#include "textscreen/textscreen.h"

namespace quandor {

uint8_t VisibleRows = 22;
uint8_t HighlightRow = 0;
uint16_t ScrollOffset = 0;
uint8_t LeaveCode = 0;

namespace {

int LastRow = -1;       // recomputed by DrawSelector
int LargestOffset = 0;  // recomputed by DrawSelector

constexpr uint32_t kKeyReturn = 13;
constexpr uint32_t kKeyEscape = 27;
constexpr uint32_t kKeyUp = 273;
constexpr uint32_t kKeyDown = 274;
constexpr uint32_t kKeyHome = 278;
constexpr uint32_t kKeyEnd = 279;
constexpr uint32_t kKeyPageUp = 280;
constexpr uint32_t kKeyPageDown = 281;
constexpr uint32_t kAltMask = 0x0300;

constexpr uint8_t kBannerAttr = 0x0F;
constexpr uint8_t kDirectoryAttr = 0x08;
constexpr uint8_t kSongAttr = 0x07;
constexpr uint8_t kDirectoryBarAttr = 0x1C;
constexpr uint8_t kSongBarAttr = 0x9C;

// 80 CP437 characters: blocks 219, then shades 178, 177, 176 at the right end.
const std::string kBanner = "\xDB\xDB Orlen v0.1b b20021206" + std::string(46, ' ') +
                            "\xDB\xDB\xDB\xDB\xB2\xB2\xB2\xB1\xB1\xB0";

int Highlighted() {
  return ScrollOffset + HighlightRow;
}

bool HighlightListed() {
  return Highlighted() < EntryCount;
}

void OpenHighlighted() {
  const dirrec& entry = EntryTable[Highlighted()];
  if (!entry.isdir) {
    LeaveCode = kKeyReturn;
    return;
  }
  ChangeDirectory(entry.name);
  ReadListing();
  HighlightRow = 0;
  ScrollOffset = 0;
}

void GoToEnd() {
  // With nothing before the drive entries there is no target; the highlight stays put.
  if (EntryCount <= DriveCount) return;
  if (DriveCount < LargestOffset) {
    ScrollOffset = static_cast<uint16_t>(LargestOffset - DriveCount);
    HighlightRow = static_cast<uint8_t>(LastRow);
  } else {
    ScrollOffset = 0;
    HighlightRow = static_cast<uint8_t>(LastRow + LargestOffset - DriveCount);
  }
}

}  // namespace

bool RunSelector(std::string& result) {
  LeaveCode = 0;
  ClearScreen();
  while (LeaveCode != kKeyReturn && LeaveCode != kKeyEscape) {
    DrawSelector();
    RefreshScreen();
    // Nothing on this screen changes without an event, so sleep until one comes.
    if (!WaitKey()) continue;
    SelectorKey(LastKeySymbol(), LastKeyModifiers());
  }
  result = HighlightListed() ? EntryTable[Highlighted()].name : std::string();
  return LeaveCode != kKeyEscape;
}

void DrawSelector() {
  ClearScreen();
  TextAttr = kBannerAttr;
  WriteLine(kBanner);
  TextAttr = kDirectoryAttr;
  if (VisibleRows > EntryCount) {
    LastRow = EntryCount - 1;
    LargestOffset = 0;
  } else {
    LastRow = VisibleRows - 1;
    LargestOffset = EntryCount - VisibleRows;
  }
  for (int r = 0; r <= LastRow; ++r) {
    const dirrec& entry = EntryTable[ScrollOffset + r];
    DrawEntry(r + 2, entry.label, entry.isdir);
  }
}

void DrawEntry(int row, const std::string& label, uint8_t isdir) {
  TextAttr = isdir ? kDirectoryAttr : kSongAttr;
  if (row == HighlightRow + 2) {
    TextAttr = isdir ? kDirectoryBarAttr : kSongBarAttr;
    SetCursor(0, static_cast<uint8_t>(row));
    ClearToEol();
  }
  SetCursor(static_cast<uint8_t>(39 - static_cast<int>(label.size()) / 2),
            static_cast<uint8_t>(row));
  WriteLine(label);
  TextAttr = kSongAttr;
}

void SelectorKey(uint32_t symbol, uint32_t modifiers) {
  switch (symbol) {
    case kKeyReturn:
      if (modifiers & kAltMask) {
        SetScreenMode(true);
      } else if (HighlightListed()) {
        OpenHighlighted();
      }
      break;
    case kKeyEscape:
      LeaveCode = kKeyEscape;
      break;
    case kKeyUp:
      if (HighlightRow > 0) {
        --HighlightRow;
      } else if (ScrollOffset > 0) {
        --ScrollOffset;
      }
      break;
    case kKeyDown:
      if (HighlightRow < LastRow) {
        ++HighlightRow;
      } else if (ScrollOffset < LargestOffset) {
        ++ScrollOffset;
      }
      break;
    case kKeyHome:
      HighlightRow = 0;
      ScrollOffset = 0;
      break;
    case kKeyEnd:
      GoToEnd();
      break;
    case kKeyPageUp:
      if (HighlightRow > 11) {
        HighlightRow -= 12;
      } else if (ScrollOffset > 11) {
        ScrollOffset -= 12;
      }
      break;
    case kKeyPageDown:
      if (HighlightRow < LastRow - 12) {
        HighlightRow += 12;
      } else if (ScrollOffset < LargestOffset - 12) {
        ScrollOffset += 12;
      }
      break;
    default:
      break;
  }
}

int SelectorLastRow() {
  return LastRow;
}
int SelectorLargestOffset() {
  return LargestOffset;
}

void ResetSelectorScreen() {
  VisibleRows = 22;
  HighlightRow = 0;
  ScrollOffset = 0;
  LeaveCode = 0;
  LastRow = -1;
  LargestOffset = 0;
}

}  // namespace quandor
