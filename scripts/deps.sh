#!/usr/bin/env bash
# Installs the Debian packages that are missing; quiet when nothing is missing.
# Usage: scripts/deps.sh build|test
set -euo pipefail

build_pkgs=(cmake ninja-build g++ pkg-config
  libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev libepoxy-dev libfontconfig-dev
  zlib1g-dev libmeshoptimizer-dev libgl-dev libgl1-mesa-dri libegl-mesa0 fonts-dejavu-core)
test_pkgs=(libgtest-dev libgmock-dev googletest libbenchmark-dev xvfb xauth xdotool openbox imagemagick
  x11-utils mesa-utils clang libclang-rt-dev clang-format clang-tidy cppcheck desktop-file-utils lintian groff-base man-db
  ffmpeg)

want=("${build_pkgs[@]}")
if [ "${1:-build}" = test ]; then want+=("${test_pkgs[@]}"); fi

missing=()
for p in "${want[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then SUDO=sudo; else
    echo "Missing packages: ${missing[*]} (run as root to install them)" >&2; exit 1; fi
else SUDO=; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq >/dev/null
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
