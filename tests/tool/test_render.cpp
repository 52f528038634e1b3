// The offline renderer and its writers: program-start state, lengths, stems, fades, files.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "playback/callback.h"
#include "playback/sequencer.h"
#include "song/song.h"
#include "synth/mixer.h"
#include "tests/support/song_builder.h"
#include "tool/lib/audio_file.h"
#include "tool/lib/render.h"
#include "tool/lib/song_file.h"

namespace quandor::tool {
namespace {

using test::Cell;
using test::SongRecipe;

// A busy song: every channel moves each row, with noise, panning, waveform-0 pulse widths
// (so boost matters), filters and a loop row inside the song.
SongRecipe BusySong(uint8_t channels, uint32_t rows, uint16_t rowsPerSecond = 50) {
  SongRecipe s;
  s.channels = channels;
  s.rowsPerSecond = rowsPerSecond;
  s.loopRow = rows / 3;
  for (uint32_t r = 0; r < rows; ++r) {
    std::vector<Cell> row;
    for (uint8_t c = 0; c < channels; ++c) {
      Cell x;
      x.word = static_cast<uint16_t>(((r * 37 + c * 51) & 0xFF) | ((2 + (c + r / 8) % 5) << 8) |
                                     (c == 2 ? 0x0800 : 0) | ((c % 3) << 12) | ((r % 3) << 14));
      x.pulseWidth = static_cast<uint8_t>(r * 13 + c * 40);
      x.waveform = static_cast<uint8_t>(c % 2);
      x.volume = static_cast<uint8_t>(255 - (r % 5) * 40);
      x.cutoff = static_cast<uint8_t>(c == 1 ? r * 7 : 255);
      row.push_back(x);
    }
    s.rows.push_back(row);
  }
  return s;
}

std::vector<int16_t> Render(const std::vector<uint8_t>& song, const RenderSettings& settings,
                            uint64_t frames, uint32_t loops = 0) {
  ResetForRender(settings);
  EXPECT_TRUE(test::LoadBytes(song)) << LoadError;
  if (frames == 0) frames = SongFrames(loops);
  std::vector<int16_t> out;
  RenderFrames(frames, [&](const int16_t* f, uint32_t n) {
    out.insert(out.end(), f, f + 2 * n);
    return true;
  });
  return out;
}

TEST(Render, SameSongTwiceGivesTheSameFramesWhateverCameBetween) {
  const std::vector<uint8_t> a = test::BuildSongBytes(BusySong(4, 120));
  const std::vector<uint8_t> b = test::BuildSongBytes(BusySong(8, 90, 70));
  std::vector<int16_t> first = Render(a, {}, 0);
  Render(b, RenderSettings{{true, false, true}, true, 3}, 0);
  std::vector<int16_t> again = Render(a, {}, 0);
  EXPECT_EQ(first.size(), 2u * 120 * 960);
  EXPECT_TRUE(first == again);
}

TEST(Render, MatchesTheCallbackFromProgramStart) {
  const std::vector<uint8_t> song = test::BuildSongBytes(BusySong(3, 40));
  std::vector<int16_t> rendered = Render(song, {}, 5000);
  test::ResetToProgramStart();
  ASSERT_TRUE(test::LoadBytes(song));
  std::vector<int16_t> device(2 * 6144);
  for (int k = 0; k < 3; ++k)
    AudioCallback(nullptr, reinterpret_cast<uint8_t*>(device.data() + 2 * 2048 * k), 8192);
  // The device always plays whole buffers; the render stops at the requested frame.
  ASSERT_EQ(rendered.size(), 2u * 5000);
  EXPECT_TRUE(std::equal(rendered.begin(), rendered.end(), device.begin()));
}

TEST(Render, HandsOutWholeCallbackBuffersThenTheRest) {
  ResetForRender({});
  ASSERT_TRUE(test::LoadBytes(test::BuildSongBytes(BusySong(1, 10))));
  std::vector<uint32_t> sizes;
  RenderFrames(5000, [&](const int16_t*, uint32_t n) {
    sizes.push_back(n);
    return true;
  });
  EXPECT_EQ(sizes, (std::vector<uint32_t>{2048, 2048, 904}));
}

TEST(Render, LengthsCountTicksOfTheSong) {
  struct Case {
    uint16_t rowsPerSecond;
    uint32_t rows, loopRow, loops;
    uint64_t frames;
  } cases[] = {
      {50, 10, 0, 0, 10 * 960}, {50, 10, 0, 2, 30 * 960},    {50, 10, 7, 3, (10 + 3 * 3) * 960},
      {70, 4, 3, 1, 5 * 685},   {50000, 2, 0, 0, 2 * 65536},  // FramesPerTick 0: the countdown
                                                              // wraps through 65536
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.rowsPerSecond) + " rows/s, loops " + std::to_string(c.loops));
    SongRecipe s = BusySong(2, c.rows, c.rowsPerSecond);
    s.loopRow = c.loopRow;
    ResetForRender({});
    ASSERT_TRUE(test::LoadBytes(test::BuildSongBytes(s)));
    EXPECT_EQ(SongFrames(c.loops), c.frames);
    // Rendering that many frames runs exactly that many ticks and ends at the loop row.
    RenderFrames(c.frames, [](const int16_t*, uint32_t) { return true; });
    const uint64_t ticks = c.rows + static_cast<uint64_t>(c.loops) * (c.rows - c.loopRow);
    EXPECT_EQ(PlayClock.load(), ticks * (300000 / c.rowsPerSecond));
    EXPECT_EQ(CurrentRow.load(), c.loopRow);
  }
}

TEST(Render, StemsSumToTheMix) {
  const std::vector<uint8_t> song = test::BuildSongBytes(BusySong(8, 60));
  struct Case {
    const char* name;
    RenderSettings settings;
  } cases[] = {
      {"plain", {}},
      {"boost, preset 2, channel 4 muted", {{false, false, false, true}, true, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<int16_t> mix = Render(song, c.settings, 0);
    std::vector<int16_t> sum(mix.size(), 0);
    for (int channel = 0; channel < 8; ++channel) {
      RenderSettings alone = c.settings;
      for (int other = 0; other < 8; ++other)
        if (other != channel) alone.mute[other] = true;
      std::vector<int16_t> stem = Render(song, alone, 0);
      ASSERT_EQ(stem.size(), mix.size());
      bool silent = true;
      for (size_t i = 0; i < stem.size(); ++i) {
        sum[i] =
            static_cast<int16_t>(static_cast<uint16_t>(sum[i]) + static_cast<uint16_t>(stem[i]));
        silent = silent && stem[i] == 0;
      }
      EXPECT_EQ(silent, c.settings.mute[channel]) << "channel " << channel + 1;
    }
    size_t firstDiff = mix.size();
    for (size_t i = 0; i < mix.size() && firstDiff == mix.size(); ++i)
      if (mix[i] != sum[i]) firstDiff = i;
    EXPECT_EQ(firstDiff, mix.size()) << "first differing sample";
  }
}

TEST(Render, FadeRampsTheLastFramesDownAndLeavesTheRest) {
  std::vector<int16_t> buffer(2 * 100, 1000);
  for (size_t i = 1; i < buffer.size(); i += 2) buffer[i] = -1000;
  ApplyFade(buffer.data(), 100, 0, 100, 10);
  EXPECT_EQ(buffer[2 * 89], 1000);
  EXPECT_EQ(buffer[2 * 90], 1000);      // first faded frame: gain 10/10
  EXPECT_EQ(buffer[2 * 95], 500);       // 5/10
  EXPECT_EQ(buffer[2 * 99], 100);       // last frame: 1/10
  EXPECT_EQ(buffer[2 * 99 + 1], -100);  // both channels
  // A buffer in the middle of a render uses its own frame numbers.
  std::vector<int16_t> tail(2 * 10, 1000);
  ApplyFade(tail.data(), 10, 90, 100, 10);
  EXPECT_EQ(tail[2 * 5], 500);
}

std::string TempPath(const char* suffix) {
  std::string path = test::WriteTempFile({}, suffix);
  unlink(path.c_str());
  return path;
}

std::vector<int16_t> Ramp(uint32_t frames) {
  std::vector<int16_t> v(2 * frames);
  for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<int16_t>(i * 37 - 30000);
  return v;
}

TEST(AudioFile, WavAndFlacReadBackAs48kStereo16Bit) {
  struct Case {
    AudioFormat format;
    int major;
  } cases[] = {{AudioFormat::Wav, SF_FORMAT_WAV}, {AudioFormat::Flac, SF_FORMAT_FLAC}};
  const std::vector<int16_t> frames = Ramp(3000);
  for (const Case& c : cases) {
    const std::string path = TempPath(c.format == AudioFormat::Wav ? ".wav" : ".flac");
    AudioWriter w;
    std::string error;
    ASSERT_TRUE(OpenAudioFile(path, c.format, w, error)) << error;
    ASSERT_TRUE(WriteAudioFrames(w, frames.data(), 2048, error)) << error;
    ASSERT_TRUE(WriteAudioFrames(w, frames.data() + 2 * 2048, 952, error)) << error;
    ASSERT_TRUE(FinishAudioFile(w, error)) << error;
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.samplerate, 48000);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, c.major);
    EXPECT_EQ(info.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_16);
    EXPECT_EQ(info.frames, 3000);
    std::vector<int16_t> back(2 * 3000);
    EXPECT_EQ(sf_readf_short(f, back.data(), 3000), 3000);
    sf_close(f);
    EXPECT_TRUE(back == frames);
    unlink(path.c_str());
  }
}

TEST(AudioFile, RawIsLittleEndianLeftFirst) {
  const std::string path = TempPath(".raw");
  AudioWriter w;
  std::string error;
  const int16_t frame[2] = {0x1234, -2};
  ASSERT_TRUE(OpenAudioFile(path, AudioFormat::Raw, w, error));
  ASSERT_TRUE(WriteAudioFrames(w, frame, 1, error));
  ASSERT_TRUE(FinishAudioFile(w, error));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadFileBytes(path, bytes, error));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x34, 0x12, 0xFE, 0xFF}));
  unlink(path.c_str());
}

TEST(AudioFile, AnUnfinishedFileLeavesTheOldOneAndNoTemporary) {
  const std::string path = test::WriteTempFile({1, 2, 3}, ".wav");
  AudioWriter w;
  std::string error;
  ASSERT_TRUE(OpenAudioFile(path, AudioFormat::Wav, w, error));
  const std::string temp = w.file.tempPath;
  const std::vector<int16_t> frames = Ramp(100);
  ASSERT_TRUE(WriteAudioFrames(w, frames.data(), 100, error));
  AbandonAudioFile(w);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadFileBytes(path, bytes, error));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_NE(access(temp.c_str(), F_OK), 0);
  unlink(path.c_str());
  // A directory that does not exist: a clear error, nothing created.
  EXPECT_FALSE(OpenAudioFile("/nonexistent-dir/x.wav", AudioFormat::Wav, w, error));
  EXPECT_FALSE(error.empty());
}

TEST(AudioFile, FormatFromNameAndExtension) {
  struct Case {
    const char* path;
    bool known;
    AudioFormat format;
  } cases[] = {{"a.wav", true, AudioFormat::Wav},  {"dir.x/a.FLAC", true, AudioFormat::Flac},
               {"a.raw", true, AudioFormat::Raw},  {"-", true, AudioFormat::Raw},
               {"a.mp3", false, AudioFormat::Raw}, {"dir.wav/a", false, AudioFormat::Raw}};
  for (const Case& c : cases) {
    AudioFormat f = AudioFormat::Raw;
    EXPECT_EQ(AudioFormatFromPath(c.path, f), c.known) << c.path;
    if (c.known) {
      EXPECT_EQ(f, c.format) << c.path;
    }
  }
  AudioFormat f;
  EXPECT_TRUE(ParseAudioFormat("flac", f));
  EXPECT_FALSE(ParseAudioFormat("ogg", f));
}

TEST(SongFile, RefusalsCarryTheReason) {
  std::string error;
  const std::string bad = test::WriteTempFile({'Q', 'T', 'X', 1, 2, 3});
  EXPECT_FALSE(LoadSongFile(bad, error));
  EXPECT_EQ(error, "not a song: magic is not QTN");
  EXPECT_EQ(SongBuffer, nullptr);
  unlink(bad.c_str());
  EXPECT_FALSE(LoadSongFile("/nonexistent-dir/song.sng", error));
  EXPECT_EQ(error, "No such file or directory");
  const std::vector<uint8_t> good = test::BuildSongBytes(BusySong(2, 3));
  const std::string path = test::WriteTempFile(good);
  uint32_t size = 0;
  EXPECT_TRUE(LoadSongFile(path, error, &size));
  EXPECT_EQ(size, good.size());
  EXPECT_EQ(RowCount, 3u);
  ReleaseSong();
  unlink(path.c_str());
}

}  // namespace
}  // namespace quandor::tool
