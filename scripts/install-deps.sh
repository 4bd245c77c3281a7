#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Glyphforge need.
# Does nothing when they are all present; uses sudo only when not root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcairo2-dev libpango1.0-dev libfontconfig-dev libfreetype-dev libharfbuzz-dev
  libpng-dev libjpeg62-turbo-dev libgif-dev libtiff-dev
  libegl-dev libopengl-dev libegl-mesa0 libgl1-mesa-dri
  libgtk-3-dev libbullet-dev
  xvfb xauth fonts-dejavu-core fonts-liberation2 fonts-urw-base35
  python3-pil locales hyperfine
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
