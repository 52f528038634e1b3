#!/bin/bash
# Rebuilds songs/*.sng from songs/*.txt with quandor-tool build.
# Usage: scripts/make_songs.sh [QUANDOR_TOOL]   (default: build/tool/quandor-tool)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tool="${1:-${QUANDOR_TOOL:-$root/build/tool/quandor-tool}}"
if [ ! -x "$tool" ]; then
  echo "make_songs.sh: no quandor-tool at $tool (build first, or give its path)" >&2
  exit 2
fi
for text in "$root"/songs/*.txt; do
  song="${text%.txt}.sng"
  "$tool" build "$text" "$song"
  echo "$(basename "$song"): $(stat -c %s "$song") bytes"
done
