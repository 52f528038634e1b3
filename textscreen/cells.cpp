// The character cells, the cursor and their rendering into PixelBuffer: plain code, no SDL.
// Callers keep to the screen; writes that would land outside it anyway are dropped here so a
// stray coordinate can never reach memory past the cell or pixel arrays.
#include <cstddef>
#include <cstring>

#include "textscreen/font8x8.h"
#include "textscreen/internal.h"
#include "textscreen/textscreen.h"

namespace quandor {

namespace {

constexpr int kColumns = 80;
constexpr int kRows = 50;
constexpr int kCells = kColumns * kRows;
constexpr int kPixelWidth = 640;
constexpr int kPixelHeight = 400;

constexpr PaletteColor kPalette[16] = {
    {0, 0, 0, 0},       {0, 0, 128, 0},   {0, 128, 0, 0},   {0, 128, 128, 0},
    {128, 0, 0, 0},     {128, 0, 128, 0}, {128, 128, 0, 0}, {192, 192, 192, 0},
    {128, 128, 128, 0}, {0, 0, 255, 0},   {0, 255, 0, 0},   {0, 255, 255, 0},
    {255, 0, 0, 0},     {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0},
};

constexpr uint8_t kStartAttr = 0x0F;  // white on black

inline ScreenCell Blank(uint8_t attr) {
  return static_cast<ScreenCell>(attr << 8);
}

inline void PutCell(int col, int row, ScreenCell value) {
  if (col >= 0 && col < kColumns && row >= 0 && row < kRows) {
    ScreenCells[row * kColumns + col] = value;
  }
}

// The cell index range [first, end) of a block of rows, cut to the screen.
inline void RowRange(int firstRow, int rowCount, int* first, int* end) {
  int from = firstRow < 0 ? 0 : firstRow;
  int to = firstRow + rowCount;
  if (to > kRows) to = kRows;
  if (to < from) to = from;
  *first = from * kColumns;
  *end = to * kColumns;
}

void RenderCell(int index, ScreenCell value) {
  const int col = index % kColumns;
  const int row = index / kColumns;
  const uint8_t* glyph = &Font8x8[(value & 0xFF) * 8];
  const uint8_t fg = (value >> 8) & 15;
  const uint8_t bg = value >> 12;
  uint8_t* out = &PixelBuffer[row * 8 * kPixelWidth + col * 8];
  for (int k = 0; k < 8; ++k, out += kPixelWidth) {
    const uint8_t bits = glyph[k];
    for (int b = 0; b < 8; ++b) out[b] = (bits & (0x80 >> b)) ? fg : bg;
  }
}

}  // namespace

ScreenCell ScreenCells[4000];    // owned here: what every drawing operation writes
ScreenCell ShadowCells[4000];    // owned here: ScreenCells as of the last render
uint8_t PixelBuffer[640 * 400];  // owned here: the master image, also drawn by the scope
uint8_t Font8x8[2048];           // owned here: filled once by InitTextScreen
PaletteColor Palette16[16];      // owned here: filled once by InitTextScreen
uint8_t TextAttr = kStartAttr;   // owned here: attribute of WriteText and the clears
uint8_t CursorCol = 0;           // owned here: where WriteText puts its next byte
uint8_t CursorRow = 0;           // owned here

void InitTextScreen() {
  std::memcpy(Font8x8, kBuiltinFont8x8, sizeof Font8x8);
  std::memcpy(Palette16, kPalette, sizeof Palette16);
}

void ResetTextScreen() {
  std::memset(ScreenCells, 0, sizeof ScreenCells);
  std::memset(ShadowCells, 0, sizeof ShadowCells);
  std::memset(PixelBuffer, 0, sizeof PixelBuffer);
  TextAttr = kStartAttr;
  CursorCol = 0;
  CursorRow = 0;
  ResetScreenDevice();
}

void SetCursor(uint8_t col, uint8_t row) {
  CursorCol = col;
  CursorRow = row;
}

void WriteText(const std::string& text) {
  for (unsigned char ch : text) {
    PutCell(CursorCol, CursorRow, static_cast<ScreenCell>((TextAttr << 8) | ch));
    if (++CursorCol > 79) {
      CursorCol = 0;
      ++CursorRow;
    }
  }
}

void WriteLine(const std::string& text) {
  WriteText(text);
  NewLine();
}

void WriteAt(uint8_t col, uint8_t row, const std::string& text) {
  SetCursor(col, row);
  WriteText(text);
}

void NewLine() {
  CursorCol = 0;
  ++CursorRow;
}

void ClearScreen() {
  const ScreenCell blank = Blank(TextAttr);
  for (ScreenCell& cell : ScreenCells) cell = blank;
  SetCursor(0, 0);
}

void ClearToEol() {
  for (int col = CursorCol; col < kColumns; ++col) PutCell(col, CursorRow, Blank(TextAttr));
}

void FillRows(int firstRow, int rowCount, uint8_t attr) {
  int first, end;
  RowRange(firstRow, rowCount, &first, &end);
  for (int i = first; i < end; ++i) ScreenCells[i] = Blank(attr);
}

void ClearRowBackgrounds(int firstRow, int rowCount) {
  int first, end;
  RowRange(firstRow, rowCount, &first, &end);
  for (int i = first; i < end; ++i) ScreenCells[i] &= 0x0FFF;
}

void ScrollRowLeft(int row) {
  if (row < 0 || row >= kRows) return;
  ScreenCell* cells = &ScreenCells[row * kColumns];
  for (int col = 0; col < kColumns - 1; ++col) {
    cells[col] = static_cast<ScreenCell>((TextAttr << 8) | (cells[col + 1] & 0xFF));
  }
}

void ScrollRowsUp(int firstRow, int rowCount) {
  // Row 0 has no row above it: a block starting there loses its first row.
  if (firstRow < 1) {
    rowCount -= 1 - firstRow;
    firstRow = 1;
  }
  int first, end;
  RowRange(firstRow, rowCount, &first, &end);
  if (end > first) {
    std::memmove(&ScreenCells[first - kColumns], &ScreenCells[first],
                 (end - first) * sizeof(ScreenCell));
  }
}

void SetHalfBlock(int col, int halfRow, uint8_t colour) {
  if (col < 0 || col >= kColumns || halfRow < 0 || halfRow >= kRows * 2) return;
  ScreenCell& cell = ScreenCells[(halfRow / 2) * kColumns + col];
  const ScreenCell c = colour & 15;
  if (halfRow % 2 == 0) {
    cell = static_cast<ScreenCell>((cell & 0xF000) | (c << 8) | 223);
  } else {
    cell = static_cast<ScreenCell>((c << 12) | (cell & 0x0F00) | 223);
  }
}

std::string IntToText(int32_t value) {
  return std::to_string(value);
}

std::string UpperText(const std::string& text) {
  std::string upper = text;
  for (char& ch : upper) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  return upper;
}

void RenderChangedCells() {
  for (int i = 0; i < kCells; ++i) {
    if (ScreenCells[i] != ShadowCells[i]) RenderCell(i, ScreenCells[i]);
  }
  std::memcpy(ShadowCells, ScreenCells, sizeof ShadowCells);
}

void CopyPixelBuffer(uint8_t* pixels, int pitch) {
  if (pitch < kPixelWidth) return;  // not a 640-wide surface: nothing fits
  if (pitch == kPixelWidth) {
    std::memcpy(pixels, PixelBuffer, sizeof PixelBuffer);
    return;
  }
  for (int y = 0; y < kPixelHeight; ++y) {
    std::memcpy(pixels + static_cast<std::ptrdiff_t>(y) * pitch, &PixelBuffer[y * kPixelWidth],
                kPixelWidth);
  }
}

}  // namespace quandor
