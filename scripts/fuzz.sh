#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for a bounded time, one after the
# other (one job: the machine's cores are shared).
#   scripts/fuzz.sh [SECONDS_PER_TARGET]     default 15; a longer run: scripts/fuzz.sh 600
# Environment: FUZZ_BUILD_DIR (default build-fuzz under the source tree), FUZZ_TARGETS (names
# to run, default all that were built). Findings are left as crash-*/timeout-*/oom-* files in
# the run's artifact directory and make the script exit non-zero.
set -euo pipefail

seconds=${1:-15}
src=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$src/build-fuzz}
jobs=${FUZZ_BUILD_JOBS:-2}

CXX=${CXX:-clang++} CC=${CC:-clang} cmake -S "$src" -B "$build" -DQUANDOR_BUILD_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$jobs" >/dev/null

# Largest input worth trying per target: songs a little past the seeds, playback scripts with
# room for commands, streams with room to expand.
declare -A max_len=([fuzz_load_song]=4096 [fuzz_depack]=4096 [fuzz_playback]=2048
                    [fuzz_song_text]=8192)
declare -A corpus=([fuzz_load_song]=load_song [fuzz_depack]=depack [fuzz_playback]=playback
                   [fuzz_song_text]=song_text)

targets=${FUZZ_TARGETS:-"fuzz_load_song fuzz_depack fuzz_playback fuzz_song_text"}
status=0
for t in $targets; do
  bin=$build/fuzz/$t
  [ -x "$bin" ] || { echo "fuzz: $t not built, skipped"; continue; }
  # The committed seeds stay untouched; new inputs go to a scratch corpus in the build tree.
  work=$build/corpus/$t
  artifacts=$build/artifacts/$t
  mkdir -p "$work" "$artifacts"
  seeds=$src/fuzz/corpus/${corpus[$t]}
  [ -d "$seeds" ] || seeds=
  echo "fuzz: $t for ${seconds}s"
  if ! "$bin" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -max_len="${max_len[$t]}" -print_final_stats=1 -artifact_prefix="$artifacts/" \
      "$work" $seeds >"$build/$t.log" 2>&1; then
    echo "fuzz: $t FOUND A PROBLEM (log: $build/$t.log, inputs: $artifacts/)"
    grep -E "ERROR|SUMMARY|Test unit written" "$build/$t.log" | head -5 || true
    status=1
  fi
  grep -E "^stat::number_of_executed_units|^#[0-9]+.*DONE" "$build/$t.log" | tail -2 || true
done
exit $status
