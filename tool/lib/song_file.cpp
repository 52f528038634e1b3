#include "tool/lib/song_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "song/song.h"

namespace quandor::tool {

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
  bytes.clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? "is a directory" : std::strerror(errno);
    close(fd);
    return false;
  }
  if (st.st_size > 0xFFFFFFFFll) {
    error = "file is larger than 4 GiB";
    close(fd);
    return false;
  }
  bytes.resize(static_cast<size_t>(st.st_size));
  size_t got = 0;
  for (;;) {
    if (got == bytes.size()) bytes.resize(got + 65536);  // a file that grows or has no size
    ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::strerror(errno);
      close(fd);
      return false;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
    if (got > 0xFFFFFFFFull) {
      error = "file is larger than 4 GiB";
      close(fd);
      return false;
    }
  }
  close(fd);
  bytes.resize(got);
  return true;
}

bool LoadSongFile(const std::string& path, std::string& error, uint32_t* fileSize) {
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(path, bytes, error)) return false;
  if (fileSize) *fileSize = static_cast<uint32_t>(bytes.size());
  uint8_t* buffer = new uint8_t[bytes.empty() ? 1 : bytes.size()];
  if (!bytes.empty()) std::memcpy(buffer, bytes.data(), bytes.size());
  if (!LoadSongBuffer(buffer, static_cast<uint32_t>(bytes.size()))) {
    error = LoadError;
    return false;
  }
  return true;
}

void ReportError(const std::string& what, const std::string& why) {
  std::fprintf(stderr, "quandor-tool: %s: %s\n", what.c_str(), why.c_str());
}

bool BeginFile(const std::string& path, PendingFile& file, std::string& error) {
  file.finalPath = path;
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string pattern = dir + "." + base + ".tmp-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  file.fd = mkstemp(name.data());
  if (file.fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  file.tempPath = name.data();
  return true;
}

bool CommitFile(PendingFile& file, std::string& error) {
  // mkstemp makes the file private; give it the mode a plain create would.
  mode_t mask = umask(0);
  umask(mask);
  if (fchmod(file.fd, 0644 & ~mask) != 0 || close(file.fd) != 0) {
    error = std::strerror(errno);
    file.fd = -1;
    DiscardFile(file);
    return false;
  }
  file.fd = -1;
  if (rename(file.tempPath.c_str(), file.finalPath.c_str()) != 0) {
    error = std::strerror(errno);
    DiscardFile(file);
    return false;
  }
  file.tempPath.clear();
  return true;
}

void DiscardFile(PendingFile& file) {
  if (file.fd >= 0) close(file.fd);
  file.fd = -1;
  if (!file.tempPath.empty()) unlink(file.tempPath.c_str());
  file.tempPath.clear();
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool WriteFileBytes(const std::string& path, const uint8_t* data, size_t size, std::string& error) {
  if (path == "-") {
    if (!WriteAll(1, data, size)) {
      error = std::strerror(errno);
      return false;
    }
    return true;
  }
  PendingFile file;
  if (!BeginFile(path, file, error)) return false;
  if (!WriteAll(file.fd, data, size)) {
    error = std::strerror(errno);
    DiscardFile(file);
    return false;
  }
  return CommitFile(file, error);
}

std::vector<uint8_t> LoadedSongImage() {
  return std::vector<uint8_t>(SongBuffer, SongBuffer + SongSize);
}

}  // namespace quandor::tool
