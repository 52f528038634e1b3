// Rendering speed of the engine: an 8-channel song through the audio callback body, in the
// device's 2048-frame buffers. Reports the real-time factor (seconds of audio per second).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "playback/callback.h"
#include "playback/sequencer.h"
#include "song/song.h"
#include "tests/support/song_builder.h"

namespace {

using quandor::test::Cell;

// Busy material on every channel: changing notes, pans, pulse widths, filter and some noise.
std::vector<uint8_t> BusySong(uint8_t channels) {
  quandor::test::SongRecipe recipe;
  recipe.channels = channels;
  std::mt19937 rng(1234);
  for (int r = 0; r < 3000; ++r) {
    std::vector<Cell> row;
    for (int c = 0; c < channels; ++c) {
      uint16_t word = static_cast<uint16_t>((rng() & 0xFF) | (2 + c % 5) << 8 | (rng() & 3) << 12 |
                                            (rng() % 3) << 14);
      if (c == channels - 1 && r % 4 == 0) word |= 0x0800;
      row.push_back(Cell{word, static_cast<uint8_t>(rng()),
                         static_cast<uint8_t>(c % 3 == 0 ? 1 : 0),
                         static_cast<uint8_t>(64 + rng() % 192), static_cast<uint8_t>(rng())});
    }
    recipe.rows.push_back(row);
  }
  return quandor::test::BuildSongBytes(recipe);
}

void BM_RenderSong(benchmark::State& state) {
  const uint8_t channels = static_cast<uint8_t>(state.range(0));
  quandor::test::ResetToProgramStart();
  if (!quandor::test::LoadBytes(BusySong(channels))) {
    state.SkipWithError("song refused");
    return;
  }
  std::vector<uint8_t> buffer(8192);
  const int buffersPerSecond = 48000 / 2048;
  int64_t frames = 0;
  for (auto _ : state) {
    for (int i = 0; i < buffersPerSecond; ++i) {
      quandor::AudioCallback(nullptr, buffer.data(), 8192);
      benchmark::DoNotOptimize(buffer.data());
    }
    frames += buffersPerSecond * 2048;
  }
  state.counters["realtime_x"] =
      benchmark::Counter(static_cast<double>(frames) / 48000.0, benchmark::Counter::kIsRate);
  state.SetItemsProcessed(frames);
  quandor::ReleaseSong();
}
BENCHMARK(BM_RenderSong)->Arg(1)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
