// What bad input gets, case by case, as the README's table lists it: the player's loader
// refuses a bad song silently (LoadSong false, nothing printed, no buffer held) and keeps the
// reason that quandor-tool prints; a file that cannot be read ends the process with the fatal
// report. Also the fuzzers' seeds and the inputs of past findings, kept in tests/data/.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "song/song.h"
#include "synth/mixer.h"
#include "tests/support/bit_stream.h"
#include "tests/support/song_builder.h"

namespace quandor {
namespace {

using Bytes = std::vector<uint8_t>;

// A 16-byte header; the payload is appended by the caller.
Bytes Header(uint8_t flags, uint16_t rps, uint32_t loop, uint16_t msgLen, uint32_t unpacked = 0) {
  Bytes h = {'Q', 'T', 'N', flags, static_cast<uint8_t>(rps), static_cast<uint8_t>(rps >> 8)};
  for (int i = 0; i < 4; ++i) h.push_back(static_cast<uint8_t>(loop >> (8 * i)));
  h.push_back(static_cast<uint8_t>(msgLen));
  h.push_back(static_cast<uint8_t>(msgLen >> 8));
  for (int i = 0; i < 4; ++i) h.push_back(static_cast<uint8_t>(unpacked >> (8 * i)));
  return h;
}

Bytes Append(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes Filled(size_t n) {
  return Bytes(n, 0x42);
}

// One interleaved channel, compressed, with the given stream and unpacked size.
Bytes Packed(uint32_t unpacked, const test::BitStream& s) {
  return Append(Header(0x51, 50, 0, 0, unpacked), s.bytes);
}

struct LoadOutcome {
  bool ok;
  std::string printed;  // standard output during LoadSong
};

LoadOutcome LoadFromFile(const Bytes& bytes) {
  SongFileName = test::WriteTempFile(bytes);
  ::testing::internal::CaptureStdout();
  const bool ok = LoadSong();
  std::string printed = ::testing::internal::GetCapturedStdout();
  std::remove(SongFileName.c_str());
  return {ok, printed};
}

class BadInput : public ::testing::Test {
 protected:
  void SetUp() override { test::ResetToProgramStart(); }
  void TearDown() override { ReleaseSong(); }
};

TEST_F(BadInput, RefusedSilentlyWithItsReason) {
  struct Case {
    const char* what;
    Bytes bytes;
    const char* reason;  // LoadError, whole
  };
  test::BitStream endsEarly;  // end marker after 2 of 6 bytes
  endsEarly.Byte('a').Literal('b').End();
  test::BitStream pastInput;  // a literal is announced, its byte never comes
  pastInput.Byte('a').Literal('b');
  pastInput.bytes.pop_back();
  test::BitStream beforeStart;  // short match at offset 5 with 1 byte written
  beforeStart.Byte('a').Short(5 << 1);
  test::BitStream overflow;  // 1 + 3 + 3 bytes into 6
  overflow.Byte('a').Short(0x03).Short(0x03).End();
  test::BitStream noLastOffset;  // "reuse the last offset" before any match
  noLastOffset.Byte('a').Repeat(2, 2).End();

  const Case cases[] = {
      {"empty file", {}, "not a song: magic is not QTN"},
      {"wrong magic", Append({'q', 't', 'n', 0x11, 50, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, Filled(6)),
       "not a song: magic is not QTN"},
      {"truncated header", {'Q', 'T', 'N', 0x11, 50, 0, 0}, "header ends early: 7 of 16 bytes"},
      {"message longer than the file", Append(Header(0x11, 50, 0, 40), Filled(30)),
       "message runs past the end of the file"},
      {"message length above 65519", Append(Header(0x11, 50, 0, 65520), Filled(65600)),
       "message length 65520 is above 65519"},
      {"channel count 0", Append(Header(0x10, 50, 0, 0), Filled(12)),
       "channel count 0 is not 1 to 8"},
      {"channel count 9", Append(Header(0x19, 50, 0, 0), Filled(54)),
       "channel count 9 is not 1 to 8"},
      {"channel count 15", Append(Header(0x0F, 50, 0, 0), Filled(90)),
       "channel count 15 is not 1 to 8"},
      {"rowsPerSecond 0", Append(Header(0x11, 0, 0, 0), Filled(12)), "rows per second is 0"},
      {"zero rows", Append(Header(0x12, 50, 0, 0), Filled(11)), "no whole row of data"},
      {"loopRow past the end", Append(Header(0x11, 50, 3, 0), Filled(12)),
       "loop row 3 is not below the row count 2"},
      {"compressed with unpackedSize 0", Packed(0, endsEarly),
       "compressed with an unpacked size of 0"},
      {"unpackedSize beyond the limit", Packed(kMaxUnpackedSize + 1, endsEarly),
       "unpacked size 268435457 is too large"},
      {"stream ending early", Packed(6, endsEarly),
       "compressed payload gives 2 bytes, header says 6"},
      {"stream reading past its input", Packed(6, pastInput), "compressed payload ends early"},
      {"match reaching before the output", Packed(6, beforeStart),
       "compressed payload copies from before its output"},
      {"output overflowing unpackedSize", Packed(6, overflow),
       "compressed payload produces more than the unpacked size"},
      {"offset reused before it is set", Packed(6, noLastOffset),
       "compressed payload reuses an offset it never set"},
  };
  for (const Case& c : cases) {
    LoadOutcome out = LoadFromFile(c.bytes);
    EXPECT_FALSE(out.ok) << c.what;
    EXPECT_EQ(LoadError, c.reason) << c.what;
    EXPECT_EQ(out.printed, "") << c.what;
    EXPECT_EQ(SongBuffer, nullptr) << c.what;
    EXPECT_LE(lastVoice, 7) << c.what;
  }
}

// Each case is a neighbour of a refused one that must still load, so the checks above are
// not simply refusing everything near the edge.
TEST_F(BadInput, NeighboursOfTheEdgesLoad) {
  test::BitStream six;
  six.Byte('a').Short(0x03).Short(0x02).End();
  const struct {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"header and one row", Append(Header(0x11, 50, 0, 0), Filled(6))},
      {"message ending at the file's end, then a row", Append(Header(0x11, 50, 0, 4), Filled(10))},
      {"channel count 8", Append(Header(0x18, 50, 0, 0), Filled(48))},
      {"loop row on the last row", Append(Header(0x11, 50, 1, 0), Filled(12))},
      {"rowsPerSecond 65535", Append(Header(0x11, 65535, 0, 0), Filled(6))},
      {"stream giving exactly unpackedSize", Packed(6, six)},
  };
  for (const auto& c : cases) {
    LoadOutcome out = LoadFromFile(c.bytes);
    EXPECT_TRUE(out.ok) << c.what << ": " << LoadError;
    EXPECT_EQ(out.printed, "") << c.what;
  }
}

// Runs LoadSong on path in a child process; returns its exit status and standard output.
struct ChildOutcome {
  int status;  // exit status, or -1 when the child did not exit normally
  std::string printed;
};

ChildOutcome LoadInChild(const std::string& path) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {-1, "pipe failed"};
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    close(pipeFds[0]);
    dup2(pipeFds[1], STDOUT_FILENO);
    SongFileName = path;
    LoadSong();
    _exit(0);  // returned: not the fatal path
  }
  close(pipeFds[1]);
  std::string printed;
  char buf[4096];
  ssize_t n;
  while ((n = read(pipeFds[0], buf, sizeof buf)) > 0) printed.append(buf, static_cast<size_t>(n));
  close(pipeFds[0]);
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  return {WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1, printed};
}

TEST_F(BadInput, UnreadableFilesEndWithTheFatalReport) {
  char dirTemplate[] = "/tmp/quandor-bad-input-XXXXXX";
  ASSERT_NE(mkdtemp(dirTemplate), nullptr);
  const std::string dir = dirTemplate;
  const std::string plain = dir + "/plain.sng";
  std::ofstream(plain) << "QTN";
  const std::string locked = dir + "/locked.sng";
  std::ofstream(locked) << "QTN";
  chmod(locked.c_str(), 0);

  struct Case {
    const char* what;
    std::string path;
    int status;
    const char* text;  // first line of the report
  };
  std::vector<Case> cases = {
      {"missing file", dir + "/missing.sng", 2, "File not found."},
      {"a directory", dir, 5, "File access denied."},
      {"a path through a file", plain + "/x.sng", 3, "Path not found."},
  };
  // root reads a file whatever its mode, so the refusal cannot be provoked there.
  if (geteuid() != 0) cases.push_back({"no read permission", locked, 5, "File access denied."});

  for (const Case& c : cases) {
    ChildOutcome out = LoadInChild(c.path);
    EXPECT_EQ(out.status, c.status) << c.what;
    EXPECT_EQ(out.printed.substr(0, out.printed.find('\n')), c.text) << c.what;
    EXPECT_NE(out.printed.find("Runtime error " + std::to_string(c.status) + " at $"),
              std::string::npos)
        << c.what << ": " << out.printed;
  }
  std::remove(plain.c_str());
  std::remove(locked.c_str());
  rmdir(dir.c_str());
}

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') names.push_back(e->d_name);
    closedir(d);
  }
  return names;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The loader seeds are named for what they are: "valid_*" load, "nearly_*" are refused.
TEST_F(BadInput, FuzzSeedsAreWhatTheirNamesSay) {
  const std::string dir = std::string(QUANDOR_SOURCE_DIR) + "/fuzz/corpus/load_song";
  const std::vector<std::string> names = FilesIn(dir);
  ASSERT_FALSE(names.empty()) << dir;
  for (const std::string& name : names) {
    const bool ok = test::LoadBytes(ReadFile(dir + "/" + name));
    if (name.rfind("valid_", 0) == 0)
      EXPECT_TRUE(ok) << name << ": " << LoadError;
    else
      EXPECT_FALSE(ok) << name;
  }
}

}  // namespace
}  // namespace quandor
