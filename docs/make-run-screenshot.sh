#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the README's picture of ORBILAN running the solar system sample, under Xvfb.
# Usage: docs/make-run-screenshot.sh [BUILD_DIR]   (default: build)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}

if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DORBILAN_BENCH=OFF
fi
cmake --build "$build" --target orbilan orbilan_run_screenshot -j 2

QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24 -noreset" \
    "$build/docs/screenshots/orbilan_run_screenshot" "$build/bin" solar_system.txt "$root/docs/images/orbilan-run.png"
echo "screenshot written to docs/images/orbilan-run.png"
