#!/usr/bin/env bash
# Regenerates docs/demo-plot.png, the picture of the demo song that the README shows, with
# 'quandor-tool plot' built in BUILD_DIR (configured and built here when needed).
# Usage: scripts/make_plot.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build}"
song=songs/demo.sng
if [ ! -f "$song" ]; then
  song=$(ls songs/*.sng 2>/dev/null | head -n1 || true)
  [ -n "$song" ] || { echo "make_plot: no demo song in songs/" >&2; exit 1; }
fi
[ -f "$build_dir/CMakeCache.txt" ] || cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" --target quandor-tool -j2 >/dev/null
"$build_dir/tool/quandor-tool" plot "$song" docs/demo-plot.png
echo "docs/demo-plot.png from $song"
