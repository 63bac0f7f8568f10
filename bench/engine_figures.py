#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The engine's figures for the README, before and after a change, measured side by side.

    bench/engine_figures.py [--before REV] [--rounds 3] [--busy-core] [--instructions]

Builds engine_bench from the working tree (and, with --before, from revision REV into a
temporary folder), then runs the binaries alternately, --rounds times each. Every run times the
double-precision yardstick and ORBILAN on 1..all threads interleaved (medians of 9); this script
prints the median of the runs. --busy-core keeps the last core busy with a shell loop meanwhile.
--instructions counts instructions per pair of the force sums and of the kernel they replaced
under callgrind. Run it un-niced on a quiet machine.
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def build(source, folder):
    subprocess.run(["cmake", "-S", source, "-B", folder, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DORBILAN_GUI=OFF", "-DORBILAN_TESTS=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", folder, "--target", "engine_bench"], check=True, stdout=subprocess.DEVNULL)
    return os.path.join(folder, "bench", "core", "engine_bench")


def build_revision(revision):
    folder = os.path.join(tempfile.gettempdir(), "orbilan-bench-" + revision.replace("/", "_"))
    source = os.path.join(folder, "src")
    if not os.path.isdir(source):
        os.makedirs(source)
        archive = subprocess.run(["git", "-C", ROOT, "archive", revision], check=True, stdout=subprocess.PIPE).stdout
        subprocess.run(["tar", "-x", "-C", source], input=archive, check=True)
    return build(source, os.path.join(folder, "build"))


def counters(binary, pattern):
    out = subprocess.run([binary, "--benchmark_filter=" + pattern, "--benchmark_format=json"], check=True,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    result = {}
    for b in json.loads(out)["benchmarks"]:
        n = int(b["name"].split("/")[1])
        result[n] = {k: v for k, v in b.items() if isinstance(v, (int, float))}
    return result


def medians(runs):
    keys = runs[0].keys()
    return {n: {k: statistics.median(r[n][k] for r in runs) for k in runs[0][n] if k in runs[0][n]} for n in keys}


def print_table(title, m):
    first = next(iter(m.values()))
    threads = sorted(int(k[1:-3]) for k in first if k.startswith("t") and k.endswith("_us"))
    precisions = [("extended", "t", "eff", "ratio")]
    if "d1_us" in first:
        precisions.append(("double", "d", "deff", "dratio"))
    for name, time, eff, ratio in precisions:
        print(f"\n{title}, {name} precision")
        head = ["N", "peer"] + [f"{t} thr" for t in threads] + ["1 thr / peer", "all / peer"]
        print(" | ".join(head + [f"eff {t}" for t in threads[1:]]))
        for n, c in sorted(m.items()):
            row = [str(n), f"{c['peer_us']:.4g} us"] + [f"{c[f'{time}{t}_us']:.4g} us" for t in threads]
            row += [f"{c[f'{ratio}_1t']:.3f}", f"{c[f'{ratio}_all']:.3f}"] + [f"{c[f'{eff}{t}']:.2f}" for t in threads[1:]]
            print(" | ".join(row))


def instructions_per_pair(binary, n=1000):
    with tempfile.TemporaryDirectory() as folder:
        out_file = os.path.join(folder, "callgrind.out")
        run = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out_file,
                              "--toggle-collect=*compute_accelerations<long double>*",
                              "--toggle-collect=orbilan::bench::triangle_reference_sums*",
                              binary, f"--benchmark_filter=SumsVsReference/{n}/", "--benchmark_format=json"],
                             check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        calls = json.loads(run.stdout)["benchmarks"][0]["calls"]
        report = subprocess.run(["callgrind_annotate", "--inclusive=yes", out_file], check=True,
                                stdout=subprocess.PIPE, text=True).stdout
    pairs = calls * n * (n - 1)
    found = {}
    for line in report.splitlines():
        for key, name in (("now", "compute_accelerations<long double>("), ("before", "triangle_reference_sums(")):
            if name in line and key not in found:
                found[key] = int(line.split()[0].replace(",", "")) / pairs
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--before", help="revision to compare with")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--busy-core", action="store_true")
    parser.add_argument("--instructions", action="store_true")
    parser.add_argument("--filter", default="VsPeer")
    args = parser.parse_args()

    binaries = {"now": build(ROOT, os.path.join(ROOT, "build-bench"))}
    if args.before:
        binaries["before"] = build_revision(args.before)

    if args.instructions:
        counts = instructions_per_pair(binaries["now"])
        print("instructions per ordered pair at N = 1000, one thread: "
              f"force sums {counts['now']:.1f}, the kernel they replaced {counts['before']:.1f}")

    busy = None
    if args.busy_core:
        core = str(os.cpu_count() - 1)
        busy = subprocess.Popen(["taskset", "-c", core, "sh", "-c", "while :; do :; done"])
        print(f"core {core} kept busy by pid {busy.pid}")
    try:
        with open("/proc/loadavg") as f:
            print("load before:", f.read().strip())
        runs = {name: [] for name in binaries}
        for _ in range(args.rounds):
            for name, binary in binaries.items():
                runs[name].append(counters(binary, args.filter))
        with open("/proc/loadavg") as f:
            print("load after:", f.read().strip())
    finally:
        if busy:
            busy.kill()
            busy.wait()

    results = {name: medians(r) for name, r in runs.items()}
    for name, m in results.items():
        print_table(f"{name} (medians of {args.rounds} runs)", m)
    if "before" in results:
        print("\nnow / before, time per step")
        for n in sorted(results["now"]):
            now, before = results["now"][n], results["before"][n]
            cols = [k for k in now if k.startswith("t") and k.endswith("_us") and k in before]
            print(f"N = {n}: " + ", ".join(f"{k[1:-3]} thr {now[k] / before[k]:.2f}" for k in sorted(cols)))


if __name__ == "__main__":
    sys.exit(main())
