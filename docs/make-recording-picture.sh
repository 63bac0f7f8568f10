#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the README's picture of a recording: ORBILAN runs a sample under Xvfb and a window manager,
# records the view through its keys, and four frames of the video are laid side by side.
# Usage: docs/make-recording-picture.sh [BUILD_DIR] [PROJECT]   (default: build figure_eight.txt)
# Needs Xvfb, openbox, xdotool and ffmpeg.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
project=${2:-figure_eight.txt}
work=$(mktemp -d)
display=:$((90 + $$ % 100))
pids=""
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

cmake --build "$build" --target orbilan -j 2
Xvfb "$display" -screen 0 1280x800x24 -noreset >/dev/null 2>&1 &
pids="$!"
sleep 2
DISPLAY=$display openbox >/dev/null 2>&1 &
pids="$pids $!"
sleep 1
mkdir -p "$work/Pictures"
DISPLAY=$display HOME=$work XDG_PICTURES_DIR=$work/Pictures QT_QPA_PLATFORM=xcb \
    "$build/bin/orbilan" "$build/bin/Projects/$project" >/dev/null 2>&1 &
pids="$pids $!"
sleep 5
export DISPLAY="$display"
xdotool mousemove 200 700 click 1
# Above the plane of the orbits, looking at their centre.
xdotool key Home Up Up Up Up Up minus minus
xdotool key ctrl+shift+r
xdotool key space
sleep 8
xdotool key ctrl+shift+r
sleep 2
video=$(ls "$work"/Pictures/*.mp4)
frames=$(ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$video")
step=$((frames / 4))
ffmpeg -v error -y -i "$video" \
    -vf "select='not(mod(n\,$step))',scale=640:-2,tile=2x2:padding=6:color=gray" \
    -frames:v 1 "$root/docs/images/orbilan-recording.png"
echo "four of the $frames frames written to docs/images/orbilan-recording.png"
