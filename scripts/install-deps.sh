#!/usr/bin/env bash
# Installs the build and test dependencies on Debian 12 (run as root; used by CI).
# Idempotent: when everything is already present it only runs a few dpkg/locale
# queries and exits without touching apt.
#
#   scripts/install-deps.sh            everything
#   scripts/install-deps.sh --native   only what the Linux build and its tests need
#   scripts/install-deps.sh --package  only what scripts/package.sh needs
#
# Installs: native toolchain + test libs (cmake, g++, googletest/gmock, google
# benchmark, clang-format, clang-tidy), clang-14 with its libFuzzer runtime (libclang-rt-14-dev) for the
# fuzz targets, the help compiler chmcmd (fp-utils) with python3 for its
# build script and libchm-bin for reading the result back, headless Chromium
# (chromium-headless-shell) that renders its pages with the Japanese font, the MinGW-w64 cross compiler for the Windows build,
# Wine (64-bit only; wine32/i386 is not needed for x86_64 PE exes), Xvfb + xauth
# for headless GUI tests and xdotool for real mouse and keyboard input, ImageMagick (screenshots), a Japanese font that Wine
# and the browser render (IPA Gothic) and the ja_JP.UTF-8 locale (Wine derives code page 932
# from it).
#
# The MinGW thread model is not switched with update-alternatives: the toolchain
# file cmake/mingw-w64-x86_64.cmake selects x86_64-w64-mingw32-g++-posix itself.
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive

packages=(
  # native build + tests
  cmake
  make
  g++
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  clang-format
  clang-tidy
  # fuzz targets: clang with its libFuzzer and sanitizer runtimes
  clang-14
  libclang-rt-14-dev
  # the help file: compiler, build script, and the reader its test uses
  fp-utils
  python3
  libchm-bin
  # the help as a reader sees it: a browser engine rendering its pages
  chromium-headless-shell
  # Windows cross build
  g++-mingw-w64-x86-64
  binutils-mingw-w64-x86-64
  # Wine (64-bit) and headless display
  wine
  wine64
  xvfb
  xauth
  xdotool
  imagemagick
  # fonts: Japanese UI text, and Wine's own replacement fonts (Tahoma, ...)
  fonts-ipafont-gothic
  fonts-wine
  # ja_JP.UTF-8
  locales
  # the release package: the commit's time
  git
)

if [ "${1:-}" = "--native" ]; then
  packages=(cmake make g++ libgtest-dev libgmock-dev libbenchmark-dev clang-14 libclang-rt-14-dev
    fp-utils python3 libchm-bin chromium-headless-shell fonts-ipafont-gothic locales)
elif [ "${1:-}" = "--package" ]; then
  packages=(cmake make g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 fp-utils python3 git locales)
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps.sh: must run as root" >&2
  exit 1
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  if [ "$status" != "install ok installed" ]; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "install-deps.sh: installing ${missing[*]}"
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# ja_JP.UTF-8 locale (locale -a prints it as "ja_JP.utf8").
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  echo "install-deps.sh: generating ja_JP.UTF-8 locale"
  if [ -f /etc/locale.gen ] && grep -q '^# *ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
    sed -i 's/^# *\(ja_JP\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  elif ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  fi
  locale-gen >/dev/null
  locale -a | grep -qix 'ja_JP\.utf-\?8'
fi

echo "install-deps.sh: ok"
