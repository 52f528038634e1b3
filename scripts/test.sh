#!/usr/bin/env bash
# The whole test suite: unit, SDL and end-to-end tests under ASan+UBSan, the threaded tests
# under TSan, and a short bounded run of every fuzzer. Installs what it needs first.
# Usage: scripts/test.sh [fuzz seconds per target, default 15]
set -euo pipefail
cd "$(dirname "$0")/.."
fuzz_seconds="${1:-15}"
jobs=$(nproc)
bash scripts/setup.sh test

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"

echo "== ASan+UBSan build: unit, SDL and end-to-end tests"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUANDOR_SANITIZE=asan-ubsan >/dev/null
cmake --build build-asan -j"$jobs"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
(cd build-asan && ctest -j"$jobs" --output-on-failure) | tee "$log"
passed=$(sed -n 's/^100% tests passed, 0 tests failed out of \([0-9]*\)$/\1/p' "$log")

echo "== TSan build: threaded tests"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUANDOR_SANITIZE=tsan >/dev/null
cmake --build build-tsan -j"$jobs" --target quandor_thread_tests
SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=dummy build-tsan/tests/quandor_thread_tests | tee "$log"
passed=$((passed + $(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\.$/\1/p' "$log")))

echo "== Fuzzers, ${fuzz_seconds}s each"
bash scripts/fuzz.sh "$fuzz_seconds"
echo "All test layers passed; every fuzzer ran ${fuzz_seconds}s without a finding."
echo "Tests: $passed passed, 0 failed"
