// Fatal error report: the one way the program ends on a file, directory or memory failure.
#pragma once
#include <cstdint>

namespace quandor {

// Text printed for an error code ("File not found." for 2); "Unknown error." when not listed.
const char* FatalText(int code);

// Maps a system error number onto the report's codes (ENOENT 2, ENOTDIR 3, ...).
// forDirectoryChange: a missing path in a directory change reports 3, not 2.
int ErrnoToCode(int err, bool forDirectoryChange = false);

// Prints the code's text, "Runtime error N at $ADDR", a back-trace and an empty line to
// standard output, then ends the process with the code as status. No other shut-down runs.
[[noreturn]] void ReportFatal(int code);

}  // namespace quandor
