#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages that building and testing ORBILAN need (skips apt when all are there).
set -euo pipefail
packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libqt6opengl6-dev qt6-svg-dev qt6-charts-dev
    libgl-dev libglu1-mesa-dev libgl1-mesa-dri
    xvfb xauth fonts-dejavu-core
    libgtest-dev libgmock-dev libbenchmark-dev
    desktop-file-utils appstream man-db file dpkg-dev lintian
    shared-mime-info xdg-utils libfile-mimeinfo-perl
    clang libclang-rt-14-dev clang-format
    libavcodec-dev libavformat-dev libswscale-dev libavutil-dev
    libopenmpi-dev openmpi-bin
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
$sudo apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${missing[@]}"
