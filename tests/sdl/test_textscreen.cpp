// The character screen: cell operations, rendering into the pixel image, presenting it on an
// SDL surface and the key poll, with SDL's dummy drivers.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "textscreen/textscreen.h"

namespace quandor {
namespace {

ScreenCell& Cell(int col, int row) {
  return ScreenCells[row * 80 + col];
}

uint8_t Pixel(int x, int y) {
  return PixelBuffer[y * 640 + x];
}

// One glyph row of a rendered cell read back as a byte, bit 7 leftmost: a pixel counts as set
// when it shows the foreground colour.
uint8_t RenderedRow(int col, int row, int k, uint8_t fg) {
  uint8_t bits = 0;
  for (int b = 0; b < 8; ++b) {
    if (Pixel(col * 8 + b, row * 8 + k) == fg) bits |= 0x80 >> b;
  }
  return bits;
}

// Fills every cell with a value unique to its position so that a misplaced copy shows.
void FillDistinct() {
  for (int i = 0; i < 4000; ++i) ScreenCells[i] = static_cast<ScreenCell>(0x1000 + i);
}

class TextScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitTextScreen();
    ResetTextScreen();
  }
};

// ---- writing and the cursor ----

TEST_F(TextScreenTest, WriteTextStoresAttributeAndByteAndWrapsAfterColumn79) {
  TextAttr = 0x1F;
  SetCursor(79, 3);
  WriteText("A");
  EXPECT_EQ(Cell(79, 3), 0x1F41);
  EXPECT_EQ(CursorCol, 0);
  EXPECT_EQ(CursorRow, 4);

  // Bytes above 127 are characters, not negative numbers that would spill into the attribute;
  // 10 and 13 are glyphs, not line breaks.
  TextAttr = 0x2A;
  WriteAt(0, 4, std::string("\xDB\n\r", 3));
  EXPECT_EQ(Cell(0, 4), 0x2ADB);
  EXPECT_EQ(Cell(1, 4), 0x2A0A);
  EXPECT_EQ(Cell(2, 4), 0x2A0D);
  EXPECT_EQ(CursorCol, 3);
  EXPECT_EQ(CursorRow, 4);
}

TEST_F(TextScreenTest, WriteLineOfAFullRowLeavesTheCursorTwoRowsDown) {
  TextAttr = 0x07;
  SetCursor(0, 5);
  WriteLine(std::string(80, 'x'));
  EXPECT_EQ(CursorCol, 0);
  EXPECT_EQ(CursorRow, 7);
  for (int col = 0; col < 80; ++col) EXPECT_EQ(Cell(col, 5), 0x0778) << col;
  for (int col = 0; col < 80; ++col) EXPECT_EQ(Cell(col, 6), 0) << col;
}

TEST_F(TextScreenTest, WritesBelowTheScreenAreDropped) {
  const std::vector<uint8_t> pixelsBefore(PixelBuffer, PixelBuffer + sizeof PixelBuffer);
  SetCursor(70, 49);
  WriteText(std::string(300, 'z'));  // runs off the last row and far past the cell array
  EXPECT_EQ(Cell(79, 49), 0x0F7A);
  EXPECT_EQ(std::vector<uint8_t>(PixelBuffer, PixelBuffer + sizeof PixelBuffer), pixelsBefore);
}

// ---- clearing and filling ----

TEST_F(TextScreenTest, ClearToEolClearsFromTheCursorToTheRowEnd) {
  struct Case {
    int col;
    int firstCleared;  // 80: nothing
  };
  for (const Case& c : {Case{0, 0}, Case{10, 10}, Case{79, 79}, Case{80, 80}}) {
    SCOPED_TRACE(c.col);
    FillDistinct();
    TextAttr = 0x4E;
    SetCursor(static_cast<uint8_t>(c.col), 20);
    ClearToEol();
    for (int col = 0; col < 80; ++col) {
      const ScreenCell want =
          col >= c.firstCleared ? ScreenCell{0x4E00} : static_cast<ScreenCell>(0x1000 + 1600 + col);
      ASSERT_EQ(Cell(col, 20), want) << col;
    }
    EXPECT_EQ(Cell(0, 21), 0x1000 + 1680);
    EXPECT_EQ(CursorCol, c.col);
    EXPECT_EQ(CursorRow, 20);
  }
}

TEST_F(TextScreenTest, ClearScreenBlanksEveryCellAndHomesTheCursor) {
  FillDistinct();
  TextAttr = 0x1F;
  SetCursor(33, 44);
  ClearScreen();
  for (int i = 0; i < 4000; ++i) ASSERT_EQ(ScreenCells[i], 0x1F00) << i;
  EXPECT_EQ(CursorCol, 0);
  EXPECT_EQ(CursorRow, 0);
}

TEST_F(TextScreenTest, FillRowsAndClearRowBackgroundsTouchExactlyTheirRows) {
  for (int i = 0; i < 4000; ++i) ScreenCells[i] = static_cast<ScreenCell>(0xA000 | (i & 0x0FFF));
  const ScreenCell before = ScreenCells[3 * 80];
  TextAttr = 0x0F;
  SetCursor(5, 6);

  FillRows(10, 3, 0x70);
  ClearRowBackgrounds(2, 2);

  EXPECT_EQ(ScreenCells[2 * 80 - 1] & 0xF000, 0xA000);  // row 1 untouched
  EXPECT_EQ(ScreenCells[3 * 80], before & 0x0FFF);      // character and foreground kept
  EXPECT_EQ(ScreenCells[4 * 80 - 1] & 0xF000, 0);
  EXPECT_EQ(ScreenCells[4 * 80] & 0xF000, 0xA000);  // row 4 untouched
  EXPECT_NE(ScreenCells[10 * 80 - 1], 0x7000);
  for (int i = 10 * 80; i < 13 * 80; ++i) ASSERT_EQ(ScreenCells[i], 0x7000) << i;
  EXPECT_NE(ScreenCells[13 * 80], 0x7000);
  EXPECT_EQ(TextAttr, 0x0F);
  EXPECT_EQ(CursorCol, 5);
  EXPECT_EQ(CursorRow, 6);
}

// ---- half blocks ----

TEST_F(TextScreenTest, SetHalfBlockColoursOneHalfAndKeepsTheOtherNibble) {
  struct Case {
    int halfRow;
    uint8_t colour;
    int row;
    ScreenCell want;  // from a cell holding 'A' in yellow (14) on red (4)
  };
  const Case cases[] = {
      {35, 9, 17, 0x9EDF},  // odd: lower half, background becomes 9, foreground kept
      {98, 3, 49, 0x43DF},  // even: upper half, foreground becomes 3, background kept
      {0, 15, 0, 0x4FDF},
      {99, 0, 49, 0x0EDF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.halfRow);
    Cell(12, c.row) = 0x4E41;
    SetHalfBlock(12, c.halfRow, c.colour);
    EXPECT_EQ(Cell(12, c.row), c.want);
    EXPECT_EQ(Cell(11, c.row), 0);
    EXPECT_EQ(Cell(13, c.row), 0);
  }

  // Both halves of one cell: the two calls do not undo each other.
  SetHalfBlock(40, 20, 2);
  SetHalfBlock(40, 21, 6);
  EXPECT_EQ(Cell(40, 10), 0x62DF);
}

// ---- scrolling ----

TEST_F(TextScreenTest, ScrollRowLeftShiftsCharactersInTheCurrentAttribute) {
  for (int col = 0; col < 80; ++col) {
    Cell(col, 7) = static_cast<ScreenCell>(((col % 16) << 12) | ((col % 7) << 8) | (col + 33));
  }
  Cell(0, 8) = 0x1234;
  TextAttr = 0x2C;
  SetCursor(1, 2);
  ScrollRowLeft(7);
  for (int col = 0; col < 79; ++col) ASSERT_EQ(Cell(col, 7), 0x2C00 | (col + 34)) << col;
  EXPECT_EQ(Cell(79, 7), ((79 % 16) << 12) | ((79 % 7) << 8) | (79 + 33));  // left as it was
  EXPECT_EQ(Cell(0, 8), 0x1234);
  EXPECT_EQ(CursorCol, 1);
  EXPECT_EQ(CursorRow, 2);
}

TEST_F(TextScreenTest, ScrollRowsUpMovesTheBlockOneRowUp) {
  FillDistinct();
  ScrollRowsUp(10, 5);
  for (int row = 0; row < 50; ++row) {
    for (int col = 0; col < 80; ++col) {
      int source = row;
      if (row >= 9 && row <= 13) source = row + 1;
      ASSERT_EQ(Cell(col, row), 0x1000 + source * 80 + col) << col << "," << row;
    }
  }
}

TEST_F(TextScreenTest, ScrollRowsUpOutsideTheScreenStaysInside) {
  FillDistinct();
  ScrollRowsUp(45, 20);  // rows 45..49 move; nothing past row 49 is read
  EXPECT_EQ(Cell(0, 44), 0x1000 + 45 * 80);
  EXPECT_EQ(Cell(79, 48), 0x1000 + 49 * 80 + 79);
  EXPECT_EQ(Cell(79, 49), 0x1000 + 49 * 80 + 79);

  FillDistinct();
  ScrollRowsUp(0, 3);  // row 0 has nowhere to go; rows 1 and 2 move up
  EXPECT_EQ(Cell(5, 0), 0x1000 + 80 + 5);
  EXPECT_EQ(Cell(5, 1), 0x1000 + 160 + 5);
  EXPECT_EQ(Cell(5, 2), 0x1000 + 160 + 5);
}

// ---- rendering into the pixel image ----

TEST_F(TextScreenTest, GlyphsRenderWithTheirCp437Shapes) {
  struct Case {
    uint8_t ch;
    uint8_t rows[8];
  };
  const Case cases[] = {
      {219, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},  // full block
      {220, {0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}},  // lower half block
      {223, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}},  // upper half block
      {221, {0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0}},  // left half block
      {177, {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA}},  // medium shade
      {'L', {0xF0, 0x60, 0x60, 0x60, 0x62, 0x66, 0xFE, 0x00}},
      {'7', {0xFE, 0xC6, 0x0C, 0x18, 0x30, 0x30, 0x30, 0x00}},
      {'F', {0xFE, 0x62, 0x68, 0x78, 0x68, 0x60, 0xF0, 0x00}},
      {'j', {0x06, 0x00, 0x06, 0x06, 0x06, 0x66, 0x66, 0x3C}},
      {201, {0x00, 0x00, 0x3F, 0x30, 0x37, 0x36, 0x36, 0x36}},  // double box corner
      {196, {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00}},
      {179, {0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18}},
      {0, {0, 0, 0, 0, 0, 0, 0, 0}},
      {' ', {0, 0, 0, 0, 0, 0, 0, 0}},
      {255, {0, 0, 0, 0, 0, 0, 0, 0}},
  };
  int col = 0;
  for (const Case& c : cases) Cell(col++, 30) = static_cast<ScreenCell>(0x5A00 | c.ch);
  RenderChangedCells();
  col = 0;
  for (const Case& c : cases) {
    for (int k = 0; k < 8; ++k) {
      EXPECT_EQ(RenderedRow(col, 30, k, 0xA), c.rows[k]) << "char " << int(c.ch) << " row " << k;
      for (int b = 0; b < 8; ++b) {
        const uint8_t p = Pixel(col * 8 + b, 30 * 8 + k);
        ASSERT_TRUE(p == 0xA || p == 0x5) << "char " << int(c.ch);  // only fg or bg
      }
    }
    ++col;
  }
}

TEST_F(TextScreenTest, ShadesGetDarkerFrom176To178) {
  Cell(0, 0) = 0x0F00 | 176;
  Cell(1, 0) = 0x0F00 | 177;
  Cell(2, 0) = 0x0F00 | 178;
  RenderChangedCells();
  int lit[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    for (int k = 0; k < 8; ++k) lit[i] += __builtin_popcount(RenderedRow(i, 0, k, 15));
  }
  EXPECT_EQ(lit[0], 16);
  EXPECT_EQ(lit[1], 32);
  EXPECT_EQ(lit[2], 48);
}

TEST_F(TextScreenTest, AttributeF0IsBlackOnWhiteAndCharacterZeroIsASolidBackground) {
  Cell(3, 4) = 0xF041;  // 'A'
  Cell(4, 4) = 0x3C00;
  RenderChangedCells();
  int black = 0, white = 0;
  for (int k = 0; k < 8; ++k) {
    for (int b = 0; b < 8; ++b) {
      const uint8_t p = Pixel(3 * 8 + b, 4 * 8 + k);
      black += p == 0;
      white += p == 15;
      ASSERT_EQ(Pixel(4 * 8 + b, 4 * 8 + k), 3);
    }
  }
  EXPECT_GT(black, 0);
  EXPECT_GT(white, black);
  EXPECT_EQ(black + white, 64);
  EXPECT_EQ(Pixel(3 * 8 + 7, 4 * 8 + 7), 15);  // the glyph's empty corner is the background
}

TEST_F(TextScreenTest, OnlyChangedCellsAreRenderedAgain) {
  Cell(5, 5) = 0x1F41;
  Cell(6, 5) = 0x1F42;
  RenderChangedCells();
  EXPECT_EQ(std::vector<ScreenCell>(ShadowCells, ShadowCells + 4000),
            std::vector<ScreenCell>(ScreenCells, ScreenCells + 4000));

  // Someone else draws over both cells (the oscilloscope does this).
  PixelBuffer[(5 * 8 + 3) * 640 + 5 * 8 + 3] = 77;
  PixelBuffer[(5 * 8 + 3) * 640 + 6 * 8 + 3] = 77;
  PixelBuffer[(40 * 8) * 640 + 0] = 77;  // over a cell that never changes

  RenderChangedCells();  // nothing changed: the drawing survives
  EXPECT_EQ(Pixel(5 * 8 + 3, 5 * 8 + 3), 77);
  EXPECT_EQ(Pixel(6 * 8 + 3, 5 * 8 + 3), 77);

  Cell(6, 5) = 0x2F42;  // same character, new background: the whole block is drawn again
  RenderChangedCells();
  EXPECT_EQ(Pixel(5 * 8 + 3, 5 * 8 + 3), 77);
  EXPECT_NE(Pixel(6 * 8 + 3, 5 * 8 + 3), 77);
  for (int k = 0; k < 8; ++k) {
    for (int b = 0; b < 8; ++b) {
      const uint8_t p = Pixel(6 * 8 + b, 5 * 8 + k);
      ASSERT_TRUE(p == 2 || p == 15);
    }
  }
  EXPECT_EQ(Pixel(6 * 8 + 7, 5 * 8 + 7), 2);
  EXPECT_EQ(Pixel(0, 40 * 8), 77);
}

TEST_F(TextScreenTest, CopyPixelBufferHonoursThePitch) {
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 640; ++x) PixelBuffer[y * 640 + x] = static_cast<uint8_t>(x * 7 + y);
  }
  for (int pitch : {640, 648, 1024}) {
    SCOPED_TRACE(pitch);
    std::vector<uint8_t> surface(static_cast<size_t>(pitch) * 400, 0xEE);
    CopyPixelBuffer(surface.data(), pitch);
    for (int y = 0; y < 400; ++y) {
      ASSERT_EQ(0,
                std::memcmp(&surface[static_cast<size_t>(y) * pitch], &PixelBuffer[y * 640], 640))
          << y;
      for (int x = 640; x < pitch; ++x) ASSERT_EQ(surface[y * pitch + x], 0xEE);
    }
  }
}

TEST_F(TextScreenTest, PaletteAndFontAreLoaded) {
  const uint8_t want[16][3] = {{0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128},
                               {128, 0, 0},     {128, 0, 128}, {128, 128, 0}, {192, 192, 192},
                               {128, 128, 128}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
                               {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(Palette16[i].r, want[i][0]) << i;
    EXPECT_EQ(Palette16[i].g, want[i][1]) << i;
    EXPECT_EQ(Palette16[i].b, want[i][2]) << i;
    EXPECT_EQ(Palette16[i].unused, 0) << i;
  }
  // Every character but the blanks has its own picture: a glyph borrowed from another
  // character (the font generator's fallback) would show up as a duplicate.
  for (int a = 1; a < 255; ++a) {
    for (int b = a + 1; b < 255; ++b) {
      if (a == 32 || b == 32) continue;
      ASSERT_NE(0, std::memcmp(&Font8x8[a * 8], &Font8x8[b * 8], 8)) << a << " and " << b;
    }
  }
}

TEST_F(TextScreenTest, ResetRestoresProgramStartValues) {
  FillDistinct();
  RenderChangedCells();
  TextAttr = 0x12;
  SetCursor(9, 9);
  ResetTextScreen();
  EXPECT_EQ(TextAttr, 0x0F);
  EXPECT_EQ(CursorCol, 0);
  EXPECT_EQ(CursorRow, 0);
  EXPECT_FALSE(FullScreen);
  EXPECT_EQ(ScreenSurface, nullptr);
  for (int i = 0; i < 4000; ++i) ASSERT_EQ(ScreenCells[i] | ShadowCells[i], 0) << i;
  for (uint8_t p : PixelBuffer) ASSERT_EQ(p, 0);
}

// ---- texts ----

TEST(TextHelpers, IntToText) {
  const std::pair<int32_t, const char*> cases[] = {
      {0, "0"},
      {7, "7"},
      {-1, "-1"},
      {1000, "1000"},
      {-305, "-305"},
      {2147483647, "2147483647"},
      {INT32_MIN, "-2147483648"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(IntToText(value), text) << value;
}

TEST(TextHelpers, UpperTextChangesOnlyAsciiLetters) {
  EXPECT_EQ(UpperText("song_01.sng"), "SONG_01.SNG");
  EXPECT_EQ(UpperText("`az{@AZ["), "`AZ{@AZ[");
  EXPECT_EQ(UpperText(std::string("\x84\xE4\xFF\x00q", 5)), std::string("\x84\xE4\xFF\x00Q", 5));
  EXPECT_EQ(UpperText(""), "");
}

// ---- the SDL side ----

class ScreenDeviceTest : public TextScreenTest {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
  }
  static void TearDownTestSuite() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

  void SetUp() override {
    TextScreenTest::SetUp();
    SetScreenMode(false);
    ASSERT_NE(ScreenSurface, nullptr) << SDL_GetError();
    SDL_Event ignored;
    while (SDL_PollEvent(&ignored)) {
    }
  }

  static void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 0) << SDL_GetError(); }

  static SDL_Event Key(uint8_t type, SDLKey sym, SDLMod mod) {
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    return e;
  }

  // The surface's pixels equal PixelBuffer, row by row.
  static bool SurfaceShowsImage() {
    if (SDL_LockSurface(ScreenSurface) != 0) return false;
    bool same = true;
    const auto* pixels = static_cast<const uint8_t*>(ScreenSurface->pixels);
    for (int y = 0; y < 400 && same; ++y) {
      same = std::memcmp(pixels + y * ScreenSurface->pitch, &PixelBuffer[y * 640], 640) == 0;
    }
    SDL_UnlockSurface(ScreenSurface);
    return same;
  }
};

TEST_F(ScreenDeviceTest, ModeIs640x400WithThePalette) {
  EXPECT_EQ(ScreenSurface->w, 640);
  EXPECT_EQ(ScreenSurface->h, 400);
  EXPECT_EQ(ScreenSurface->format->BitsPerPixel, 8);
  EXPECT_FALSE(FullScreen);
  ASSERT_NE(ScreenSurface->format->palette, nullptr);
  const SDL_Color* colors = ScreenSurface->format->palette->colors;
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(colors[i].r, Palette16[i].r) << i;
    EXPECT_EQ(colors[i].g, Palette16[i].g) << i;
    EXPECT_EQ(colors[i].b, Palette16[i].b) << i;
  }
}

TEST_F(ScreenDeviceTest, RefreshPresentsTheWholeImageEveryTime) {
  TextAttr = 0x1E;
  WriteAt(10, 10, "Quandor");
  RefreshScreen();
  EXPECT_TRUE(SurfaceShowsImage());
  EXPECT_EQ(ShadowCells[10 * 80 + 10], 0x1E51);

  // Pixels drawn straight into the image reach the surface with no cell changed.
  PixelBuffer[123 * 640 + 321] = 12;
  RefreshScreen();
  EXPECT_TRUE(SurfaceShowsImage());
}

TEST_F(ScreenDeviceTest, ToggleTwiceReturnsToTheWindowAndKeepsTheImage) {
  TextAttr = 0x4F;
  WriteAt(0, 0, "full screen and back");
  SetHalfBlock(79, 99, 10);
  RefreshScreen();
  const std::vector<uint8_t> image(PixelBuffer, PixelBuffer + sizeof PixelBuffer);

  for (bool wantFull : {true, false}) {
    SCOPED_TRACE(wantFull);
    SetScreenMode(true);
    ASSERT_NE(ScreenSurface, nullptr);
    EXPECT_EQ(FullScreen, wantFull);
    EXPECT_EQ(((ScreenSurface->flags & SDL_FULLSCREEN) != 0), wantFull);
    EXPECT_EQ(ScreenSurface->w, 640);
    EXPECT_EQ(ScreenSurface->h, 400);
    EXPECT_EQ(ScreenSurface->format->palette->colors[12].r, 255);
    RefreshScreen();  // no cell changed, yet the new surface gets the whole image
    EXPECT_TRUE(SurfaceShowsImage());
    EXPECT_EQ(std::vector<uint8_t>(PixelBuffer, PixelBuffer + sizeof PixelBuffer), image);
  }
}

TEST_F(ScreenDeviceTest, PollKeyTakesOneEventAndAnswersOnlyForAKeyPress) {
  SDL_Event motion{};
  motion.type = SDL_MOUSEMOTION;
  motion.motion.type = SDL_MOUSEMOTION;
  motion.motion.x = 10;
  motion.motion.y = 20;
  SDL_Event button{};
  button.type = SDL_MOUSEBUTTONDOWN;
  button.button.type = SDL_MOUSEBUTTONDOWN;
  button.button.button = SDL_BUTTON_LEFT;
  SDL_Event quit{};
  quit.type = SDL_QUIT;

  Push(motion);
  Push(Key(SDL_KEYUP, SDLK_a, KMOD_NONE));
  Push(button);
  Push(quit);
  Push(Key(SDL_KEYDOWN, SDLK_UP, static_cast<SDLMod>(KMOD_LALT | KMOD_RALT)));
  Push(Key(SDL_KEYDOWN, SDLK_RETURN, KMOD_LSHIFT));

  EXPECT_FALSE(PollKey());  // motion
  EXPECT_FALSE(PollKey());  // release
  EXPECT_FALSE(PollKey());  // button
  EXPECT_FALSE(PollKey());  // window close: dropped, nothing else happens
  ASSERT_TRUE(PollKey());
  EXPECT_EQ(LastKeySymbol(), 273u);
  EXPECT_EQ(LastKeyModifiers(), 0x0300u);
  ASSERT_TRUE(PollKey());
  EXPECT_EQ(LastKeySymbol(), 13u);
  EXPECT_EQ(LastKeyModifiers() & 0x0003u, 0x0001u);
  EXPECT_FALSE(PollKey());  // queue empty
  EXPECT_NE(ScreenSurface, nullptr);
}

TEST_F(ScreenDeviceTest, WaitKeyFollowsTheSameRule) {
  Push(Key(SDL_KEYUP, SDLK_ESCAPE, KMOD_NONE));
  Push(Key(SDL_KEYDOWN, SDLK_ESCAPE, KMOD_NONE));
  EXPECT_FALSE(WaitKey());
  ASSERT_TRUE(WaitKey());
  EXPECT_EQ(LastKeySymbol(), 27u);
}

}  // namespace
}  // namespace quandor
