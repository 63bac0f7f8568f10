#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# bits.sh PLAIN_RUNNER MPI_RUNNER PROJECTS [BODIES]: the runner built without MPI against the MPI build
# on 1 to 4 processes (oversubscribed where the machine has fewer cores), on every sample project
# of PROJECTS and on a cluster of BODIES (default 3,000; 0: none) with merges and a thrust, in both
# precisions and with both methods: the exit statuses, the final states and the logs must be the
# same. Prints one line per case.
set -euo pipefail
plain=$1 mpi=$2 projects=$3 bodies=${4:-3000}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$projects"/*.txt "$work/"
cp "$projects"/*.JI "$work/" 2>/dev/null || true
[ "$bodies" = 0 ] || python3 "$here/make_cluster.py" "$bodies" "$work/cluster$bodies.txt" --thrust
differ=0
for project in "$work"/*.txt; do
    name=$(basename "$project" .txt)
    for precision in extended double; do
        for method in euler gauss-radau; do
            steps=1000
            [ "$name" = "cluster$bodies" ] && steps=$([ "$method" = euler ] && echo 20 || echo 2)
            args=("$project" --steps "$steps" --collisions --precision "$precision" --integrator "$method" --quiet
                --log-mode position --log-body 2)
            plain_status=0
            "$plain" "${args[@]}" --log "$work/p.log" --final-state "$work/p.final" >/dev/null 2>&1 || plain_status=$?
            line="$name $precision $method (status $plain_status):"
            for k in 1 2 3 4; do
                status=0
                mpirun --oversubscribe -np "$k" "$mpi" "${args[@]}" --threads 1 --log "$work/k.log" \
                    --final-state "$work/k.final" >/dev/null 2>&1 || status=$?
                if [ "$status" = "$plain_status" ] && cmp -s "$work/p.log" "$work/k.log" &&
                    cmp -s "$work/p.final" "$work/k.final"; then
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
