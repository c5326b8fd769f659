#!/usr/bin/env bash
# Installs the Debian packages Ondrel needs, only those missing; safe to run again and again.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config make
  clang
  qt6-base-dev libgl-dev qtbase5-dev libgdk-pixbuf-2.0-dev
  libjpeg62-turbo-dev libpng-dev zlib1g-dev
  libgtest-dev googletest libbenchmark-dev
  python3 python3-pil libstb-dev imagemagick pngquant libimagequant-dev
  xvfb xauth
  librsvg2-bin desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl
  dpkg-dev lintian
)

updated=0
# Installs those of the named packages that are missing.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "Missing Debian packages: ${missing[*]}" >&2
      echo "Install them as root: apt-get install ${missing[*]}" >&2
      exit 1
    fi
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  if [ "$updated" -eq 0 ]; then
    "${sudo[@]}" apt-get update -qq
    updated=1
  fi
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

install_missing "${packages[@]}"
# The sanitizer and fuzzer runtimes of whichever clang the release ships.
install_missing "libclang-rt-$(clang -dumpversion | cut -d. -f1)-dev"
