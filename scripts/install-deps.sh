#!/usr/bin/env bash
# Installs every Debian package that building, testing, benchmarking and
# running Kestrel needs (with --packaging also what building and checking the
# Debian package needs). Runs apt-get update only when something is missing,
# so a second run on a ready machine does nothing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev libgl-dev
  libpng-dev libjpeg62-turbo-dev libtiff-dev zlib1g-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libgif-dev libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev
  clang libclang-rt-14-dev
  imagemagick python3-pil
  xvfb xdotool x11-utils fonts-liberation
  strace
  groff-base libxml2-utils
  librsvg2-bin desktop-file-utils appstream
  nlohmann-json3-dev playerctl dbus-daemon
)
if [ "${1:-}" = "--packaging" ]; then
  PACKAGES+=(dpkg-dev file lintian)
fi

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO=sudo
  else
    echo "These packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
else
  SUDO=
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
