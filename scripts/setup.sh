#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs, only those that are missing.
# Usage: scripts/setup.sh [play|test]   (play: what building and playing needs; test: all)
set -euo pipefail
want=(build-essential cmake pkg-config libsdl1.2-compat-dev libsndfile1-dev libpng-dev
      libgtest-dev libgmock-dev googletest python3)
if [ "${1:-test}" = test ]; then
  want+=(clang libclang-rt-14-dev libbenchmark-dev xvfb xdotool x11-apps imagemagick
         desktop-file-utils man-db groff-base shared-mime-info xauth)
fi
missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
