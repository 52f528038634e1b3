// Depack throughput on streams our encoder makes from song-like row data, and the encoder's
// own speed.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "song/depack.h"
#include "tests/support/song_builder.h"
#include "tool/lib/aplib_pack.h"

namespace {

// Rows of an 8-channel tune: a 64-row pattern of held notes with decaying volumes, repeated
// with transpositions, a pulse-width sweep, a filter sweep and occasional random changes.

void BM_Depack(benchmark::State& state) {
  const std::vector<uint8_t> rows =
      quandor::test::TuneRows(static_cast<uint32_t>(state.range(0)), 8, 1);
  const std::vector<uint8_t> stream = quandor::tool::PackAplib(rows.data(), rows.size());
  std::vector<uint8_t> out(rows.size());
  for (auto _ : state) {
    quandor::DepackResult r = quandor::Depack(stream.data(), stream.size(), out.data(), out.size());
    benchmark::DoNotOptimize(r);
    if (r.status != quandor::DepackStatus::Ok || out != rows) state.SkipWithError("bad round trip");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * rows.size());
  state.counters["ratio"] = static_cast<double>(stream.size()) / rows.size();
}
// 10 minutes and an hour of 50 Hz rows.
BENCHMARK(BM_Depack)->Arg(30000)->Arg(180000)->Unit(benchmark::kMillisecond);

void BM_PackAplib(benchmark::State& state) {
  const std::vector<uint8_t> rows =
      quandor::test::TuneRows(static_cast<uint32_t>(state.range(0)), 8, 1);
  size_t packed = 0;
  for (auto _ : state) {
    std::vector<uint8_t> stream = quandor::tool::PackAplib(rows.data(), rows.size());
    packed = stream.size();
    benchmark::DoNotOptimize(stream.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * rows.size());
  state.counters["ratio"] = static_cast<double>(packed) / rows.size();
}
// About 1.4 MiB, and 16 MiB (349526 rows of 48 bytes).
BENCHMARK(BM_PackAplib)->Arg(30000)->Arg(349526)->Unit(benchmark::kMillisecond)->Iterations(1);

// Random bytes: nearly every token a literal, the encoder's slowest case per byte of output.
void BM_PackRandom(benchmark::State& state) {
  std::mt19937 rng(2);
  std::vector<uint8_t> data(static_cast<size_t>(state.range(0)));
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  for (auto _ : state) benchmark::DoNotOptimize(quandor::tool::PackAplib(data.data(), data.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * data.size());
}
BENCHMARK(BM_PackRandom)->Arg(16 << 20)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
