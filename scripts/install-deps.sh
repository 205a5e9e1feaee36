#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building, running and testing Brelox needs on Debian 12. Safe to run again.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-svg-dev qt6-qpa-plugins libgl-dev
  libbenchmark-dev
  fonts-dejavu-core fonts-liberation2 fonts-liberation libqt6svg6
  clang-format clang-tidy clang libclang-rt-14-dev
  socat desktop-file-utils appstream dpkg-dev file dbus-daemon libdbus-1-dev
  build-essential debhelper devscripts lintian
  qt6-translations-l10n fonts-dseg
)

missing=()
for p in "${packages[@]}"; do
  [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
