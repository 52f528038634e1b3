// The 80x50 character screen: cells with attributes, a cursor, the 8x8 font rendered into a
// 640x400 palette image, and the SDL window it is presented in. Main thread only.
// Texts are byte strings of CP437 codes.
#pragma once
#include <cstdint>
#include <string>

struct SDL_Surface;
union SDL_Event;

namespace quandor {

using ScreenCell = uint16_t;  // attribute x 256 + character

extern ScreenCell ScreenCells[4000];    // row-major, 80 per row; all drawing lands here
extern ScreenCell ShadowCells[4000];    // the cells as of the last refresh
extern uint8_t PixelBuffer[640 * 400];  // palette indices; the master image
extern uint8_t Font8x8[2048];           // CP437 glyphs, 8 bytes each, bit 7 leftmost
struct PaletteColor {
  uint8_t r, g, b, unused;
};
extern PaletteColor Palette16[16];
extern uint8_t TextAttr;  // background x 16 + foreground
extern uint8_t CursorCol;
extern uint8_t CursorRow;
extern bool FullScreen;
extern SDL_Surface* ScreenSurface;
extern SDL_Event LastEvent;  // the event taken by the last PollKey

// Key symbol and modifier mask of LastEvent after PollKey returned true.
uint32_t LastKeySymbol();
uint32_t LastKeyModifiers();

void InitTextScreen();
void SetScreenMode(bool toggle);
void RefreshScreen();
bool PollKey();
// Like PollKey, but sleeps until an event arrives (for screens that change only on input).
bool WaitKey();

void SetCursor(uint8_t col, uint8_t row);
void WriteText(const std::string& text);
void WriteLine(const std::string& text);
void WriteAt(uint8_t col, uint8_t row, const std::string& text);
void NewLine();
void ClearScreen();
void ClearToEol();
void FillRows(int firstRow, int rowCount, uint8_t attr);
void ClearRowBackgrounds(int firstRow, int rowCount);
void ScrollRowLeft(int row);
void ScrollRowsUp(int firstRow, int rowCount);
void SetHalfBlock(int col, int halfRow, uint8_t colour);
std::string IntToText(int32_t value);
std::string UpperText(const std::string& text);

// The cell and pixel part of a refresh, without presenting (step 1 and 2 of RefreshScreen).
void RenderChangedCells();

// Copies PixelBuffer into a surface's 400 rows of pitch bytes (row by row when pitch is not
// 640); nothing when pitch is below 640.
void CopyPixelBuffer(uint8_t* pixels, int pitch);

// Program-start values of every screen variable (cells, shadow, pixels, cursor, attribute,
// FullScreen, ScreenSurface, LastEvent); the loaded font and palette stay. No SDL call: a test
// that presents sets the mode again.
void ResetTextScreen();

}  // namespace quandor
