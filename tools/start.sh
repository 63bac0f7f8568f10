#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what ORBILAN needs, builds it and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DORBILAN_TESTS=OFF -DORBILAN_BENCH=OFF
cmake --build build --target orbilan orbilan-run
exec build/bin/orbilan
