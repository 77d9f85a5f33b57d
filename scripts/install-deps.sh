#!/usr/bin/env bash
# Installs every Debian package Vidorra needs to build, run, test, benchmark and fuzz.
# Idempotent and quiet when everything is already there; uses sudo only when not root.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang
  qt6-base-dev qt6-multimedia-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libavfilter-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  libgtest-dev libgmock-dev libbenchmark-dev libgl-dev libxxhash-dev xxhash
  exfatprogs exfat-fuse
  xvfb xauth fonts-dejavu-core ffmpegthumbnailer
  desktop-file-utils appstream librsvg2-bin dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
