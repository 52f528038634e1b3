// The listing against a scripted file system with drive letters: what is listed, in which
// order, with which labels, and how directory changes behave.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "selector/listing.h"
#include "selector/scripted_platform.h"
#include "selector/selector.h"
#include "textscreen/textscreen.h"

namespace quandor {
namespace {

class ListingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetListing();
    ResetSelectorScreen();
    ResetScripted();
    Platform = &ScriptedPlatform;
  }
  void TearDown() override {
    ResetListing();
    ResetScripted();
  }

  // A drive C whose current directory C:\MUSIC holds the given items after "." and "..".
  void ScriptMusic(const std::vector<ScriptedItem>& items) {
    std::vector<ScriptedItem> all = {{".", true}, {"..", true}};
    all.insert(all.end(), items.begin(), items.end());
    Scripted.directories = {{"C:\\", {{"MUSIC", true}}}, {"C:\\MUSIC", all}};
    Scripted.answeringDrives = 1u << 2;  // C
    Scripted.current = "C:\\MUSIC";
  }

  std::vector<std::string> Labels() const {
    std::vector<std::string> out;
    for (int i = 0; i < EntryCount; ++i) out.push_back(EntryTable[i].label);
    return out;
  }
};

TEST_F(ListingTest, DirectoriesThenSongsInUpperCaseByteOrderWithDrivesLast) {
  ScriptMusic({{"zeta.sng", false},
               {"ABC", true},
               {"Alpha.SNG", false},
               {"AB", true},
               {"!bang", true},
               {"AB0", true},
               {"-dash", true},
               {"9lives", true},
               {"b.sng", false},
               {"zz", true}});
  SelectorInit();
  const std::vector<std::string> expected = {"<!bang>",  "<-dash>", "<..>", "<9lives>",  "<AB0>",
                                             "<AB>",     "<ABC>",   "<zz>", "Alpha.SNG", "b.sng",
                                             "zeta.sng", "<A:>",    "<B:>", "<C:>"};
  EXPECT_EQ(Labels(), expected);
  EXPECT_EQ(DriveCount, 3);
  EXPECT_EQ(EntryTable[2].name, "..");
  EXPECT_EQ(EntryTable[11].name, "A:");
  EXPECT_EQ(EntryTable[11].isdir, 1);
  EXPECT_EQ(EntryTable[8].isdir, 0);
  // Both passes search everything under the same pattern.
  EXPECT_EQ(Scripted.searches, 2);
  EXPECT_EQ(Scripted.lastPattern, "*");
  EXPECT_EQ(Scripted.lastMask, 0x3F);
}

TEST_F(ListingTest, QuicksortOrdersAnyShuffleOfDistinctLabels) {
  std::vector<ScriptedItem> items;
  for (int i = 0; i < 300; ++i) {
    const std::string stem = std::to_string((i * 7919) % 1000);
    items.push_back({"d" + stem, true});
    items.push_back({"s" + stem + ".sng", false});
  }
  std::mt19937 shuffle(42);
  for (int round = 0; round < 5; ++round) {
    std::shuffle(items.begin(), items.end(), shuffle);
    ScriptMusic(items);
    ResetListing();
    Platform = &ScriptedPlatform;
    SelectorInit();
    ASSERT_EQ(EntryCount, 600 + 1 + 3);  // and ".." and drives A to C
    const int sorted = EntryCount - DriveCount;
    for (int i = 0; i + 1 < sorted; ++i)
      ASSERT_TRUE(EntryBefore(EntryTable[i], EntryTable[i + 1]))
          << EntryTable[i].label << " / " << EntryTable[i + 1].label;
  }
}

TEST_F(ListingTest, EntryBeforeRules) {
  struct Case {
    dirrec a, b;
    bool before;
  };
  const Case cases[] = {
      {{1, "zz", "<zz>"}, {0, "a.sng", "a.sng"}, true},  // directories first, whatever the name
      {{0, "a.sng", "a.sng"}, {1, "zz", "<zz>"}, false},
      {{0, "a.sng", "a.sng"}, {0, "B.SNG", "B.SNG"}, true},         // letter case is ignored
      {{0, "ab.sng", "ab.sng"}, {0, "AB.SNG", "AB.SNG"}, false},    // equal after upper case
      {{0, "A.SNG", "A.SNG"}, {0, "A.SNGX", "A.SNGX"}, true},       // the prefix first
      {{0, "\xE9.sng", "\xE9.sng"}, {0, "z.sng", "z.sng"}, false},  // bytes are unsigned
      {{0, "_.sng", "_.sng"}, {0, "a.sng", "a.sng"}, false},        // '_' lies past 'A' once upper
  };
  for (const Case& c : cases)
    EXPECT_EQ(EntryBefore(c.a, c.b), c.before) << c.a.label << " / " << c.b.label;
}

TEST_F(ListingTest, WhichFilesAreSongs) {
  struct Case {
    std::string name;
    bool listed;
  };
  const Case cases[] = {
      {"tune.sng", true},    {"TUNE.SNG", true},      {"Tune.sNg", true},   {".SNG", true},
      {".sng", true},        {"tune.sng.bak", false}, {"tune.sngx", false}, {"tunesng", false},
      {"SNG", false},        {"sng", false},          {"a.s", false},       {"tune.mod", false},
      {".hidden.sng", true},
  };
  std::vector<ScriptedItem> items;
  for (const Case& c : cases) items.push_back({c.name, false});
  items.push_back({"folder.sng", true});  // a directory stays a directory
  ScriptMusic(items);
  SelectorInit();
  std::vector<std::string> songs;
  for (int i = 0; i < EntryCount; ++i)
    if (!EntryTable[i].isdir) songs.push_back(EntryTable[i].name);
  for (const Case& c : cases) {
    const bool found = std::find(songs.begin(), songs.end(), c.name) != songs.end();
    EXPECT_EQ(found, c.listed) << c.name;
  }
  EXPECT_EQ(Labels()[1], "<folder.sng>");
}

TEST_F(ListingTest, DotIsNeverListedAndTheRootHasNoParent) {
  ScriptMusic({{".hidden", true}});
  SelectorInit();
  EXPECT_EQ(Labels(), (std::vector<std::string>{"<..>", "<.hidden>", "<A:>", "<B:>", "<C:>"}));

  ChangeDirectory("..");
  ReadListing();
  EXPECT_EQ(Scripted.current, "C:\\");
  EXPECT_EQ(Labels(), (std::vector<std::string>{"<MUSIC>", "<A:>", "<B:>", "<C:>"}));
}

TEST_F(ListingTest, LongNamesAreCutToSeventyEightCharacters) {
  const std::string d74(74, 'd'), d75(75, 'e'), s76 = std::string(72, 'f') + ".sng",
                                                s77 = std::string(73, 'g') + ".sng";
  Scripted.directories = {{"C:\\", {{d74, true}, {d75, true}, {s76, false}, {s77, false}}}};
  Scripted.current = "C:\\";
  SelectorInit();
  ASSERT_EQ(EntryCount, 4);
  EXPECT_EQ(EntryTable[0].label, "<" + d74 + ">");
  EXPECT_EQ(EntryTable[1].label, "<" + d75.substr(0, 74) + "..>");
  EXPECT_EQ(EntryTable[1].label.size(), 78u);
  EXPECT_EQ(EntryTable[1].name, d75);  // the name stays whole for opening it
  EXPECT_EQ(EntryTable[2].label, s76);
  EXPECT_EQ(EntryTable[3].label, s77.substr(0, 76) + "..");
  EXPECT_EQ(EntryTable[3].label.size(), 78u);
  EXPECT_EQ(EntryTable[3].name, s77);
}

TEST_F(ListingTest, AtMost1023DirectoriesAndSongsGatheredDirectoriesFirst) {
  struct Case {
    int directories, songs;
    int listedDirectories, listedSongs;
  };
  const Case cases[] = {
      {1020, 10, 1020, 3}, {1023, 5, 1023, 0}, {1100, 5, 1023, 0}, {0, 1030, 0, 1023}};
  for (const Case& c : cases) {
    std::vector<ScriptedItem> items;
    // Songs first in search order: the directory pass still comes first.
    for (int i = 0; i < c.songs; ++i)
      items.push_back({"s" + std::to_string(10000 + i) + ".sng", false});
    for (int i = 0; i < c.directories; ++i)
      items.push_back({"d" + std::to_string(10000 + i), true});
    ResetListing();
    ResetScripted();
    Platform = &ScriptedPlatform;
    Scripted.directories = {{"C:\\", items}};
    Scripted.current = "C:\\";
    Scripted.answeringDrives = 0x3FFFFFF;  // all 26 come on top
    SelectorInit();
    ASSERT_EQ(EntryCount, 1023 + 26) << c.directories << "/" << c.songs;
    int dirs = 0, songs = 0;
    for (int i = 0; i < 1023; ++i) (EntryTable[i].isdir ? dirs : songs)++;
    EXPECT_EQ(dirs, c.listedDirectories);
    EXPECT_EQ(songs, c.listedSongs);
    // The excess is dropped in search order: the first ones found stay.
    if (c.listedSongs > 0) {
      EXPECT_EQ(EntryTable[c.listedDirectories].name, "s10000.sng");
      EXPECT_EQ(EntryTable[1022].name, "s" + std::to_string(10000 + c.listedSongs - 1) + ".sng");
    }
    EXPECT_EQ(EntryTable[1048].label, "<Z:>");
  }
}

TEST_F(ListingTest, DrivesRunFromAToTheHighestAnsweringLetter) {
  struct Case {
    uint32_t answering;
    int driveCount;
  };
  const Case cases[] = {
      {0, 0},
      {1u << 0, 1},                            // A alone
      {(1u << 0) | (1u << 2) | (1u << 5), 6},  // A, C, F: B, D and E are listed too
      {1u << 25, 26},                          // Z alone lists every letter
  };
  for (const Case& c : cases) {
    ResetListing();
    ResetScripted();
    Platform = &ScriptedPlatform;
    Scripted.directories = {{"C:\\", {{"x.sng", false}}}};
    Scripted.current = "C:\\";
    Scripted.answeringDrives = c.answering;
    SelectorInit();
    EXPECT_EQ(DriveCount, c.driveCount) << c.answering;
    ASSERT_EQ(EntryCount, 1 + c.driveCount);
    for (int d = 0; d < c.driveCount; ++d) {
      const std::string letter(1, static_cast<char>('A' + d));
      EXPECT_EQ(EntryTable[1 + d].name, letter + ":");
      EXPECT_EQ(EntryTable[1 + d].label, "<" + letter + ":>");
      EXPECT_EQ(EntryTable[1 + d].isdir, 1);
    }
  }
}

TEST_F(ListingTest, AFailedSearchListsOnlyTheDrives) {
  Scripted.directories = {{"C:\\", {{"x.sng", false}}, /*searchFails=*/true}};
  Scripted.current = "C:\\";
  Scripted.answeringDrives = 0b101;
  SelectorInit();
  EXPECT_EQ(Labels(), (std::vector<std::string>{"<A:>", "<B:>", "<C:>"}));
}

TEST_F(ListingTest, DirectoryChanges) {
  ScriptMusic({{"LOCKED", true}, {"SUB", true}});
  Scripted.directories.push_back({"C:\\MUSIC\\LOCKED", {}, false, /*enterFails=*/true});
  Scripted.directories.push_back({"C:\\MUSIC\\SUB", {{"..", true}}});
  Scripted.directories.push_back({"D:\\", {}});
  Scripted.directories.push_back({"D:\\GAMES", {}});
  Scripted.driveCurrent['D' - 'A'] = "D:\\GAMES";
  Scripted.answeringDrives = 0b1100;
  SelectorInit();
  EXPECT_EQ(StartDirectory, "C:\\MUSIC");

  struct Case {
    std::string name;
    std::string after;
  };
  const Case cases[] = {
      {"LOCKED", "C:\\MUSIC"},  // refused: stays
      {"GONE", "C:\\MUSIC"},    // missing: stays
      {"SUB", "C:\\MUSIC\\SUB"}, {"..", "C:\\MUSIC"},
      {"D:", "D:\\GAMES"},  // a drive selects its own current directory
      {"E:", "D:\\GAMES"},  // no medium: stays
      {"C:", "C:\\MUSIC"},
  };
  for (const Case& c : cases) {
    ChangeDirectory(c.name);
    EXPECT_EQ(Scripted.current, c.after) << c.name;
  }
}

TEST_F(ListingTest, SelectorDoneRestoresTheStartDirectory) {
  ScriptMusic({{"SUB", true}});
  Scripted.directories.push_back({"C:\\MUSIC\\SUB", {}});
  SelectorInit();
  ChangeDirectory("SUB");
  ASSERT_EQ(Scripted.current, "C:\\MUSIC\\SUB");
  SelectorDone();
  EXPECT_EQ(Scripted.current, "C:\\MUSIC");
  EXPECT_EQ(EntryTable, nullptr);
}

TEST_F(ListingTest, SelectorDoneEndsTheProgramWhenTheStartDirectoryIsGone) {
  ScriptMusic({});
  SelectorInit();
  ChangeDirectory("..");
  Scripted.directories.pop_back();  // C:\MUSIC vanishes
  EXPECT_EXIT(SelectorDone(), ::testing::ExitedWithCode(3), "");
}

TEST_F(ListingTest, SelectorInitPutsTheHighlightAtTheTop) {
  ScriptMusic({{"a.sng", false}});
  HighlightRow = 5;
  ScrollOffset = 9;
  LeaveCode = 27;
  SelectorInit();
  EXPECT_EQ(HighlightRow, 0);
  EXPECT_EQ(ScrollOffset, 0);
  EXPECT_EQ(LeaveCode, 0);
}

// The Linux platform on a real folder: no drives, hidden names listed, links to directories
// opened like directories, and no ".." at the root.
TEST(PosixListingTest, RealFolder) {
  namespace fs = std::filesystem;
  ResetListing();
  ResetSelectorScreen();
  const fs::path before = fs::current_path();
  const fs::path dir = fs::temp_directory_path() / ("quandor-listing-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "sub");
  fs::create_directories(dir / ".hidden");
  fs::create_directory_symlink(dir / "sub", dir / "linked");
  fs::create_symlink(dir / "nowhere", dir / "dangling.sng");
  for (const char* name : {"tune.SNG", ".quiet.sng", "tune.sng.bak", "a.txt"})
    std::ofstream(dir / name);
  fs::current_path(dir);

  SelectorInit();
  EXPECT_EQ(DriveCount, 0);
  EXPECT_TRUE(fs::equivalent(StartDirectory, dir));
  std::vector<std::string> labels;
  for (int i = 0; i < EntryCount; ++i) labels.push_back(EntryTable[i].label);
  EXPECT_EQ(labels, (std::vector<std::string>{"<..>", "<.hidden>", "<linked>", "<sub>",
                                              ".quiet.sng", "dangling.sng", "tune.SNG"}));

  ChangeDirectory("linked");
  EXPECT_TRUE(fs::equivalent(fs::current_path(), dir / "sub"));
  ChangeDirectory("missing");
  EXPECT_TRUE(fs::equivalent(fs::current_path(), dir / "sub"));

  ChangeDirectory("/");
  ReadListing();
  for (int i = 0; i < EntryCount; ++i) EXPECT_NE(EntryTable[i].name, "..");
  EXPECT_GT(EntryCount, 0);

  SelectorDone();
  EXPECT_TRUE(fs::equivalent(fs::current_path(), dir));
  fs::current_path(before);
  fs::remove_all(dir);
  ResetListing();
}

}  // namespace
}  // namespace quandor
