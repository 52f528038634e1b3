// The selector's operations on Linux. There are no drive letters, so the drive probe answers
// for none; hidden files are listed like any other, and links to directories are directories.
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "selector/listing.h"

namespace quandor {
namespace {

struct PosixSearch {
  DIR* dir;
  std::string pattern;
  bool atRoot;  // "/" (or a chroot's top) lists no ".."
};

// The same file as "." and ".." means there is nowhere further up to go.
bool AtRoot() {
  struct stat here, up;
  if (stat(".", &here) != 0 || stat("..", &up) != 0) return false;
  return here.st_dev == up.st_dev && here.st_ino == up.st_ino;
}

bool NextMatch(DirSearch& search) {
  auto* s = static_cast<PosixSearch*>(search.handle);
  while (dirent* d = readdir(s->dir)) {
    const std::string name = d->d_name;
    if (name == ".." && s->atRoot) continue;
    // No FNM_PERIOD: hidden files match "*" like any other.
    if (fnmatch(s->pattern.c_str(), name.c_str(), 0) != 0) continue;
    struct stat st;
    // stat follows links, so a link to a directory opens like one; a dangling link is a file.
    const bool isDirectory = fstatat(dirfd(s->dir), d->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    search.name = name;
    search.attributes = isDirectory ? kDirectoryBit : 0;
    return true;
  }
  return false;
}

void Close(DirSearch& search) {
  auto* s = static_cast<PosixSearch*>(search.handle);
  if (!s) return;
  closedir(s->dir);
  delete s;
  search.handle = nullptr;
}

bool First(const char* pattern, uint8_t, DirSearch& search) {
  DIR* dir = opendir(".");
  if (!dir) return false;
  search.handle = new PosixSearch{dir, pattern, AtRoot()};
  if (NextMatch(search)) return true;
  Close(search);
  return false;
}

bool Next(DirSearch& search) {
  return NextMatch(search);
}

bool NoDrive(int) {
  return false;
}

bool CurrentDirectory(std::string& path) {
  std::vector<char> buffer(4096);
  while (!getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) return false;
    buffer.resize(buffer.size() * 2);
  }
  path = buffer.data();
  return true;
}

int ChangeTo(const std::string& path) {
  return chdir(path.c_str()) == 0 ? 0 : errno;
}

}  // namespace

const SelectorPlatform PosixPlatform = {First, Next, Close, NoDrive, CurrentDirectory, ChangeTo};

}  // namespace quandor
