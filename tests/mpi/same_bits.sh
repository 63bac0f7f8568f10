#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# same_bits.sh RUNNER MPIEXEC SOURCE: orbilan-run on 1, 2 and 3 processes (the last with two
# threads each) gives the final state, the log and the summary of the runner alone, for a sample
# with a thrust and for a cluster with merges and a thrust, in both precisions and with both
# methods; a failure ends every process with the runner's status and one message; a stop signal to
# the launcher ends them all.
set -euo pipefail
runner=$1 mpiexec=$2 source=$3
work=$(mktemp -d)
launcher=
trap '[ -z "$launcher" ] || kill "$launcher" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
python3 "$source/bench/mpi/make_cluster.py" 600 rocks.txt --thrust
cp "$source/assets/Projects/earth_moon_craft.txt" "$source/assets/Projects/earth_moon_craft.JI" .
launch() { "$mpiexec" --oversubscribe -np "$@"; }
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# NAME ARGS...: the outputs of one run, the summary without its timings and process count.
outputs() {
    local name=$1
    shift
    "$@" --quiet --log "$name.log" --log-mode position --log-body 2 --final-state "$name.final" >"$name.summary"
    grep -v -E '^(wall_seconds|steps_per_second|ranks):' "$name.summary" >"$name.figures"
}

for case in "earth_moon_craft.txt --steps 300" "rocks.txt --steps 6 --collisions"; do
    for precision in extended double; do
        for method in euler gauss-radau; do
            args="$case --precision $precision --integrator $method"
            outputs alone "$runner" $args --threads 1
            for k in 1 2 3; do
                # Three processes of two threads each.
                outputs "k$k" launch "$k" "$runner" $args --threads $((k == 3 ? 2 : 1))
                for part in log final figures; do
                    cmp -s "alone.$part" "k$k.$part" || fail "$k processes, $args: the $part differs"
                done
                grep -qx "ranks: $k" "k$k.summary" || fail "$k processes, $args: no 'ranks: $k' in the summary"
            done
        done
    done
done
[ "$(grep -c '^ranks: 1' alone.summary)" = 1 ] || fail "the runner alone does not say 'ranks: 1'"

# STATUS NEEDLE ARGS...: the launcher ends with the status, and the needle appears once in its errors.
expect_failure() {
    local status=$1 needle=$2
    shift 2
    local got=0
    launch 3 "$runner" "$@" >out.txt 2>err.txt || got=$?
    [ "$got" = "$status" ] || fail "$*: status $got, not $status"
    [ "$(grep -c -F -- "$needle" err.txt)" = 1 ] || fail "$*: '$needle' is not said once: $(cat err.txt)"
}
expect_failure 2 "cannot be opened" missing.txt --steps 3
expect_failure 2 "unknown option '--bogus'" rocks.txt --bogus
expect_failure 4 "Cannot write the log file /dev/full" rocks.txt --steps 100 --log /dev/full
# A craft that burns more than its mass: the mass error, found by every process at the same step.
sed 's/$/\r/' >craft.txt <<'END'
"Craft", "burns out"
Objects, 2
dt, 1
G, 1e-9
Object, 1, "Craft", x.bmp
Position, 0, 0, 0
Velocity, 0, 0, 0
Mass, 10
Density, 1
Object, 2, "Rock", x.bmp
Position, 100, 0, 0
Velocity, 0, 0, 0
Mass, 10
Density, 1
END
sed 's/$/\r/' >craft.JI <<'END'
Impulses, 1
Body, 1
Burn 1 start and duration (s), -1, 10
Ejected mass (kg), 20
Exhaust velocity (m/s), 0, -30, 0
END
expect_failure 3 "Error : mass <= 0" craft.txt --steps 100

# A stop signal to the launcher: every process stops at the same step, rank 0 writes the summary and
# the final state, and nothing ends as a success.
"$mpiexec" --oversubscribe -np 3 "$runner" rocks.txt --stop-time 1e9 --quiet --final-state stopped.final \
    >stopped.summary 2>/dev/null &
launcher=$!
sleep 3
kill -TERM "$launcher"
status=0
wait "$launcher" || status=$?
launcher=
[ "$status" != 0 ] || fail "a stopped run ended as a success"
grep -q '^steps: [1-9]' stopped.summary || fail "no summary after a stop signal"
grep -q '^Objects, ' stopped.final || fail "no final state after a stop signal"

[ "$failures" = 0 ] || exit 1
echo "all the same"
