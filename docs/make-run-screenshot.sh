#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the README's pictures of ORBILAN running the solar system sample, under Xvfb: the view and
# its panels, and the plot window over them.
# Usage: docs/make-run-screenshot.sh [BUILD_DIR]   (default: build)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}

if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DORBILAN_BENCH=OFF
fi
cmake --build "$build" --target orbilan orbilan_run_screenshot orbilan_plot_screenshot -j 2

QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24 -noreset" \
    "$build/docs/screenshots/orbilan_run_screenshot" "$build/bin" solar_system.txt "$root/docs/images/orbilan-run.png"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24 -noreset" \
    "$build/docs/screenshots/orbilan_plot_screenshot" "$build/bin" solar_system.txt "$root/docs/images/orbilan-plots.png"
echo "screenshots written to docs/images/orbilan-run.png and docs/images/orbilan-plots.png"
