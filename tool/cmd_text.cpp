// quandor-tool build / dump: between song files and their readable text form.
#include <cstdio>
#include <string>
#include <vector>

#include "tool/lib/command.h"
#include "tool/lib/song_file.h"
#include "tool/lib/song_text.h"

namespace quandor::tool {
namespace {

constexpr char kBuildUsage[] =
    "Usage: quandor-tool build TEXT OUT.sng\n"
    "\n"
    "Builds a song file from its text form (see songs/README.md). TEXT '-' reads standard\n"
    "input, OUT '-' writes standard output. Every mistake is reported as FILE:LINE:COLUMN;\n"
    "then nothing is written and the exit status is 1.\n";

constexpr char kDumpUsage[] =
    "Usage: quandor-tool dump SONG [TEXT]\n"
    "\n"
    "Writes the text form of SONG to TEXT, or to standard output without TEXT or with '-'.\n"
    "The text names every pitch in hex, so that 'build' gives back the same song: the same\n"
    "bytes for an uncompressed song, the same header and rows for a compressed one.\n";

int RunBuild(const std::vector<std::string>& args) {
  if (args.size() != 2) {
    std::fputs(kBuildUsage, stderr);
    return kBadUsage;
  }
  const std::string& textPath = args[0];
  const std::string& outPath = args[1];
  std::vector<uint8_t> raw;
  std::string error;
  if (!ReadFileBytes(textPath == "-" ? "/dev/stdin" : textPath, raw, error)) {
    ReportError(textPath, error);
    return kBadInput;
  }
  std::vector<uint8_t> song;
  std::vector<TextError> errors;
  if (!ParseSongText(std::string(raw.begin(), raw.end()), song, errors)) {
    const std::string name = textPath == "-" ? "<stdin>" : textPath;
    for (const TextError& e : errors)
      std::fprintf(stderr, "%s:%d:%d: %s\n", name.c_str(), e.line, e.column, e.message.c_str());
    return kBadInput;
  }
  if (!WriteFileBytes(outPath, song.data(), song.size(), error)) {
    ReportError(outPath, error);
    return kBadInput;
  }
  return kOk;
}

int RunDump(const std::vector<std::string>& args) {
  if (args.empty() || args.size() > 2) {
    std::fputs(kDumpUsage, stderr);
    return kBadUsage;
  }
  const std::string& songPath = args[0];
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ReadFileBytes(songPath, bytes, error)) {
    ReportError(songPath, error);
    return kBadInput;
  }
  std::string text;
  if (!PrintSongText(bytes.data(), bytes.size(), text, error)) {
    ReportError(songPath, error);
    return kBadInput;
  }
  const std::string outPath = args.size() == 2 ? args[1] : "-";
  if (!WriteFileBytes(outPath, reinterpret_cast<const uint8_t*>(text.data()), text.size(), error)) {
    ReportError(outPath, error);
    return kBadInput;
  }
  return kOk;
}

const Registration kBuild({"build", "build a song file from its text form", kBuildUsage, RunBuild});
const Registration kDump({"dump", "write a song's text form", kDumpUsage, RunDump});

}  // namespace
}  // namespace quandor::tool
