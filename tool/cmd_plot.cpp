// quandor-tool plot: draws a whole song into a PNG picture.
#include <cstdio>
#include <string>
#include <vector>

#include "song/song.h"
#include "synth/mixer.h"
#include "tool/lib/command.h"
#include "tool/lib/plot.h"
#include "tool/lib/song_file.h"

namespace quandor::tool {
namespace {

constexpr char kPlotUsage[] =
    "Usage: quandor-tool plot SONG OUT.png [--width W] [--height H]\n"
    "\n"
    "Draws the whole song, once through, as a PNG picture. Time runs from left to right.\n"
    "Every channel has a lane, numbered on the left, in which each row's note sits at its\n"
    "pitch (low at the bottom, dotted lines where octaves begin), brighter for louder rows;\n"
    "blue marks are tones, orange marks are noise, silent rows leave the lane dark. A dashed\n"
    "yellow line marks the loop row. Along the bottom runs the loudness of the mixed output\n"
    "(peak dim, RMS bright), rendered exactly as the player would play it, with a time scale.\n"
    "\n"
    "Options:\n"
    "  --width W    picture width in pixels (default 1200)\n"
    "  --height H   picture height in pixels (default 60 per channel + 100)\n"
    "\n"
    "OUT '-' writes the PNG to standard output.\n";

int RunPlot(const std::vector<std::string>& args) {
  PlotArgs parsed;
  std::string error;
  if (!ParsePlotArgs(args, parsed, error)) {
    std::fprintf(stderr, "quandor-tool plot: %s\n", error.c_str());
    std::fputs(kPlotUsage, stderr);
    return kBadUsage;
  }
  StartRenderEngine();
  if (!LoadSongFile(parsed.song, error)) {
    ReportError(parsed.song, error);
    return kBadInput;
  }
  const int channels = lastVoice + 1;
  const int width = parsed.width ? parsed.width : kDefaultPlotWidth;
  const int height = parsed.height ? parsed.height : DefaultPlotHeight(channels);
  PlotImage image;
  if (!PlotLoadedSong(width, height, image, error)) {
    ReportError(parsed.song, error);
    ReleaseSong();
    // A size the song's lanes cannot fit is a usage mistake; anything else is the song's.
    PlotLayout layout;
    std::string ignored;
    return ComputePlotLayout(width, height, channels, layout, ignored) ? kBadInput : kBadUsage;
  }
  ReleaseSong();
  std::vector<uint8_t> png;
  if (!EncodePng(image, png, error) || !WriteFileBytes(parsed.out, png.data(), png.size(), error)) {
    ReportError(parsed.out, error);
    return kBadInput;
  }
  return kOk;
}

const Registration kPlot({"plot", "draw a song as a PNG picture", kPlotUsage, RunPlot});

}  // namespace
}  // namespace quandor::tool
