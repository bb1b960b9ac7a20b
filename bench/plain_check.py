#!/usr/bin/env python3
"""What weft-check's plain check costs on the bundled examples, and how the
figure that --stats opens with compares with weft's own runs.

    python3 bench/plain_check.py build/release/tools/check/weft-check
    python3 bench/plain_check.py CHECK --baseline OTHER_CHECK
    python3 bench/plain_check.py CHECK --lines build/release/weft \\
        build/release/tests/libweft_frozen_time.so

Times: for each example, the median wall time of `weft-check FILE` run from
inside examples/ (whole process, start-up included); with --baseline the
other binary runs in turn with it, run by run, and the difference is shown.

Lines: for each .dat example, the first "lines" figure of --stats beside the
number of different lines in 1,000 runs of weft, one line each, at the
spread clock seconds that the page and weft-check use (each second the first
whose first draw is one more than the last's), from 2026-01-01 00:00 UTC, the
clock frozen by the preloaded library.
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXAMPLES = os.path.join(ROOT, "examples")
DRAWS = 32768


def examples():
    found = []
    for folder, _, files in os.walk(EXAMPLES):
        for name in sorted(files):
            relative = os.path.relpath(os.path.join(folder, name), EXAMPLES)
            found.append(relative.replace("/", "\\"))
    return sorted(found)


def wall(command):
    started = time.perf_counter()
    subprocess.run(command, cwd=EXAMPLES, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - started


def times(check, baseline, runs):
    print("%-28s %10s %10s %10s" % ("example", "ms", "baseline", "more"))
    for name in examples():
        mine, theirs = [], []
        for _ in range(runs):
            mine.append(wall([check, name]))
            if baseline:
                theirs.append(wall([baseline, name]))
        a = 1000 * statistics.median(mine)
        if baseline:
            b = 1000 * statistics.median(theirs)
            print("%-28s %10.1f %10.1f %+10.1f" % (name, a, b, a - b))
        else:
            print("%-28s %10.1f" % (name, a))


def first_draw(second):
    state = (second % 2**32 * 214013 + 2531011) % 2**32
    return (state >> 16) & 0x7FFF


def spread_seconds(count, start):
    """weft's rule for seconds whose first draws go round evenly."""
    base = first_draw(start)
    found = {}
    second = start
    while len(found) < count:
        index = (first_draw(second) - base) % DRAWS
        if index < count and index not in found:
            found[index] = second
        second += 1
    return [found[i] for i in range(count)]


def lines(check, weft, frozen, runs):
    seconds = spread_seconds(runs, 1767225600)
    for name in examples():
        if not name.endswith(".dat") or "\\" in name:
            continue
        stats = subprocess.run([check, "--stats", name], cwd=EXAMPLES, capture_output=True,
                               text=True).stdout.splitlines()
        opening = next(line.strip() for line in stats if line.startswith("  lines"))
        made = set()
        for second in seconds:
            env = dict(os.environ, LD_PRELOAD=frozen, WEFT_FROZEN_TIME=str(second))
            made.add(subprocess.run([weft, "-n", "1", name], cwd=EXAMPLES, env=env,
                                    capture_output=True).stdout)
        print("%s: %d different lines in %d runs of weft\n  %s" % (name, len(made), runs, opening))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("check")
    parser.add_argument("--baseline")
    parser.add_argument("--runs", type=int, default=11)
    parser.add_argument("--lines", nargs=2, metavar=("WEFT", "FROZEN_TIME_LIB"))
    args = parser.parse_args()
    if args.lines:
        lines(os.path.abspath(args.check), os.path.abspath(args.lines[0]),
              os.path.abspath(args.lines[1]), 1000)
    else:
        times(os.path.abspath(args.check), args.baseline and os.path.abspath(args.baseline),
              args.runs)
    return 0


if __name__ == "__main__":
    sys.exit(main())
