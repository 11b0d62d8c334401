#!/usr/bin/env bash
# Installs, with apt-get, whatever this machine lacks to build, run and test Cantelo Edit.
# Debian 12; run as root (or through sudo).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config python3
  qt6-base-dev qt6-svg-dev libgl1-mesa-dev
  libfluidsynth-dev librtmidi-dev libasound2-dev libuchardet-dev timgm6mb-soundfont
  fonts-comic-neue fonts-liberation2
  libgtest-dev libgmock-dev libbenchmark-dev
  midicsv xvfb xauth desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  echo "Installing: ${missing[*]}"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
