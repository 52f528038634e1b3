// The selector screen: what a drawing puts into the cells, the navigation keys' edge cases,
// and whole runs driven by key events pushed into SDL's queue (dummy video driver).
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "selector/listing.h"
#include "selector/scripted_platform.h"
#include "selector/selector.h"
#include "textscreen/textscreen.h"

namespace quandor {
namespace {

constexpr uint32_t kReturn = 13, kEscape = 27, kUp = 273, kDown = 274, kHome = 278, kEnd = 279,
                   kPageUp = 280, kPageDown = 281;

class SelectorScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetListing();
    ResetSelectorScreen();
    ResetTextScreen();
    ResetScripted();
    Platform = &ScriptedPlatform;
  }
  void TearDown() override {
    ResetListing();
    ResetScripted();
  }

  // C:\ with the given directories and songs, and drives A to the given count.
  void ListOf(int directories, int songs, int drives) {
    ScriptedDirectory root{"C:\\", {}};
    for (int i = 0; i < directories; ++i) {
      const std::string name = "D" + std::to_string(100 + i);
      root.items.push_back({name, true});
      Scripted.directories.push_back({"C:\\" + name, {{"..", true}, {"inner.sng", false}}});
    }
    for (int i = 0; i < songs; ++i) root.items.push_back({"S" + std::to_string(100 + i) + ".SNG"});
    Scripted.directories.push_back(root);
    Scripted.current = "C:\\";
    Scripted.answeringDrives = drives ? (1u << (drives - 1)) : 0;
    SelectorInit();
    ASSERT_EQ(EntryCount, directories + songs + drives);
  }

  // Draws (as every pass does before it reads a key), then acts on the key.
  void Press(uint32_t symbol, uint32_t modifiers = 0) {
    DrawSelector();
    SelectorKey(symbol, modifiers);
  }

  int Highlighted() const { return ScrollOffset + HighlightRow; }

  static std::string RowText(int row) {
    std::string s;
    for (int c = 0; c < 80; ++c) s += static_cast<char>(ScreenCells[row * 80 + c] & 0xFF);
    return s;
  }
  static uint8_t Attr(int col, int row) { return ScreenCells[row * 80 + col] >> 8; }
};

TEST_F(SelectorScreenTest, DrawingShowsBannerCentredLabelsAndTheBar) {
  ListOf(2, 3, 1);
  VisibleRows = 47;
  HighlightRow = 3;  // the second song
  DrawSelector();
  const std::string banner = RowText(0);
  EXPECT_EQ(banner.substr(0, 24), "\xDB\xDB Orlen v0.1b b20021206");
  EXPECT_EQ(banner.substr(24, 46), std::string(46, ' '));
  EXPECT_EQ(banner.substr(70), "\xDB\xDB\xDB\xDB\xB2\xB2\xB2\xB1\xB1\xB0");
  for (int c = 0; c < 80; ++c) ASSERT_EQ(Attr(c, 0), 0x0F) << c;
  EXPECT_EQ(RowText(1), std::string(80, '\0'));

  // "<D100>" has 6 characters: column 39 - 3 = 36. "S100.SNG" has 8: column 35.
  EXPECT_EQ(RowText(2).substr(36, 6), "<D100>");
  EXPECT_EQ(Attr(36, 2), 0x08);
  EXPECT_EQ(RowText(4).substr(35, 8), "S100.SNG");
  EXPECT_EQ(Attr(35, 4), 0x07);
  EXPECT_EQ(RowText(7).substr(37, 4), "<A:>");  // four characters start at 37
  EXPECT_EQ(Attr(37, 7), 0x08);
  // The bar on a song spans the whole row in red on blue.
  EXPECT_EQ(RowText(5).substr(35, 8), "S101.SNG");
  for (int c = 0; c < 80; ++c) ASSERT_EQ(Attr(c, 5), 0x9C) << c;
  EXPECT_EQ(RowText(8), std::string(80, '\0'));  // nothing below the list

  HighlightRow = 0;
  DrawSelector();
  for (int c = 0; c < 80; ++c) ASSERT_EQ(Attr(c, 2), 0x1C) << c;
  EXPECT_EQ(Attr(35, 5), 0x07);
}

TEST_F(SelectorScreenTest, AFullWindowEndsOnRow48) {
  ListOf(10, 60, 0);
  VisibleRows = 47;
  ScrollOffset = 5;
  DrawSelector();
  EXPECT_EQ(SelectorLastRow(), 46);
  EXPECT_EQ(SelectorLargestOffset(), 70 - 47);
  EXPECT_EQ(RowText(2).substr(36, 6), "<D105>");
  EXPECT_EQ(RowText(48).substr(35, 8), "S141.SNG");  // entry 5 + 46 = 51, song 41
  EXPECT_EQ(RowText(49), std::string(80, '\0'));
}

TEST_F(SelectorScreenTest, LabelOf78CharactersStartsInColumn0) {
  Scripted.directories = {{"C:\\", {{std::string(77, 'x') + ".sng", false}}}};
  Scripted.current = "C:\\";
  SelectorInit();
  HighlightRow = 1;  // nothing highlighted on the drawn row
  DrawSelector();
  EXPECT_EQ(RowText(2).substr(0, 78), std::string(76, 'x') + "..");
  EXPECT_EQ(RowText(2).substr(78), std::string(2, '\0'));
}

TEST_F(SelectorScreenTest, NavigationKeys) {
  struct Case {
    const char* what;
    int directories, songs, drives;  // the list
    int visible;
    int highlight, offset;  // before
    uint32_t key;
    int highlightAfter, offsetAfter;
  };
  const Case cases[] = {
      {"Up moves the bar", 0, 30, 0, 22, 4, 3, kUp, 3, 3},
      {"Up at the top row scrolls", 0, 30, 0, 22, 0, 3, kUp, 0, 2},
      {"Up at the first entry stays", 0, 30, 0, 22, 0, 0, kUp, 0, 0},
      {"Down moves the bar", 0, 30, 0, 22, 4, 3, kDown, 5, 3},
      {"Down at the bottom row scrolls", 0, 30, 0, 22, 21, 3, kDown, 21, 4},
      {"Down at the last entry stays", 0, 30, 0, 22, 21, 8, kDown, 21, 8},
      {"Down on a short list stops on the last entry", 0, 5, 0, 22, 4, 0, kDown, 4, 0},
      {"Home", 0, 30, 0, 22, 7, 5, kHome, 0, 0},
      {"PageUp moves the bar", 0, 60, 0, 22, 15, 9, kPageUp, 3, 9},
      {"PageUp with row 5 and offset 8 does nothing", 0, 60, 0, 22, 5, 8, kPageUp, 5, 8},
      {"PageUp with row 5 and offset 30 scrolls", 0, 60, 0, 22, 5, 30, kPageUp, 5, 18},
      {"PageDown moves the bar", 0, 60, 0, 22, 8, 0, kPageDown, 20, 0},
      {"PageDown scrolls", 0, 60, 0, 22, 9, 10, kPageDown, 9, 22},
      {"PageDown near the end does nothing", 0, 60, 0, 22, 9, 26, kPageDown, 9, 26},
      // A short list: more than 12 rows must remain below the bar.
      {"PageDown on 20 entries from row 6", 0, 20, 0, 22, 6, 0, kPageDown, 18, 0},
      {"PageDown on 20 entries from row 7", 0, 20, 0, 22, 7, 0, kPageDown, 7, 0},
      {"PageDown on 5 entries", 0, 5, 0, 22, 0, 0, kPageDown, 0, 0},
      // End: 40 entries and 3 drives in 22 rows exceed the window by 18 > 3.
      {"End on a long list puts the last song on the bottom row", 2, 35, 3, 22, 0, 0, kEnd, 21, 15},
      {"End on a long list without songs", 37, 0, 3, 22, 0, 0, kEnd, 21, 15},
      {"End on a list that fits", 2, 5, 3, 22, 2, 0, kEnd, 6, 0},
      // 22 + 3 entries in 22 rows: exceeds by 3, not more than the drives.
      {"End on a list that exceeds by the drive count", 2, 20, 3, 22, 0, 0, kEnd, 21, 0},
      {"End on a list that exceeds by one more than the drives", 2, 21, 3, 22, 0, 0, kEnd, 21, 1},
      {"End with only drives keeps the bar", 0, 0, 3, 22, 1, 0, kEnd, 1, 0},
      {"Keypad Enter does nothing", 0, 30, 0, 22, 4, 3, 271, 4, 3},
      {"Right arrow does nothing", 0, 30, 0, 22, 4, 3, 275, 4, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetListing();
    ResetScripted();
    Platform = &ScriptedPlatform;
    ListOf(c.directories, c.songs, c.drives);
    VisibleRows = static_cast<uint8_t>(c.visible);
    HighlightRow = static_cast<uint8_t>(c.highlight);
    ScrollOffset = static_cast<uint16_t>(c.offset);
    Press(c.key, 0x0003);  // a Shift key held changes nothing
    EXPECT_EQ(HighlightRow, c.highlightAfter);
    EXPECT_EQ(ScrollOffset, c.offsetAfter);
    EXPECT_EQ(LeaveCode, 0);
  }
}

TEST_F(SelectorScreenTest, EndHighlightsTheLastSongOrDirectory) {
  ListOf(4, 50, 3);
  Press(kEnd);
  EXPECT_EQ(Highlighted(), EntryCount - DriveCount - 1);
  EXPECT_EQ(EntryTable[Highlighted()].name, "S149.SNG");
  DrawSelector();
  EXPECT_EQ(Attr(0, 2 + 21), 0x9C);  // on the bottom row
}

TEST_F(SelectorScreenTest, ReturnOpensDirectoriesAndChoosesSongs) {
  ListOf(2, 2, 3);
  HighlightRow = 1;
  ScrollOffset = 0;
  Press(kReturn);  // on <D101>
  EXPECT_EQ(Scripted.current, "C:\\D101");
  EXPECT_EQ(HighlightRow, 0);
  ASSERT_EQ(EntryCount, 2 + 3);
  EXPECT_EQ(EntryTable[0].label, "<..>");
  EXPECT_EQ(EntryTable[1].label, "inner.sng");

  Press(kDown);
  Press(kReturn, 0x1000);  // Num Lock and the like do not count as Alt
  EXPECT_EQ(LeaveCode, 13);
  EXPECT_EQ(Scripted.current, "C:\\D101");
}

TEST_F(SelectorScreenTest, ADirectoryThatCannotBeEnteredRereadsTheListing) {
  ListOf(2, 2, 0);
  FindScriptedDirectory("C:\\D100")->enterFails = true;
  HighlightRow = 2;
  Press(kUp);
  Press(kUp);
  Press(kReturn);
  EXPECT_EQ(Scripted.current, "C:\\");
  EXPECT_EQ(HighlightRow, 0);
  EXPECT_EQ(EntryCount, 4);
  EXPECT_EQ(Scripted.searches, 4);  // read again
}

TEST_F(SelectorScreenTest, AnEmptyListDrawsNoEntryAndIgnoresReturn) {
  Scripted.directories = {{"C:\\", {}}};
  Scripted.current = "C:\\";
  SelectorInit();
  ASSERT_EQ(EntryCount, 0);
  for (uint32_t key : {kDown, kEnd, kPageDown, kUp, kPageUp, kReturn}) Press(key);
  EXPECT_EQ(HighlightRow, 0);
  EXPECT_EQ(ScrollOffset, 0);
  EXPECT_EQ(LeaveCode, 0);
  EXPECT_EQ(Scripted.changes.size(), 0u);
  for (int row = 1; row < 50; ++row) EXPECT_EQ(RowText(row), std::string(80, '\0')) << row;
}

// Whole runs through SDL's event queue with the dummy video driver.
class SelectorRunTest : public SelectorScreenTest {
 protected:
  void SetUp() override {
    SelectorScreenTest::SetUp();
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    InitTextScreen();
    FullScreen = false;
    SetScreenMode(false);
    ASSERT_NE(ScreenSurface, nullptr);
  }
  void TearDown() override {
    SDL_Quit();
    SelectorScreenTest::TearDown();
  }
  static void Push(SDLKey key, SDLMod mod = KMOD_NONE) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = key;
    e.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&e), 0);
    e.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    ASSERT_EQ(SDL_PushEvent(&e), 0);
  }
};

TEST_F(SelectorRunTest, AfterASongTheSameListingComesBackOnIt) {
  ListOf(1, 3, 0);
  Push(SDLK_DOWN);
  Push(SDLK_DOWN);
  Push(SDLK_RETURN);
  std::string chosen;
  EXPECT_TRUE(RunSelector(chosen));
  EXPECT_EQ(chosen, "S101.SNG");

  // A file added meanwhile shows up only after the next directory change.
  FindScriptedDirectory("C:\\")->items.push_back({"S000.SNG"});
  Push(SDLK_ESCAPE);
  EXPECT_FALSE(RunSelector(chosen));
  EXPECT_EQ(chosen, "S101.SNG");
  EXPECT_EQ(EntryCount, 4);
  EXPECT_EQ(RowText(4).substr(35, 8), "S101.SNG");
  EXPECT_EQ(Attr(0, 4), 0x9C);
}

TEST_F(SelectorRunTest, AltReturnTogglesFullScreenAndOpensNothing) {
  ListOf(1, 1, 0);
  Push(SDLK_RETURN, KMOD_LALT);
  Push(SDLK_ESCAPE);
  std::string chosen = "before";
  EXPECT_FALSE(RunSelector(chosen));
  EXPECT_TRUE(FullScreen);
  EXPECT_EQ(Scripted.current, "C:\\");
  EXPECT_EQ(chosen, "D100");  // Escape still hands back the highlighted entry's name
}

TEST_F(SelectorRunTest, OtherEventsAreDiscarded) {
  ListOf(0, 3, 0);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  ASSERT_EQ(SDL_PushEvent(&quit), 0);
  Push(SDLK_DOWN);
  Push(SDLK_RETURN);
  std::string chosen;
  EXPECT_TRUE(RunSelector(chosen));
  EXPECT_EQ(chosen, "S101.SNG");
}

}  // namespace
}  // namespace quandor
