#!/usr/bin/env python3
"""Whole-process benchmark of weft.

Builds the `bench` preset, writes deterministic corpora, times the weft binary
on them and prints each figure as a ratio against a reference program timed
side by side in the same run, so that a busy machine slows both alike. Each
pair is run in alternating rounds; the figures are medians (minimums beside
them), of wall-clock time unless said otherwise.

    python3 bench/run.py            # everything, a few minutes
    python3 bench/run.py --quick    # smaller corpora and fewer runs
"""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "bench")
WEFT = os.path.join(BUILD, "weft")
TOOLS = os.path.join(BUILD, "bench")
TIMER = os.path.join(TOOLS, "weft_time_runs")
MAKE_CORPUS = os.path.join(TOOLS, "weft_make_corpus")
FLOOR = os.path.join(TOOLS, "weft_floor")
TRIVIAL = os.path.join(TOOLS, "weft_trivial")
FIXED_CLOCK = {"LD_PRELOAD": os.path.join(TOOLS, "libweft_fixed_clock.so")}
# weft ends a normal run with status 1.
WEFT_OK = 1


def log(message):
    print(message, file=sys.stderr, flush=True)


def build():
    for command in (["cmake", "--preset", "bench"], ["cmake", "--build", "--preset", "bench"]):
        log("$ " + " ".join(command))
        subprocess.run(command, cwd=ROOT, check=True, stdout=subprocess.DEVNULL)


class Corpora:
    """Corpora kept under build/bench/corpora, made again when the generator changes."""

    def __init__(self, root):
        self.root = root
        os.makedirs(root, exist_ok=True)

    def _make(self, name, arguments, main):
        directory = os.path.join(self.root, name)
        path = os.path.join(directory, main)
        if not os.path.exists(path) or os.path.getmtime(path) < os.path.getmtime(MAKE_CORPUS):
            shutil.rmtree(directory, ignore_errors=True)
            os.makedirs(directory)
            log(f"writing corpus {name}")
            subprocess.run([MAKE_CORPUS] + arguments[:1] + [directory] + arguments[1:], check=True)
        return path

    def load(self, lines, frequency=0):
        return self._make(f"load-{lines}-f{frequency}", ["load", str(lines), str(frequency)], "corpus.dat")

    def generation(self, templates, entries, dice=True):
        name = f"generate-{templates}-{entries}-{'dice' if dice else 'nodice'}"
        return self._make(name, ["generate", str(templates), str(entries), "dice" if dice else "nodice"],
                          "generate.dat")


class Runs:
    """Wall time, processor time (s) and peak RSS (bytes) of the runs of one command."""

    def __init__(self):
        self.wall, self.cpu, self.rss = [], [], []
        self.rounds = []  # the median wall time of each round

    def add(self, wall_ns, cpu_ns, rss_kib):
        self.wall.append(wall_ns / 1e9)
        self.cpu.append(cpu_ns / 1e9)
        self.rss.append(rss_kib * 1024)

    def end_round(self, runs):
        self.rounds.append(statistics.median(self.wall[-runs:]))

    def median(self):
        return statistics.median(self.wall)

    def minimum(self):
        return min(self.wall)

    def cpu_median(self):
        return statistics.median(self.cpu)


def time_runs(command, runs, into, cwd, stdout="/dev/null", expect=0, env=None):
    environment = dict(os.environ, **(env or {}))
    result = subprocess.run([TIMER, str(runs), "/dev/null", stdout, "/dev/null", "--"] + command,
                            cwd=cwd, check=True, capture_output=True, text=True, env=environment)
    for line in result.stdout.splitlines():
        wall, cpu, rss, status = (int(part) for part in line.split())
        if status != expect:
            raise SystemExit(f"{' '.join(command)} (in {cwd}) ended with status {status}, not {expect}")
        into.add(wall, cpu, rss)
    return into


def side_by_side(commands, rounds, runs_per_round):
    """Times each (command, cwd, expected status[, environment]) in turn, round after round.

    The first run of each is a warm-up (page cache, loader) and is dropped."""
    commands = [tuple(command) + (None,) * (4 - len(command)) for command in commands]
    results = [Runs() for _ in commands]
    for command, cwd, expect, env in commands:
        time_runs(command, 1, Runs(), cwd, expect=expect, env=env)
    for _ in range(rounds):
        for (command, cwd, expect, env), into in zip(commands, results):
            time_runs(command, runs_per_round, into, cwd, expect=expect, env=env)
            into.end_round(runs_per_round)
    return results


def paired(a, b):
    """The median over rounds of a's time over b's time in the same round: a
    load that comes and goes slows both sides of a round alike."""
    return statistics.median(x / y for x, y in zip(a.rounds, b.rounds))


def mb(size):
    return f"{size / 1e6:.1f} MB"


def ms(seconds):
    return f"{seconds * 1e3:.1f} ms" if seconds >= 0.01 else f"{seconds * 1e3:.2f} ms"


class Report:
    def __init__(self):
        self.rows = []

    def ratio(self, name, value, goal, at_most, detail):
        met = value <= goal if at_most else value >= goal
        self.rows.append((name, f"{value:.2f}x", ("<= " if at_most else ">= ") + f"{goal:g}x",
                          "met" if met else "NOT MET", detail))

    def band(self, name, value, low, high, detail):
        self.rows.append((name, f"{value:.2f}", f"{low:g}..{high:g}",
                          "met" if low <= value <= high else "NOT MET", detail))

    def show(self):
        widths = [max(len(row[i]) for row in self.rows) for i in range(4)]
        print()
        for row in self.rows:
            print("  ".join(cell.ljust(width) for cell, width in zip(row[:4], widths)))
            print("    " + row[4])


def callgrind_instructions(command, cwd, env=None):
    """Instructions executed in user space, as counted by callgrind."""
    with tempfile.TemporaryDirectory() as scratch:
        result = subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={scratch}/out"] + command,
                                cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                                env=dict(os.environ, **(env or {})))
    found = re.search(r"Collected : (\d+)", result.stderr)
    if not found:
        raise SystemExit("callgrind gave no count for " + " ".join(command))
    return int(found.group(1))


def main():
    global WEFT
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--quick", action="store_true", help="smaller corpora and fewer runs")
    parser.add_argument("--no-build", action="store_true", help="use the binaries already in build/bench")
    parser.add_argument("--weft", default=WEFT, help="the weft binary to measure (default: the one built here)")
    parser.add_argument("--callgrind", action="store_true",
                        help="also count instructions with callgrind (slow; steady on a busy machine)")
    args = parser.parse_args()
    WEFT = os.path.abspath(args.weft)

    if not args.no_build:
        build()
    corpora = Corpora(os.path.join(BUILD, "corpora"))
    report = Report()
    quick = args.quick
    load_lines = 250_000 if quick else 1_000_000
    rounds = 3 if quick else 7

    # 1. Load: weft -n 1 on a large data file against wc -l on the same file.
    corpus = corpora.load(load_lines)
    here = os.path.dirname(corpus)
    size = os.path.getsize(corpus)
    weft, wc = side_by_side([([WEFT, "-n", "1", "corpus.dat"], here, WEFT_OK),
                             (["wc", "-l", "corpus.dat"], here, 0)], rounds, 1)
    report.ratio(f"1 load: weft -n 1 / wc -l ({load_lines:,} lines, {mb(size)})", paired(weft, wc), 3, True,
                 f"weft {ms(weft.median())}, wc -l {ms(wc.median())}; minimums {weft.minimum() / wc.minimum():.2f}x; "
                 f"processor time {weft.cpu_median() / max(wc.cpu_median(), 1e-9):.2f}x")

    # 2. Memory: peak RSS of that run against the file's size, and every
    # frequency at 50 against every frequency at 1.
    rss = min(weft.rss)
    report.ratio("2a memory: peak RSS / file size", rss / size, 1.5, True, f"peak RSS {mb(rss)}, file {mb(size)}")
    one = corpora.load(load_lines, 1)
    fifty = corpora.load(load_lines, 50)
    rss_one, rss_fifty = side_by_side([([WEFT, "-n", "1", "corpus.dat"], os.path.dirname(one), WEFT_OK),
                                       ([WEFT, "-n", "1", "corpus.dat"], os.path.dirname(fifty), WEFT_OK)], 1, 1)
    report.ratio("2b memory: peak RSS, every frequency 50 / every frequency 1", min(rss_fifty.rss) / min(rss_one.rss),
                 1.05, True, f"{mb(min(rss_fifty.rss))} against {mb(min(rss_one.rss))}")

    # 3. Generation: weft -n N on a reference-heavy file into /dev/null,
    # against the floor (the same bytes, one write per line) and against the
    # other generator on the same lines as a grammar.
    lines = 200_000 if quick else 1_000_000
    generation = corpora.generation(100, 100)
    here = os.path.dirname(generation)
    output = os.path.join(here, "weft-output.txt")
    # Each roll reseeds from the clock, so the lines depend on the second a
    # run starts in; with the clock held still every run makes the same lines.
    time_runs([WEFT, "-n", str(lines), "generate.dat"], 1, Runs(), here, stdout=output, expect=WEFT_OK,
              env=FIXED_CLOCK)
    weft, floor = side_by_side([([WEFT, "-n", str(lines), "generate.dat"], here, WEFT_OK, FIXED_CLOCK),
                                ([FLOOR, output], here, 0)], rounds, 1)
    report.ratio(f"3a generation: weft -n {lines:,} / floor (same {mb(os.path.getsize(output))}, one write a line)",
                 paired(weft, floor), 1.5, True,
                 f"weft {ms(weft.median())} ({lines / weft.median():,.0f} lines/s), floor {ms(floor.median())}; "
                 f"minimums {weft.minimum() / floor.minimum():.2f}x; "
                 f"processor time {weft.cpu_median() / floor.cpu_median():.2f}x")
    weft_rate = lines / weft.median()
    polygen = shutil.which("polygen") or shutil.which("polygen", path="/usr/games")
    if polygen:
        # The other generator starts slowly; its rate is taken from the
        # difference between a long and a one-line run, which favours it.
        other_lines = 500 if quick else 2000
        long_run, short_run = side_by_side([([polygen, "-X", str(other_lines), "generate.grm"], here, 0),
                                            ([polygen, "-X", "1", "generate.grm"], here, 0)], 3, 1)
        other_rate = (other_lines - 1) / max(long_run.median() - short_run.median(), 1e-9)
        report.ratio("3b generation: weft lines/s / PolyGen lines/s (same grammar)", weft_rate / other_rate, 5, False,
                     f"weft {weft_rate:,.0f} lines/s, PolyGen {other_rate:,.0f} lines/s "
                     f"(-X {other_lines} in {ms(long_run.median())}, start-up {ms(short_run.median())})")
    else:
        print("PolyGen is not installed (apt-get install polygen): figure 3b skipped", file=sys.stderr)

    # 4. Scaling: load time at 1x, 4x and 16x, and the cost of a line from
    # tables of very different sizes.
    base = load_lines // 4
    paths = [corpora.load(base * factor) for factor in (1, 4, 16)]
    loads = side_by_side([([WEFT, "-n", "1", "corpus.dat"], os.path.dirname(path), WEFT_OK) for path in paths],
                         max(3, rounds - 2), 1)
    for factor, result in zip((4, 16), loads[1:]):
        report.band(f"4a scaling: load time at {factor}x / ({factor} x load time at 1x)",
                    paired(result, loads[0]) / factor, 0.85, 1.15,
                    f"1x ({base:,} lines) {ms(loads[0].median())}, {factor}x {ms(result.median())}; "
                    f"by processor time {result.cpu_median() / (factor * loads[0].cpu_median()):.2f}")
    # Without dice, so that the picks really spread over the tables (a roll
    # reseeds from the clock and makes the lines of one second repeat).
    pick_lines = 100_000 if quick else 300_000
    sizes = (16, 1024, 32768)
    commands = []
    for entries in sizes:
        here = os.path.dirname(corpora.generation(100, entries, dice=False))
        commands.append(([WEFT, "-n", str(pick_lines), "generate.dat"], here, WEFT_OK))
        commands.append(([WEFT, "-n", "1", "generate.dat"], here, WEFT_OK))
    results = side_by_side(commands, max(3, rounds - 2), 1)
    # Each round's cost of a line: its long run less its one-line run (which
    # is the load and the start-up).
    per_line = [[(long - short) / (pick_lines - 1) for long, short in zip(results[2 * i].rounds,
                                                                           results[2 * i + 1].rounds)]
                for i in range(len(sizes))]
    for entries, costs in zip(sizes[1:], per_line[1:]):
        ratio = statistics.median(cost / base_cost for cost, base_cost in zip(costs, per_line[0]))
        report.band(f"4b scaling: cost of a line, tables of {entries:,} / of {sizes[0]} entry lines", ratio, 0.85, 1.15,
                    f"{statistics.median(per_line[0]) * 1e9:.0f} ns against {statistics.median(costs) * 1e9:.0f} ns "
                    "a line (load time taken off)")

    # 5. Start-up: weft on a one-line data file against a C++ program that
    # does nothing.
    with tempfile.TemporaryDirectory() as scratch:
        with open(os.path.join(scratch, "one.dat"), "w") as one_line:
            one_line.write("hello\n")
        weft, trivial = side_by_side([([WEFT, "one.dat"], scratch, WEFT_OK), ([TRIVIAL], scratch, 1)],
                                     10 if quick else 30, 10)
        report.ratio("5 start-up: weft on a one-line file / empty C++ program", paired(weft, trivial), 1.5,
                     True, f"weft {ms(weft.median())}, empty program {ms(trivial.median())}; "
                     f"minimums {weft.minimum() / trivial.minimum():.2f}x")
        if args.callgrind:
            counts = (callgrind_instructions([WEFT, "one.dat"], scratch), callgrind_instructions([TRIVIAL], scratch))
            print(f"callgrind, start-up: weft {counts[0]:,} instructions, empty program {counts[1]:,} "
                  f"({counts[0] / counts[1]:.2f}x)")

    if args.callgrind:
        here = os.path.dirname(corpus)
        count = callgrind_instructions([WEFT, "-n", "1", "corpus.dat"], here)
        print(f"callgrind, load of {mb(size)}: {count:,} instructions ({count / size:.1f} a byte)")
        here = os.path.dirname(generation)
        long_count = callgrind_instructions([WEFT, "-n", "20000", "generate.dat"], here, FIXED_CLOCK)
        short_count = callgrind_instructions([WEFT, "-n", "1", "generate.dat"], here, FIXED_CLOCK)
        print(f"callgrind, generation: {(long_count - short_count) / 19999:,.0f} instructions a line")

    report.show()


if __name__ == "__main__":
    main()
