// The quandor program as a whole process: usage text, exit statuses and console texts, with
// SDL's dummy drivers (or a driver that does not exist).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/song_builder.h"

namespace quandor {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;  // exit status, or -1 when the process did not exit normally
  std::string out;  // standard output
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    binary_ = std::string(QUANDOR_BINARY_DIR) + "/shell/quandor";
    if (access(binary_.c_str(), X_OK) != 0) GTEST_SKIP() << "quandor is not built";
    dir_ = fs::temp_directory_path() / ("quandor-shell-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  // Runs quandor in the scratch folder with the given arguments and environment settings;
  // prefix wraps the command (for example "timeout 2").
  Outcome Run(const std::vector<std::string>& args, const std::string& env = "",
              const std::string& prefix = "") const {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "literal" + std::string.
    std::string cmd = "cd ";
    cmd += Quote(dir_.string());
    cmd += " && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ";
    cmd += env;
    cmd += " ";
    cmd += prefix;
    cmd += " ";
    cmd += Quote(binary_);
    for (const std::string& a : args) {
      cmd += ' ';
      cmd += Quote(a);
    }
    cmd += " 2>/dev/null";
    Outcome o;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return o;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) o.out.append(buf, n);
    const int w = pclose(p);
    if (WIFEXITED(w)) o.status = WEXITSTATUS(w);
    return o;
  }

  std::vector<std::string> Lines(const std::string& text) const {
    std::vector<std::string> lines;
    size_t start = 0, end;
    while ((end = text.find('\n', start)) != std::string::npos) {
      lines.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
  }

  // The fatal report: the code's text, the runtime error line, a back-trace, an empty line.
  void ExpectFatalReport(const Outcome& o, int code, const std::string& text) const {
    EXPECT_EQ(o.status, code) << o.out;
    const std::vector<std::string> lines = Lines(o.out);
    ASSERT_GE(lines.size(), 4u) << o.out;
    EXPECT_EQ(lines[0], text);
    EXPECT_EQ(lines[1].rfind("Runtime error " + std::to_string(code) + " at $", 0), 0u) << lines[1];
    EXPECT_FALSE(lines[2].empty());  // at least one call level
    EXPECT_EQ(lines.back(), "");
    EXPECT_EQ(o.out.substr(o.out.size() - 2), "\n\n");
  }

  std::string binary_;
  fs::path dir_;
};

TEST_F(ShellTest, UsageTextWithoutTouchingSdl) {
  // A video driver that does not exist would make any SDL start-up fail with 254.
  const Outcome o = Run({"/?"}, "SDL_VIDEODRIVER=no-such-driver");
  EXPECT_EQ(o.status, 0);
  const std::string banner = "\u2588\u2588 ZORVEK Kestrapal_w32 b20080226" + std::string(36, ' ') +
                             "\u2588\u2588\u2588\u2588\u2588\u2593\u2593\u2593\u2592\u2592\u2591";
  EXPECT_EQ(o.out, banner + "Syntax: Quandor <file.sng>\nEnvvars: QUANDOR_PRECALC: Set Latency\n");
}

TEST_F(ShellTest, SdlStartFailurePrintsOneLineAndEnds254) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {"song.sng"}, {"/?", "x"}, {"a", "b", "c"}}) {
    const Outcome o = Run(args, "SDL_VIDEODRIVER=no-such-driver");
    EXPECT_EQ(o.status, 254) << args.size();
    const std::vector<std::string> lines = Lines(o.out);
    ASSERT_EQ(lines.size(), 1u) << o.out;
    EXPECT_EQ(lines[0].rfind("?SDL: ", 0), 0u) << lines[0];
    EXPECT_GT(lines[0].size(), std::string("?SDL:   ERROR").size());  // SDL's own text
    EXPECT_EQ(lines[0].substr(lines[0].size() - 7), "  ERROR");
    EXPECT_EQ(o.out.back(), '\n');
  }
}

TEST_F(ShellTest, MissingSongIsFatalWithCode2) {
  ExpectFatalReport(Run({"missing.sng"}), 2, "File not found.");
  // Only "/?" exactly asks for the usage text; anything longer is a file name.
  ExpectFatalReport(Run({"/?x"}), 2, "File not found.");
}

TEST_F(ShellTest, UnreadableSongIsFatalWithCode5) {
  fs::create_directory(dir_ / "folder.sng");
  ExpectFatalReport(Run({"folder.sng"}), 5, "File access denied.");

  const fs::path locked = dir_ / "locked.sng";
  FILE* f = std::fopen(locked.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("QTN", f);
  std::fclose(f);
  chmod(locked.c_str(), 0);
  if (geteuid() != 0) {
    ExpectFatalReport(Run({"locked.sng"}), 5, "File access denied.");
  } else if (access("/usr/bin/setpriv", X_OK) == 0) {
    // Root reads anything: run as nobody, from a folder that nobody can enter.
    chmod(dir_.c_str(), 0755);
    ExpectFatalReport(
        Run({"locked.sng"}, "", "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups"), 5,
        "File access denied.");
  }
}

TEST_F(ShellTest, RefusedSongEndsWithStatus0) {
  test::SongRecipe recipe;
  recipe.rowsPerSecond = 0;  // refused by the loader
  recipe.rows = {{test::Cell{}}};
  const std::string path = test::WriteTempFile(test::BuildSongBytes(recipe));
  ASSERT_FALSE(path.empty());
  const Outcome o = Run({path});
  fs::remove(path);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "");
}

TEST_F(ShellTest, TwoArgumentsRunTheSelectorInsteadOfPlaying) {
  // Played, the missing file would end the program at once with status 2; the selector
  // waits for a key instead, until timeout's TERM ends it (124).
  const Outcome o = Run({"missing.sng", "other.sng"}, "", "timeout 2");
  EXPECT_EQ(o.status, 124);
  EXPECT_EQ(o.out, "");
}

TEST_F(ShellTest, InterruptAndTerminateStopTheProgram) {
  test::SongRecipe recipe;
  recipe.rows = std::vector<std::vector<test::Cell>>(5000, {test::Cell{}});
  const std::string song = test::WriteTempFile(test::BuildSongBytes(recipe));
  ASSERT_FALSE(song.empty());
  struct Case {
    const char* what;
    std::vector<std::string> args;
    const char* signal;
  };
  const Case cases[] = {
      {"selector, TERM", {}, "TERM"},
      {"selector, INT", {}, "INT"},
      {"player, TERM", {song}, "TERM"},
  };
  for (const Case& c : cases) {
    // timeout reports 124 once its signal has ended the program; it waits at most 5 s more.
    const Outcome o = Run(c.args, "", std::string("timeout -k 5 -s ") + c.signal + " 1");
    EXPECT_EQ(o.status, 124) << c.what;
  }
  fs::remove(song);
}

}  // namespace
}  // namespace quandor
