#!/usr/bin/env python3
"""Benchmark of weft-roll on the bundled examples.

Builds weft-roll and weft in the `bench` preset, then times, with the clock
held at midnight on 1 January 2026:

- `weft-roll -n 100 --unique` on every example, beside one run of `weft` on
  the same file (the cost of starting a process and loading the file);
- "roll this part again" on tavern.dat and dungeon.dat: for the lines of 20
  seconds, each part of each line in turn rolled again with the rest kept
  (`--keep` with every step outside that part), as the playground's
  "Reroll this part" asks for it.

Each figure is the median wall time of its runs (minimum beside it).

    python3 bench/roll.py            # about a minute
    python3 bench/roll.py --quick    # fewer runs and seconds
"""

import argparse
import json
import os
import statistics
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "bench")
WEFT = os.path.join(BUILD, "weft")
ROLL = os.path.join(BUILD, "tools", "roll", "weft-roll")
TIMER = os.path.join(BUILD, "bench", "weft_time_runs")
EXAMPLES = os.path.join(ROOT, "examples")
ENV = dict(os.environ, LD_PRELOAD=os.path.join(BUILD, "bench", "libweft_fixed_clock.so"))
MIDNIGHT = 1767225600


def build():
    for command in (["cmake", "--preset", "bench"],
                    ["cmake", "--build", "--preset", "bench", "-j2", "--target", "weft", "weft-roll",
                     "weft_time_runs", "weft_fixed_clock"]):
        print("$ " + " ".join(command), file=sys.stderr, flush=True)
        subprocess.run(command, cwd=ROOT, check=True, stdout=subprocess.DEVNULL)


def wall_times(command, runs, expect):
    """The wall times in seconds of `runs` runs of `command`, after one warm-up."""
    result = subprocess.run([TIMER, str(runs + 1), "/dev/null", "/dev/null", "/dev/null", "--"] +
                            command, cwd=EXAMPLES, env=ENV, check=True, capture_output=True,
                            text=True)
    times = []
    for line in result.stdout.splitlines()[1:]:
        wall, _cpu, _rss, status = (int(part) for part in line.split())
        if status not in expect:
            raise SystemExit(f"{' '.join(command)} ended with status {status}")
        times.append(wall / 1e9)
    return times


def ms(seconds):
    return f"{seconds * 1e3:7.1f} ms"


def examples():
    names = sorted(n for n in os.listdir(EXAMPLES) if n.endswith(".dat") or ".ele" in n)
    return names + ["wilderness\\encounters.dat"]


def unique_lines(runs):
    print("weft-roll -n 100 --unique, against one run of weft on the same file")
    for name in examples():
        roll = wall_times([ROLL, "-n", "100", "--unique", name], runs, {0, 1})
        weft = wall_times([WEFT, name], runs, {1})
        found = subprocess.run([ROLL, "-n", "100", "--unique", name], cwd=EXAMPLES, env=ENV,
                               capture_output=True, text=True).stdout.count("\n")
        print(f"  {name:28} {ms(statistics.median(roll))} (min {ms(min(roll))})   weft "
              f"{ms(statistics.median(weft))}   {found} lines")


def kept_beside(steps, number):
    """The numbers of the steps kept to roll the part at step `number` again,
    as the roll layer's keptBeside() has them: every step outside the part
    but the listed files' references, entering and leaving that hold it."""
    by_number = {step["number"]: step for step in steps}
    dropped = set()
    for step in steps:
        at = step["number"]
        while at is not None and at != number:
            at = by_number[at]["parent"]
        if at == number:
            dropped.add(step["number"])
    at = number
    while at is not None:
        if by_number[at]["step"] == "enter":
            dropped.add(at)
            dropped.add(by_number[at]["parent"])
            dropped.update(s["number"] for s in steps if s["step"] == "leave" and s["parent"] == at)
        at = by_number[at]["parent"]
    return [s["number"] for s in steps if s["number"] not in dropped]


def reroll_parts(name, seconds, runs):
    times = []
    found = tried = 0
    lines = json.loads(subprocess.run([ROLL, "-n", str(seconds), "--format=json", name],
                                      cwd=EXAMPLES, env=ENV, capture_output=True, text=True,
                                      check=True).stdout)
    for line in lines:
        steps = line["steps"]
        for step in steps:
            choice = step["step"] == "pick" or (step["step"] == "reference" and
                                                 step["reference"] in ("dice", "table"))
            if not choice or step["parent"] is None:
                continue
            kept = [str(number) for number in kept_beside(steps, step["number"])]
            command = [ROLL, f"--at={line['second']}", "--keep=" + ",".join(kept), name]
            times += wall_times(command, runs, {0, 1})
            tried += 1
            found += subprocess.run(command, cwd=EXAMPLES, env=ENV, capture_output=True).returncode == 0
    print(f"  {name:28} {ms(statistics.median(times))} median, {ms(max(times))} at most, "
          f"{ms(statistics.quantiles(times, n=10)[-1])} for 9 in 10; "
          f"{found} of {tried} parts rolled again within the budget")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--quick", action="store_true", help="fewer runs and seconds")
    parser.add_argument("--no-build", action="store_true", help="use the bench build as it is")
    args = parser.parse_args()
    if not args.no_build:
        build()
    runs = 3 if args.quick else 11
    unique_lines(runs)
    print("Roll one part again, the rest kept (weft-roll --at --keep), per part")
    for name in ("tavern.dat", "dungeon.dat"):
        reroll_parts(name, 5 if args.quick else 20, 1 if args.quick else 3)
    return 0


if __name__ == "__main__":
    sys.exit(main())
