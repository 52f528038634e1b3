// Loading a 16 MiB song from disk: one read, the header checks, and for a compressed song the
// depacking.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <random>
#include <vector>

#include "song/song.h"
#include "synth/tables.h"
#include "tests/support/song_builder.h"
#include "tool/lib/aplib_pack.h"
#include "tool/lib/song_file.h"

namespace {

constexpr uint32_t kRows = (16u << 20) / 48;  // 8 channels: 16 MiB of row data

std::vector<uint8_t> SongFile(bool compressed) {
  std::vector<uint8_t> rows = quandor::test::TuneRows(kRows, 8, 3);
  std::vector<uint8_t> file;
  file.reserve(16 + rows.size());
  for (uint8_t b : {'Q', 'T', 'N'}) file.push_back(b);
  file.push_back(static_cast<uint8_t>(0x18 | (compressed ? 0x40 : 0)));  // 8 channels
  file.push_back(50);                                                    // rows per second
  file.resize(16, 0);
  if (!compressed) {
    file.insert(file.end(), rows.begin(), rows.end());
    return file;
  }
  quandor::tool::Put32(file.data() + 12, static_cast<uint32_t>(rows.size()));
  std::vector<uint8_t> stream = quandor::tool::PackAplib(rows.data(), rows.size());
  file.insert(file.end(), stream.begin(), stream.end());
  return file;
}

void BM_LoadSong(benchmark::State& state) {
  const bool compressed = state.range(0) != 0;
  const std::vector<uint8_t> bytes = SongFile(compressed);
  const std::string path = quandor::test::WriteTempFile(bytes);
  quandor::sampleRate = 48000;
  quandor::SongFileName = path;
  for (auto _ : state) {
    if (!quandor::LoadSong()) state.SkipWithError(quandor::LoadError.c_str());
    benchmark::DoNotOptimize(quandor::SongBuffer);
    state.PauseTiming();
    if (quandor::RowCount != kRows) state.SkipWithError("wrong row count");
    quandor::ReleaseSong();
    state.ResumeTiming();
  }
  unlink(path.c_str());
  state.counters["file_MiB"] = bytes.size() / 1048576.0;
}
// 0: stored plainly, 1: compressed.
BENCHMARK(BM_LoadSong)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
