#!/usr/bin/env bash
# Installs the Debian packages Ondrel needs, only those missing; safe to run again and again.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config make
  clang libclang-rt-14-dev
  qt6-base-dev libgl-dev qtbase5-dev libgdk-pixbuf-2.0-dev
  libjpeg62-turbo-dev libpng-dev zlib1g-dev
  libgtest-dev googletest libbenchmark-dev
  python3 python3-pil libstb-dev imagemagick pngquant libimagequant-dev
  xvfb xauth
  librsvg2-bin desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl
  dpkg-dev lintian
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
