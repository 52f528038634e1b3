#!/usr/bin/env bash
# Sets up, builds and plays a demo song. Without a display it renders the song to a WAV file.
# Usage: scripts/play.sh [SONG]
set -euo pipefail
cd "$(dirname "$0")/.."
song="${1:-songs/demo.sng}"
bash scripts/setup.sh play
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DQUANDOR_BUILD_TESTS=OFF >/dev/null
cmake --build build-release -j"$(nproc)" --target quandor quandor-tool >/dev/null
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  out="build-release/$(basename "${song%.*}").wav"
  echo "No display here (neither DISPLAY nor WAYLAND_DISPLAY is set): rendering $song to $out instead."
  build-release/tool/quandor-tool render "$song" "$out"
  echo "Wrote $out"
  exit 0
fi
exec build-release/shell/quandor "$song"
