#include "shell/fatal.h"

#include <execinfo.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace quandor {

namespace {
struct CodeText {
  int code;
  const char* text;
};
constexpr CodeText kTexts[] = {
    {1, "Invalid function number."},
    {2, "File not found."},
    {3, "Path not found."},
    {4, "Too many open files."},
    {5, "File access denied."},
    {6, "Invalid file handle."},
    {12, "Invalid file access code."},
    {15, "Invalid drive number."},
    {16, "Cannot remove current directory."},
    {17, "Cannot rename across drives."},
    {100, "Disk read error."},
    {101, "Disk write error."},
    {102, "File not assigned."},
    {103, "File not open."},
    {104, "File not open for input."},
    {105, "File not open for output."},
    {106, "Invalid numeric format."},
    {150, "Disk is write-protected."},
    {151, "Bad drive request struct length."},
    {152, "Drive not ready."},
    {154, "CRC error in data."},
    {156, "Disk seek error."},
    {157, "Unknown media type."},
    {158, "Sector not found."},
    {159, "Printer out of paper."},
    {160, "Device write fault."},
    {161, "Device read fault."},
    {162, "Hardware failure."},
    {200, "Division by zero."},
    {201, "Range check error."},
    {202, "Stack overflow error."},
    {203, "Heap overflow error."},
    {204, "Invalid pointer operation."},
    {205, "Floating point overflow."},
    {206, "Floating point underflow."},
    {207, "Invalid floating point operation."},
    {210, "Object not initialized."},
    {211, "Call to abstract method."},
    {212, "Stream registration error."},
    {213, "Collection index out of range."},
    {214, "Collection overflow error."},
    {216, "General protection fault."},
    {217, "Unhandled exception occurred."},
    {227, "Assertion failed error."},
};
}  // namespace

const char* FatalText(int code) {
  for (const CodeText& t : kTexts)
    if (t.code == code) return t.text;
  return "Unknown error.";
}

int ErrnoToCode(int err, bool forDirectoryChange) {
  switch (err) {
    case ENOENT:
      return forDirectoryChange ? 3 : 2;
    case ENOTDIR:
      return 3;
    case EMFILE:
    case ENFILE:
      return 4;
    case EACCES:
    case EPERM:
    case EISDIR:
      return 5;
    case EIO:
      return 100;
    case ENOMEM:
      return 203;
    default:
      // Keeps its own number; the status must stay within 1..255.
      return (err > 0 && err < 256) ? err : 100;
  }
}

[[noreturn]] __attribute__((noinline)) void ReportFatal(int code) {
  // The location is the instruction after the call that failed: the caller's return address.
  void* where = __builtin_extract_return_addr(__builtin_return_address(0));
  void* frames[32];
  int depth = backtrace(frames, 32);
  std::printf("%s\n", FatalText(code));
  std::printf("Runtime error %d at $%016llX\n", code,
              static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(where)));
  // Frame 0 is this routine itself; the trace starts with its caller.
  for (int i = 1; i < depth; ++i)
    std::printf("  $%016llX\n",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(frames[i])));
  std::printf("\n");
  std::fflush(stdout);
  _exit(code & 0xFF);
}

}  // namespace quandor
