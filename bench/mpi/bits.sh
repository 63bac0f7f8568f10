#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# bits.sh PLAIN_RUNNER MPI_RUNNER PROJECTS: the runner built without MPI against the MPI build on 1 to
# 4 processes (oversubscribed where the machine has fewer cores), on every sample project of
# PROJECTS and on a 3,000-body cluster with merges and a thrust, in both precisions and with both
# methods: the final states and the logs must be the same bits. Prints one line per case.
set -euo pipefail
plain=$1 mpi=$2 projects=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$projects"/*.txt "$projects"/*.JI "$work/"
python3 "$here/make_cluster.py" 3000 "$work/cluster3000.txt" --thrust
differ=0
for project in "$work"/*.txt; do
    name=$(basename "$project" .txt)
    for precision in extended double; do
        for method in euler gauss-radau; do
            steps=1000
            [ "$name" = cluster3000 ] && steps=$([ "$method" = euler ] && echo 20 || echo 2)
            args=("$project" --steps "$steps" --collisions --precision "$precision" --integrator "$method" --quiet
                --log-mode position --log-body 2)
            "$plain" "${args[@]}" --log "$work/p.log" --final-state "$work/p.final" >/dev/null
            line="$name $precision $method:"
            for k in 1 2 3 4; do
                mpirun --oversubscribe -np "$k" "$mpi" "${args[@]}" --threads 1 --log "$work/k.log" \
                    --final-state "$work/k.final" >/dev/null
                if cmp -s "$work/p.log" "$work/k.log" && cmp -s "$work/p.final" "$work/k.final"; then
                    line+=" $k same"
                else
                    line+=" $k DIFFERENT"
                    differ=1
                fi
            done
            echo "$line"
        done
    done
done
exit $differ
