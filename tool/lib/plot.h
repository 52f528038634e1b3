// quandor-tool plot: a picture of a whole song. Time runs across; each channel has a lane in
// which every row's note sits at its pitch, brighter for louder; the loop row is a dashed
// vertical line; the mixed output's loudness runs along the bottom with a time scale under it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace quandor::tool {

constexpr int kDefaultPlotWidth = 1200;
constexpr int kMaxPlotSide = 8192;      // keeps the image under 200 MB
constexpr int kPlotLaneMinHeight = 12;  // room for a note mark and its pitch range
constexpr uint64_t kMaxPlotFrames = 2ull * 3600 * 48000;  // two hours of audio once through

// 1200 x (60 per lane + 100 for margins, loudness and time scale).
int DefaultPlotHeight(int channels);

// Where everything goes in an image of the given size. Lanes and the loudness band share the
// time range [left, right) of x.
struct PlotLayout {
  int width = 0;
  int height = 0;
  int channels = 0;
  int left = 0;         // first x of the time range
  int right = 0;        // one past the last x
  int laneTop[8] = {};  // first y of each lane
  int laneHeight = 0;   // rows of pixels per lane, separator line included
  int envelopeTop = 0;
  int envelopeHeight = 0;
  int axisTop = 0;  // tick marks and mm:ss labels
};

// False (with the reason) when the size cannot hold the lanes, the loudness band and the scale.
bool ComputePlotLayout(int width, int height, int channels, PlotLayout& layout, std::string& error);

// The synth's frequency index (Hz) of a row's 16-bit word: pitch and octave as the tick reads
// them, 16 to 4088.
uint32_t FrequencyIndex(uint16_t word);

// The y at which a note of that word is drawn in the channel's lane: log scale, low at the
// bottom.
int NoteY(const PlotLayout& layout, int channel, uint16_t word);

// The first x of a row (rows share the time range evenly).
int RowX(const PlotLayout& layout, uint32_t row, uint32_t rowCount);

// An RGB image, rows from the top, 3 bytes a pixel.
struct PlotImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

// Puts the synth into its program-start state at 48000 frames per second (tables, preset 1
// with the sine sources, voices, sequencer and callback). Call before loading the song, since
// the loader derives the frames per tick from the output rate.
void StartRenderEngine();

// Draws the loaded song once through. Renders its audio with the audio callback from the
// program-start state, so the engine's state is changed. False with the reason when the layout
// does not fit or the song is too long to render.
bool PlotLoadedSong(int width, int height, PlotImage& image, std::string& error);

// PNG bytes of the image (8-bit RGB).
bool EncodePng(const PlotImage& image, std::vector<uint8_t>& png, std::string& error);

// The command line of 'plot' after the command name.
struct PlotArgs {
  std::string song;
  std::string out;
  int width = 0;   // 0: the default
  int height = 0;  // 0: the default for the song's channel count
};
bool ParsePlotArgs(const std::vector<std::string>& args, PlotArgs& parsed, std::string& error);

}  // namespace quandor::tool
