#!/usr/bin/env bash
# Installs, from Debian's packages, whatever this machine lacks to build and
# run the program (`setup.sh app`), or to build everything and run every test
# (`setup.sh`, the default).
set -euo pipefail

app=(
  # build
  g++ make cmake qt6-base-dev qt6-base-dev-tools
  # the exact solver's root finder (Boost.Math, header-only)
  libboost-dev
  # skin pictures are checked for completeness before Qt decodes them
  libgif-dev
  # at fractional scale factors the window shape is cut in the X server's pixels
  libx11-dev libxext-dev
  # the window's fonts: a Song-style Chinese serif, and Arial's metrics
  fonts-noto-cjk fonts-liberation2
  # Qt's own texts in Simplified Chinese
  qt6-translations-l10n
)
tests=(
  # the test and benchmark frameworks
  libqt6test6 libgtest-dev libbenchmark-dev
  # sanitizer and fuzzing builds
  clang libclang-rt-14-dev
  # real-window tests
  xvfb openbox xdotool x11-utils imagemagick at-spi2-core python3-pyatspi dbus-daemon time
  # the window under Wayland, in a headless compositor
  weston qt6-wayland
  # the Debian package and checks of what it installs
  dpkg-dev desktop-file-utils appstream
  # the Python module, its tests and its Dask part
  pybind11-dev python3-pybind11 python3-dev python3-numpy python3-pandas python3-pytest python3-dask python3-distributed
)

case "${1:-all}" in
  app) packages=("${app[@]}") ;;
  all) packages=("${app[@]}" "${tests[@]}") ;;
  *) echo "usage: $0 [app|all]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
((${#missing[@]})) || exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
