#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""make_cluster.py N FILE [--thrust]: a project of N rocks in a ball of radius 3 (G = 1), packed so
that some touch from the start and merge with collisions on; with --thrust, an impulse program
beside it in which rock 1 burns from the start for a second."""
import math
import pathlib
import random
import sys


def main():
    n, path = int(sys.argv[1]), pathlib.Path(sys.argv[2])
    rng = random.Random(n)
    # Spheres of this radius fill a few per cent of the ball: a handful touch at the start.
    radius = 0.6 * 3 / n ** (1 / 3) / 2
    lines = [f'"Cluster of {n}", "rocks in a ball"', f"Objects, {n}", "dt, 0.001", "G, 1.0"]
    count = 0
    while count < n:
        p = [rng.uniform(-3, 3) for _ in range(3)]
        if math.dist(p, (0, 0, 0)) > 3:
            continue
        count += 1
        v = [rng.gauss(0, 0.05) for _ in range(3)]
        mass = rng.uniform(0.5, 1.5) * 60 / n
        density = mass / (4 / 3 * math.pi * radius**3)
        lines += [
            f'Object, {count}, "Rock {count}", rock.bmp',
            "Position, " + ", ".join(repr(c) for c in p),
            "Velocity, " + ", ".join(repr(c) for c in v),
            f"Mass, {mass!r}",
            f"Density, {density!r}",
        ]
    path.write_text("\r\n".join(lines) + "\r\n")
    if "--thrust" in sys.argv:
        impulses = ["Impulses, 1", "Body, 1", "Burn 1 start and duration (s), -1, 2", "Ejected mass (kg), 0.01",
                    "Exhaust velocity (m/s), 0, -30, 5"]
        path.with_name(path.name.split(".")[0] + ".JI").write_text("\r\n".join(impulses) + "\r\n")


main()
