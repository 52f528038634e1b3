// Song pictures for quandor-tool plot. Everything is drawn into a plain RGB buffer and written
// with libpng; the audio comes from the same callback the player hands to the sound device.
#include "tool/lib/plot.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "playback/callback.h"
#include "playback/sequencer.h"
#include "song/song.h"
#include "synth/mixer.h"
#include "synth/tables.h"
#include "synth/timbre.h"
#include "synth/wavetable.h"

namespace quandor::tool {
namespace {

struct Rgb {
  uint8_t r, g, b;
};

constexpr Rgb kBackground{16, 16, 22};
constexpr Rgb kLaneEven{30, 30, 42};
constexpr Rgb kLaneOdd{24, 24, 34};
constexpr Rgb kOctaveLine{40, 40, 56};
constexpr Rgb kTone{90, 200, 255};
constexpr Rgb kNoise{255, 140, 50};
constexpr Rgb kLoop{255, 215, 60};
constexpr Rgb kEnvelopeBack{18, 24, 18};
constexpr Rgb kPeak{50, 115, 60};
constexpr Rgb kRms{130, 235, 140};
constexpr Rgb kLabel{170, 170, 185};

constexpr int kTopMargin = 8;    // the loop marker sits here
constexpr int kLeftMargin = 28;  // channel numbers
constexpr int kRightMargin = 8;
constexpr int kEnvelopeGap = 6;
constexpr int kEnvelopeHeight = 64;
constexpr int kAxisHeight = 22;  // ticks, labels and the bottom margin
constexpr int kFixedHeight = kTopMargin + kEnvelopeGap + kEnvelopeHeight + kAxisHeight;

constexpr uint32_t kLowestIndex = 16;     // pitch 0, octave 0
constexpr uint32_t kHighestIndex = 4088;  // pitch 255, octave 7
constexpr uint32_t kBufferBytes = 8192;   // what the device asks for: 2048 frames

// Digits and ':' in 3x5 cells, one row per byte, bit 2 leftmost.
constexpr uint8_t kDigits[11][5] = {{7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7},
                                    {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7},
                                    {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2}, {7, 5, 7, 5, 7},
                                    {7, 5, 7, 1, 7}, {0, 2, 0, 2, 0}};

struct Canvas {
  PlotImage& image;
  void Set(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
    uint8_t* p = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
  }
  void Fill(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) Set(x, y, c);
  }
  // Text of digits and ':' at twice the cell size.
  void Text(int x, int y, const std::string& text, Rgb c) {
    for (char ch : text) {
      const int glyph = ch == ':' ? 10 : ch - '0';
      if (glyph < 0 || glyph > 10) continue;
      for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 3; ++col)
          if (kDigits[glyph][row] & (4 >> col))
            Fill(x + 2 * col, y + 2 * row, x + 2 * col + 2, y + 2 * row + 2, c);
      x += 8;
    }
  }
};

Rgb Blend(Rgb back, Rgb front, double alpha) {
  auto mix = [alpha](uint8_t a, uint8_t b) {
    return static_cast<uint8_t>(std::lround(a + (b - a) * alpha));
  };
  return {mix(back.r, front.r), mix(back.g, front.g), mix(back.b, front.b)};
}

Rgb LaneColour(int channel) {
  return channel % 2 ? kLaneOdd : kLaneEven;
}

std::string ClockText(uint32_t seconds) {
  char text[16];
  std::snprintf(text, sizeof text, "%u:%02u", seconds / 60, seconds % 60);
  return text;
}

void DrawLanes(Canvas& canvas, const PlotLayout& layout) {
  for (int c = 0; c < layout.channels; ++c) {
    const int top = layout.laneTop[c];
    // The first pixel row stays background: it separates the lanes.
    canvas.Fill(layout.left, top + 1, layout.right, top + layout.laneHeight, LaneColour(c));
    // Dotted lines where octaves 1 to 7 begin (pitch 0).
    for (int octave = 1; octave <= 7; ++octave) {
      const int y = NoteY(layout, c, static_cast<uint16_t>(octave << 8));
      for (int x = layout.left; x < layout.right; x += 2) canvas.Set(x, y, kOctaveLine);
    }
    canvas.Text(8, top + layout.laneHeight / 2 - 5, std::to_string(c + 1), kLabel);
  }
}

// Every row's note in every lane; the strongest mark wins where marks meet.
void DrawNotes(Canvas& canvas, const PlotLayout& layout) {
  const int channels = layout.channels;
  std::vector<uint8_t> strength(static_cast<size_t>(layout.width) * layout.height, 0);
  const uint32_t savedRow = CurrentRow.load(std::memory_order_relaxed);
  for (uint32_t r = 0; r < RowCount; ++r) {
    CurrentRow.store(r, std::memory_order_relaxed);
    FetchRow();
    const int x0 = RowX(layout, r, RowCount);
    const int x1 = std::max(RowX(layout, r + 1, RowCount), x0 + 1);
    for (int c = 0; c < channels; ++c) {
      const uint16_t word = RowWord(c);
      const uint8_t volume = RowByte(c, 4);
      // Attenuation code 3 on both sides silences the voice whatever its volume.
      const bool silent = volume == 0 || (word >> 12) == 0xF;
      if (silent) continue;
      const bool noise = (word & 0x0800) != 0;
      const double alpha = 0.25 + 0.75 * volume / 255.0;
      const uint8_t level = static_cast<uint8_t>(volume);
      const int y = NoteY(layout, c, word);
      const int laneTop = layout.laneTop[c] + 1;
      const int laneBottom = layout.laneTop[c] + layout.laneHeight - 1;
      for (int yy = std::max(y - 1, laneTop); yy <= std::min(y + 1, laneBottom); ++yy) {
        for (int x = x0; x < x1 && x < layout.right; ++x) {
          uint8_t& best = strength[static_cast<size_t>(yy) * layout.width + x];
          if (level <= best) continue;
          best = level;
          canvas.Set(x, yy, Blend(LaneColour(c), noise ? kNoise : kTone, alpha));
        }
      }
    }
  }
  CurrentRow.store(savedRow, std::memory_order_relaxed);
}

void DrawLoop(Canvas& canvas, const PlotLayout& layout) {
  const int x = RowX(layout, loopRow, RowCount);
  const int bottom = layout.envelopeTop + layout.envelopeHeight;
  for (int y = layout.laneTop[0]; y < bottom; ++y)
    if ((y / 3) % 2 == 0) canvas.Set(x, y, kLoop);
  // A small downward triangle above the lanes.
  for (int row = 0; row < 4; ++row)
    for (int dx = -(3 - row); dx <= 3 - row; ++dx)
      canvas.Set(x + dx, layout.laneTop[0] - 6 + row, kLoop);
}

// Peak and RMS of each column's frames, then a band symmetric about its middle line.
void DrawEnvelope(Canvas& canvas, const PlotLayout& layout, uint64_t totalFrames) {
  const int columns = layout.right - layout.left;
  std::vector<double> sumSquares(columns, 0.0);
  std::vector<uint64_t> counts(columns, 0);
  std::vector<int> peaks(columns, 0);
  std::vector<int16_t> buffer(kBufferBytes / 2);
  uint64_t frame = 0;
  while (frame < totalFrames) {
    const uint64_t frames = std::min<uint64_t>(kBufferBytes / 4, totalFrames - frame);
    AudioCallback(nullptr, reinterpret_cast<uint8_t*>(buffer.data()), static_cast<int>(frames * 4));
    for (uint64_t i = 0; i < frames; ++i, ++frame) {
      const int left = buffer[2 * i];
      const int right = buffer[2 * i + 1];
      const int peak = std::max(std::abs(left), std::abs(right));
      const double square =
          (static_cast<double>(left) * left + static_cast<double>(right) * right) / 2;
      // A frame covers the columns its time span touches (several when the song is short).
      const uint64_t first = frame * columns / totalFrames;
      const uint64_t last = std::max((frame + 1) * columns / totalFrames, first + 1);
      for (uint64_t col = first; col < last && col < static_cast<uint64_t>(columns); ++col) {
        sumSquares[col] += square;
        ++counts[col];
        peaks[col] = std::max(peaks[col], peak);
      }
    }
  }
  const int top = layout.envelopeTop;
  const int half = layout.envelopeHeight / 2;
  const int middle = top + half;
  canvas.Fill(layout.left, top, layout.right, top + layout.envelopeHeight, kEnvelopeBack);
  for (int col = 0; col < columns; ++col) {
    const int x = layout.left + col;
    const double rms = counts[col] ? std::sqrt(sumSquares[col] / counts[col]) : 0.0;
    const int peakSpan =
        static_cast<int>(std::lround(std::min(1.0, peaks[col] / 32768.0) * (half - 1)));
    const int rmsSpan = static_cast<int>(std::lround(std::min(1.0, rms / 32768.0) * (half - 1)));
    for (int dy = -peakSpan; dy <= peakSpan; ++dy) canvas.Set(x, middle + dy, kPeak);
    for (int dy = -rmsSpan; dy <= rmsSpan; ++dy) canvas.Set(x, middle + dy, kRms);
    if (peakSpan == 0) canvas.Set(x, middle, kPeak);
  }
}

// Ticks every few seconds, spaced so that labels do not touch.
void DrawTimeScale(Canvas& canvas, const PlotLayout& layout, uint64_t totalFrames) {
  const double seconds = static_cast<double>(totalFrames) / 48000.0;
  if (seconds <= 0) return;
  const double pixelsPerSecond = (layout.right - layout.left) / seconds;
  static const uint32_t kSteps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600};
  uint32_t step = kSteps[std::size(kSteps) - 1];
  for (uint32_t s : kSteps) {
    if (s * pixelsPerSecond >= 72) {
      step = s;
      break;
    }
  }
  for (uint32_t t = 0; t <= seconds; t += step) {
    const int x = layout.left + static_cast<int>(t * pixelsPerSecond);
    if (x >= layout.right) break;
    canvas.Fill(x, layout.axisTop, x + 1, layout.axisTop + 4, kLabel);
    const std::string text = ClockText(t);
    if (x + static_cast<int>(text.size()) * 8 <= layout.right + kRightMargin)
      canvas.Text(x + 2, layout.axisTop + 6, text, kLabel);
  }
}

void AppendPng(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}

void IgnorePngFlush(png_structp) {}

bool ParseSize(const std::string& text, int& value) {
  if (text.empty() || text.size() > 6) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  value = std::atoi(text.c_str());
  return value > 0 && value <= kMaxPlotSide;
}

}  // namespace

int DefaultPlotHeight(int channels) {
  return channels * 60 + 100;
}

bool ComputePlotLayout(int width, int height, int channels, PlotLayout& layout,
                       std::string& error) {
  if (channels < 1 || channels > 8) {
    error = "channel count " + std::to_string(channels) + " is not 1 to 8";
    return false;
  }
  const int minWidth = kLeftMargin + kRightMargin + 64;
  const int minHeight = kFixedHeight + channels * kPlotLaneMinHeight;
  if (width < minWidth || width > kMaxPlotSide || height < minHeight || height > kMaxPlotSide) {
    error = "picture size " + std::to_string(width) + "x" + std::to_string(height) +
            " is outside " + std::to_string(minWidth) + "x" + std::to_string(minHeight) + " to " +
            std::to_string(kMaxPlotSide) + "x" + std::to_string(kMaxPlotSide) + " for " +
            std::to_string(channels) + " channels";
    return false;
  }
  layout = PlotLayout{};
  layout.width = width;
  layout.height = height;
  layout.channels = channels;
  layout.left = kLeftMargin;
  layout.right = width - kRightMargin;
  layout.laneHeight = (height - kFixedHeight) / channels;
  for (int c = 0; c < channels; ++c) layout.laneTop[c] = kTopMargin + c * layout.laneHeight;
  layout.envelopeTop = kTopMargin + channels * layout.laneHeight + kEnvelopeGap;
  layout.envelopeHeight = kEnvelopeHeight;
  layout.axisTop = layout.envelopeTop + kEnvelopeHeight + 2;
  return true;
}

uint32_t FrequencyIndex(uint16_t word) {
  const uint32_t pitch = word & 0xFF;
  const uint32_t octave = (word >> 8) & 7;
  return ((256u + pitch) * 8u) >> (7 - octave);
}

int NoteY(const PlotLayout& layout, int channel, uint16_t word) {
  // Two pixels of room at either end so a 3-pixel mark stays inside its lane.
  const int top = layout.laneTop[channel] + 2;
  const int bottom = layout.laneTop[channel] + layout.laneHeight - 2;
  const double low = std::log2(static_cast<double>(kLowestIndex));
  const double high = std::log2(static_cast<double>(kHighestIndex));
  const double t = (std::log2(static_cast<double>(FrequencyIndex(word))) - low) / (high - low);
  return bottom - static_cast<int>(std::lround(t * (bottom - top)));
}

int RowX(const PlotLayout& layout, uint32_t row, uint32_t rowCount) {
  const uint64_t span = static_cast<uint64_t>(layout.right - layout.left);
  return layout.left + static_cast<int>(span * row / (rowCount ? rowCount : 1));
}

void StartRenderEngine() {
  ResetToStartupState();
}

bool PlotLoadedSong(int width, int height, PlotImage& image, std::string& error) {
  if (!SongBuffer || RowCount == 0) {
    error = "no song loaded";
    return false;
  }
  if (sampleRate != 48000) {
    error = "the synth runs at " + std::to_string(sampleRate) + " frames per second, not 48000";
    return false;
  }
  PlotLayout layout;
  if (!ComputePlotLayout(width, height, lastVoice + 1, layout, error)) return false;
  // A tick of 0 frames lets the countdown wrap: the callback then ticks every 65536 frames.
  const uint64_t framesPerTick = FramesPerTick ? FramesPerTick : 65536;
  const uint64_t totalFrames = static_cast<uint64_t>(RowCount) * framesPerTick;
  if (totalFrames > kMaxPlotFrames) {
    error = "the song lasts " + std::to_string(totalFrames / 48000 / 60) +
            " minutes once through; plot draws songs of up to " +
            std::to_string(kMaxPlotFrames / 48000 / 60) + " minutes";
    return false;
  }
  image.width = width;
  image.height = height;
  image.rgb.assign(static_cast<size_t>(width) * height * 3, 0);
  Canvas canvas{image};
  canvas.Fill(0, 0, width, height, kBackground);
  DrawLanes(canvas, layout);
  DrawNotes(canvas, layout);
  ResetEngine();  // the note pass moved the row; the render starts from the top
  DrawEnvelope(canvas, layout, totalFrames);
  DrawTimeScale(canvas, layout, totalFrames);
  DrawLoop(canvas, layout);
  return true;
}

bool EncodePng(const PlotImage& image, std::vector<uint8_t>& out, std::string& error) {
  out.clear();
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, nullptr);
    error = "out of memory for the PNG encoder";
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    error = "PNG encoding failed";
    return false;
  }
  png_set_write_fn(png, &out, AppendPng, IgnorePngFlush);
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y)
    png_write_row(png, &image.rgb[static_cast<size_t>(y) * image.width * 3]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool ParsePlotArgs(const std::vector<std::string>& args, PlotArgs& parsed, std::string& error) {
  parsed = PlotArgs{};
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--width" || arg == "--height") {
      int& target = arg == "--width" ? parsed.width : parsed.height;
      if (i + 1 == args.size()) {
        error = arg + " needs a number";
        return false;
      }
      if (!ParseSize(args[++i], target)) {
        error =
            arg + " '" + args[i] + "' is not a number from 1 to " + std::to_string(kMaxPlotSide);
        return false;
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option '" + arg + "'";
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) {
    error = "expected SONG and OUT.png, got " + std::to_string(positional.size()) + " arguments";
    return false;
  }
  parsed.song = positional[0];
  parsed.out = positional[1];
  return true;
}

}  // namespace quandor::tool
