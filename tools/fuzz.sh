#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fuzzes every reader and the project round trip for longer than the test suite does:
#   tools/fuzz.sh [SECONDS]      (each target in turn, 300 s each by default)
# New inputs collect in build-fuzz/tests/fuzz/scratch/TARGET, crashes in build-fuzz/tests/fuzz/crashes.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
tools/deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DORBILAN_GUI=OFF -DORBILAN_TESTS=OFF -DORBILAN_BENCH=OFF \
    -DORBILAN_FUZZ=ON
cmake --build build-fuzz -j"$(nproc)" --target fuzz_targets
out=build-fuzz/tests/fuzz
for target in "$out"/fuzz_*; do
    name=${target##*/fuzz_}
    echo "== $name: $seconds s"
    mkdir -p "$out/scratch/$name" "$out/crashes"
    "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=20 -print_final_stats=1 \
        -artifact_prefix="$out/crashes/$name-" "$out/scratch/$name" "tests/fuzz/corpus/$name"
done
