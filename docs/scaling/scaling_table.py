#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The efficiency to expect from orbilan-run on a cluster, from the figures measured on one machine.

Each process (one per core, consecutive ranks on one node) holds the whole state. The triangle of
pairs is cut into square tiles of side s; row I of tiles belongs to process I mod P, which takes its
tiles in order. After each tile (I, J) the running sums of column block J (3 s values) travel to
the process of row I + 1; at the end of a step every process receives the accelerations of the
bodies it did not finish (3 values a body). The model:

  compute   = when the last process finishes its tiles, each tile_time long: row I starts two
              tiles after row I - 1; plus a message cost per tile;
  network   = what one node sends and receives per step: the column blocks that cross to the next
              node (rows whose previous row lives on another node) and the accelerations of every
              other node's bodies, at the link's speed, plus a latency per message on the chain;
  step      = compute + the part of network that cannot overlap (the gathering of accelerations);
              the block messages overlap the tiles unless the link cannot carry them in time.

Prints a Markdown table. Usage: scaling_table.py [PAIR_NS_EXTENDED PAIR_NS_DOUBLE]."""
import math
import sys

CORES = 32
MESSAGE_CPU = 2e-6  # seconds a process spends per message sent and received (shared memory, measured order)
LATENCY = 5e-6  # seconds per message across the network


def side_for(n, processes, max_side, min_side):
    """The tile side the runner takes: the largest that leaves every process four rows."""
    side = max_side
    while side > min_side and math.ceil(n / side) < 4 * processes:
        side //= 2
    return side


def finish_in_tiles(rows, processes):
    """When the last process finishes, in tiles: process k starts its first row (row k) two tiles
    after row k - 1 started, then takes its rows one after the other (rows dealt in turn, row I
    holding rows - I tiles), which the rows above have readied by then."""
    work = [0] * min(processes, rows)
    for i in range(rows):
        work[i % processes] += rows - i
    return max(2 * k + w for k, w in enumerate(work)), max(work)


def step_time(n, nodes, gbit, pair_seconds, value_bytes, max_side, min_side):
    """Seconds per step: (pairs of the busiest process, the step)."""
    processes = nodes * CORES
    side = side_for(n, processes, max_side, min_side)
    rows = math.ceil(n / side)
    tile_time = side * side * pair_seconds
    block_bytes = 3 * side * value_bytes
    link = gbit * 1e9 / 8
    finish, tiles = finish_in_tiles(rows, processes)
    compute = finish * tile_time + tiles * MESSAGE_CPU
    # Block messages that leave a node: rows whose previous row is on another node.
    crossing = [i for i in range(1, rows) if (i % processes) // CORES != ((i - 1) % processes) // CORES]
    blocks = sum((rows - i) * (block_bytes / link + LATENCY) for i in crossing) / nodes
    gather = 3 * value_bytes * n * (nodes - 1) / nodes / link + math.log2(max(nodes, 2)) * LATENCY
    return tiles * tile_time, max(compute, blocks) + gather, side


def dominating_n(nodes, gbit, pair_seconds, value_bytes, max_side, min_side):
    """The body count below which the processes spend more time passing sums and waiting for them
    than adding terms."""
    low, high = 100, 10**8
    while high / low > 1.02:
        n = int(math.sqrt(low * high))
        work, step, _ = step_time(n, nodes, gbit, pair_seconds, value_bytes, max_side, min_side)
        low, high = (n, high) if step - work > work else (low, n)
    return high


def main():
    extended_ns, double_ns = (float(a) for a in sys.argv[1:3]) if len(sys.argv) >= 3 else (52.0, 2.4)
    kinds = [("extended", extended_ns * 1e-9, 10, 64, 16), ("double", double_ns * 1e-9, 8, 256, 32)]
    print("| precision | nodes x 32 cores | link | N | tile side | s per step | efficiency | exchange dominates below N |")
    print("|---|---|---|---|---|---|---|---|")
    for name, pair, value_bytes, max_side, min_side in kinds:
        for nodes in (16, 64, 256):
            for gbit in (10, 100):
                below = dominating_n(nodes, gbit, pair, value_bytes, max_side, min_side)
                for n in (10**5, 10**6):
                    work, step, side = step_time(n, nodes, gbit, pair, value_bytes, max_side, min_side)
                    ideal = n * (n - 1) / 2 * pair / (nodes * CORES)
                    print(f"| {name} | {nodes} | {gbit} Gbit/s | {n:.0e} | {side} | {step:.3g} | {ideal / step:.2f} "
                          f"| {below:,} |")

main()
