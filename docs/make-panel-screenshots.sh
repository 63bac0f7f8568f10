#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders every panel in every colour theme, and the icon set, into docs/images/panels/.
# Usage: docs/make-panel-screenshots.sh [BUILD_DIR]   (default: build)
# Needs the build prerequisites from the README plus Xvfb (xvfb-run).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
out="$root/docs/images/panels"

if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DORBILAN_BENCH=OFF
fi
cmake --build "$build" --target orbilan_panel_screenshots -j 2

mkdir -p "$out"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
    "$build/docs/screenshots/orbilan_panel_screenshots" "$out"
echo "screenshots written to $out"
