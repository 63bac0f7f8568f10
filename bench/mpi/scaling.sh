#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scaling.sh RUNNER [ROUNDS]: one process of one thread against two processes of one thread each
# (mpirun), at 3,000 and 10,000 bodies in both precisions. The runs alternate, ROUNDS of each
# (default 5); prints the median wall seconds per step of each and their ratio (two processes over
# one). RUNNER is orbilan-run built with ORBILAN_MPI. Needs two idle cores to mean anything.
set -euo pipefail
runner=$1
rounds=${2:-5}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
per_step() { awk -v steps="$1" '/^wall_seconds:/ { print $2 / steps }'; }
printf "%-9s %6s %12s %12s %7s\n" precision bodies "1 proc s" "2 procs s" ratio
for n in 3000 10000; do
    python3 "$here/make_cluster.py" "$n" "$work/c$n.txt"
    for precision in extended double; do
        # About two seconds of one process: a step costs some 20 to 50 ns per pair in extended
        # precision and 1 to 2.5 ns in double.
        pairs_k=$((n * n / 2000))
        if [ "$precision" = extended ]; then steps=$((50000 / pairs_k + 1)); else steps=$((1000000 / pairs_k + 1)); fi
        args=("$work/c$n.txt" --steps "$steps" --threads 1 --precision "$precision" --quiet)
        : >"$work/one" && : >"$work/two"
        for ((r = 0; r < rounds; ++r)); do
            "$runner" "${args[@]}" | per_step "$steps" >>"$work/one"
            mpirun --bind-to none -np 2 "$runner" "${args[@]}" | per_step "$steps" >>"$work/two"
        done
        one=$(median <"$work/one")
        two=$(median <"$work/two")
        printf "%-9s %6d %12.5f %12.5f %7.3f\n" "$precision" "$n" "$one" "$two" "$(echo "$two / $one" | bc -l)"
    done
done
