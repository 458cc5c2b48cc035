#!/usr/bin/env bash
# Installs what building and testing need; does nothing when all of it is already here.
set -euo pipefail

need_sudo=""
[ "$(id -u)" -eq 0 ] || need_sudo="sudo"

packages=(
  cmake g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine32:i386 wine64 xvfb xauth xdotool x11-utils imagemagick locales
  fonts-ipafont-gothic fonts-wine libpng-dev libgif-dev clang-format file python3 git
  libx11-dev libxext-dev xscreensaver x11-apps
  emscripten node-acorn chromium
  dpkg-dev lintian groff-base
  pkgconf libwayland-dev libwayland-bin wayland-protocols sway swayidle grim wtype
)
# emscripten: the web preset (its JavaScript optimiser needs node-acorn); chromium: the page's
# tests, headless. The Wayland client library, protocols and scanner build tavorinex-wayland;
# sway, swayidle, grim and wtype run its tests.

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $need_sudo dpkg --add-architecture i386
  missing=("${packages[@]}")
else
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
  done
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $need_sudo apt-get update -qq
  $need_sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Japanese texts are garbled unless the locale exists (Wine falls back to code page 1252).
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating ja_JP.UTF-8"
  $need_sudo sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $need_sudo tee -a /etc/locale.gen >/dev/null
  $need_sudo locale-gen >/dev/null
fi

# The end-to-end tests also show the settings window as English, German and Chinese Windows do.
missing_locales=()
for name in en_US de_DE zh_CN; do
  locale -a 2>/dev/null | grep -qi "^$name\.utf-\?8$" || missing_locales+=("$name")
done
if [ ${#missing_locales[@]} -gt 0 ]; then
  echo "setup: generating ${missing_locales[*]} (UTF-8)"
  for name in "${missing_locales[@]}"; do
    $need_sudo sed -i "s/^# *\($name.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$name.UTF-8 UTF-8" /etc/locale.gen || echo "$name.UTF-8 UTF-8" | $need_sudo tee -a /etc/locale.gen >/dev/null
  done
  $need_sudo locale-gen >/dev/null
fi
