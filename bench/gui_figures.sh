#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The program at thousands of bodies under Xvfb, against orbilan-run on the same project with the
# same number of workers, alternately. Prints each run's figures and the ratio of steps per second.
# Usage: bench/gui_figures.sh [BUILD_DIR] [BODIES] [SECONDS] [ROUNDS] [FPS_INDEX]
#        (default: build 5000 10 3, and the program's frame rate, 10 per second; 0 draws nothing)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
bodies=${2:-5000}
seconds=${3:-10}
rounds=${4:-3}
fps_index=${5:-4}

cmake --build "$build" --target gui_run_bench orbilan-run >/dev/null

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
for entry in Projects skins def.bmp; do cp -r "$build/bin/$entry" "$folder/"; done

value() { sed -n "s/^$1: //p" "$2"; }

round=1
while [ "$round" -le "$rounds" ]; do
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
        "$build/bench/app/gui_run_bench" "$folder" "$bodies" "$seconds" "$fps_index" >"$folder/gui.txt" 2>/dev/null
    workers=$(value workers "$folder/gui.txt")
    gui=$(value steps_per_second "$folder/gui.txt")
    # About as many steps as the window made, at least five.
    steps=$(awk -v s="$gui" -v t="$seconds" 'BEGIN { k = int(s * t); print k < 5 ? 5 : k }')
    "$build/bin/orbilan-run" "$folder/Projects/cluster_$bodies.txt" --steps "$steps" --threads "$workers" --quiet \
        >"$folder/run.txt"
    run=$(value steps_per_second "$folder/run.txt")
    echo "round $round: $(tr '\n' ' ' <"$folder/gui.txt")"
    echo "         orbilan-run --threads $workers: $run steps/s; window / runner: $(awk -v a="$gui" -v b="$run" 'BEGIN { printf "%.2f", a / b }')"
    round=$((round + 1))
done
cat /proc/loadavg
