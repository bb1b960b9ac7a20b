#!/usr/bin/env python3
"""Compares weft-check's JSON report with its text report, field by field.

For every case under tests/check/cases and every bundled example, with and
without --stats, runs the checker twice (text and --format=json) and checks
that the JSON is valid and says what the text says: each diagnostic's file,
line, severity (error, warning or note), message and note; the summary, its
counts of each severity, and the status; and for --stats
each table's name and entries (text, weight, percentage, "1 in N") and the
remainder of its draws, each dice expression's range, the rows of the rolls
that go together, and the number of
different lines, and the words of each heading and of the lines on table
0's lines as the text writes them. A file holding bytes
that are not UTF-8 and control characters checks that the JSON stays valid.

Usage: json_test.py WEFT_CHECK CASES_DIR EXAMPLES_DIR
"""

import codecs
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile


def latin1_for_invalid(error):
    """Reads each byte that is not valid UTF-8 as the character of its number,
    the way the JSON report writes it."""
    return "".join(chr(b) for b in error.object[error.start:error.end]), error.end


codecs.register_error("latin1_for_invalid", latin1_for_invalid)


def printable(text):
    """The text form writes bytes below 32 and 127 as \\xNN."""
    return "".join("\\x%02X" % ord(c) if ord(c) < 32 or ord(c) == 127 else c for c in text)


DIAGNOSTIC = re.compile(r"^(.*?)(?::(\d+))?: (error|warning|note): (.*)$")


def parse_text(text):
    """Returns the lines of the diagnostics (each with its note line, if any),
    the summary line and the --stats blocks of a text report. The blocks come
    first; from the first diagnostic on, every line is one."""
    lines = text.split("\n")
    assert lines[-1] == "", "the report ends with a line feed"
    lines = lines[:-1]
    summary = lines[-1]
    diagnostics = []
    blocks = []
    for line in lines[:-1]:
        if diagnostics or (DIAGNOSTIC.match(line) and not line.startswith(" ")):
            diagnostics.append(line)
        elif line and not line.startswith(" "):
            blocks.append([line])
        elif line:
            blocks[-1].append(line)
    return diagnostics, summary, blocks


def diagnostic_lines(diagnostic):
    """The text form of one diagnostic of the JSON report: its line, and its
    note's line after it where it has one."""
    place = printable(diagnostic["file"])
    if diagnostic["line"]:
        place += ":%d" % diagnostic["line"]
    lines = ["%s: %s: %s" % (place, diagnostic["severity"], printable(diagnostic["message"]))]
    if diagnostic["note"] is not None:
        lines.append("%s: note: %s" % (place, printable(diagnostic["note"])))
    return lines


ROW = re.compile(r"^    +(\S+)  (1 in \S+|never) +(\d+) of (\d+) +[#. ]+  (.*)$")
TABLE = re.compile(r"^  (.*?\btable (\d+)\)?): (\d+) entr(?:y|ies), weights out of (\d+)$")


def compare_stats(block, odds, where):
    failures = []
    head = block[0]
    if not head.startswith(printable(odds["file"]) + ": title ") or odds["shown"] != head:
        failures.append("%s: heading %r for file %r" % (where, head, odds["file"]))
    # The words on table 0's lines close the block.
    ending = [line.strip() for line in block if re.match(r"^  lines[ :]", line)]
    at = [line.strip() for line in block].index(ending[0]) if ending else len(block)
    if [line.strip() for line in block[at:]] != odds["lines"]["shown"]:
        failures.append("%s: the words on lines differ: %r" % (where, odds["lines"]["shown"]))
    tables = iter(odds["tables"])
    tied = iter(odds["tied_rolls"])
    rows = None  # the rows of the tied rolls being read
    table = None
    entries = None
    for line in block[1:]:
        if line.startswith("  tied rolls, "):
            pair = next(tied, None)
            entries = None
            rows = iter(pair["shown_rows"] if pair else [])
            if pair is None or pair["shown"] != line.strip():
                failures.append("%s: tied rolls %r not in JSON" % (where, line))
            continue
        if rows is not None and line.startswith("    "):
            if next(rows, None) != line[4:]:
                failures.append("%s: a row of tied rolls differs: %r" % (where, line))
            continue
        rows = None
        heading = TABLE.match(line)
        if heading:
            table = next(tables)
            entries = iter(table["entries"])
            name, number, count, total = heading.groups()
            if (int(number), name, line.strip()) != (table["table"], table["shown_name"], table["shown"]):
                failures.append("%s: table %s in text, %d in JSON" % (where, number, table["table"]))
            if (int(count), int(total)) != (len(table["entries"]), table["positions"]):
                failures.append("%s: table %s has %s entries of %s in text, %d of %d in JSON"
                                % (where, number, count, total, len(table["entries"]), table["positions"]))
            continue
        if line.startswith("    a pick is the draw") and table is not None:
            if table["shown_remainder"] != line.strip():
                failures.append("%s: table %d's remainder differs" % (where, table["table"]))
            continue
        row = ROW.match(line)
        if row and entries is not None:
            entry = next(entries)
            percent, one_in, weight, total, shown = row.groups()
            expected_text = ("prefix + suffix (a prefix joined to a suffix)"
                             if entry["prefix_and_suffix"] else '"%s"' % printable(entry["text"]))
            checks = [
                (entry["shown"], percent + ", " + one_in, "shown"),
                (entry["positions"], int(weight), "weight"),
                (table["positions"], int(total), "total weight"),
                (entry["shown_weight"], weight + " of " + total, "shown_weight"),
                (expected_text, shown, "text"),
                (entry["shown_text"], shown, "shown_text"),
                (entry["draws"] * entry["denominator"], entry["numerator"] * 32768, "draws"),
            ]
            for want, got, name in checks:
                if want != got:
                    failures.append("%s: %s: JSON %r, text %r" % (where, name, want, got))
            continue
        dice = re.match(r"^  dice \(random(.*)\)(?:, line (\d+))?: (?:totals (-?\d+) to (-?\d+)|does not read)", line)
        if dice:
            entries = None
            expression, number, lowest, highest = dice.groups()
            match = [d for d in odds["dice"] if printable(d["expression"]) == expression]
            if not match or match[0]["shown"] != line.strip():
                failures.append("%s: dice %r not in JSON" % (where, expression))
            elif lowest is not None and (int(lowest), int(highest)) != (
                    match[0]["lowest"], match[0]["highest"]):
                failures.append("%s: dice %r range differs" % (where, expression))
            continue
        own = re.match(r"^  weft's own lines: in ([\d,]+) rolls, (?:no line|([\d,]+) (?:different )?l)",
                       line)
        if own:
            counts = [int((figure or "0").replace(",", "")) for figure in own.groups()]
            sampled = odds["lines"]["sampled"] or {}
            if counts != [sampled.get("rolls"), sampled.get("distinct")]:
                failures.append("%s: weft's own lines differ: %r" % (where, line))
            continue
        lines = re.match(r"^  lines.*?: (?:at least )?(\d+) (?:different )?lines?", line)
        if lines:
            entries = None
            if int(lines.group(1)) != odds["lines"]["distinct"]:
                failures.append("%s: %s lines in text, %d in JSON"
                                % (where, lines.group(1), odds["lines"]["distinct"]))
    return failures


def check(checker, cwd, args, stats):
    where = "%s: %s%s" % (cwd, " ".join(args), " --stats" if stats else "")
    extra = ["--stats"] if stats else []
    text = subprocess.run([checker] + extra + args, cwd=cwd, stdout=subprocess.PIPE)
    out = subprocess.run([checker, "--format=json"] + extra + args, cwd=cwd,
                         stdout=subprocess.PIPE)
    failures = []
    if text.returncode != out.returncode:
        failures.append("%s: status %d in text, %d in JSON" % (where, text.returncode, out.returncode))
    try:
        report = json.loads(out.stdout.decode("utf-8"))
    except (UnicodeDecodeError, ValueError) as error:
        return ["%s: not valid JSON: %s" % (where, error)]
    diagnostics, summary, blocks = parse_text(
        text.stdout.decode("utf-8", "latin1_for_invalid"))
    wanted = [line for d in report["diagnostics"] for line in diagnostic_lines(d)]
    if any(d["severity"] not in ("error", "warning", "note") for d in report["diagnostics"]):
        failures.append("%s: a severity other than error, warning or note" % where)
    counts = {kind: sum(d["severity"] == kind[:-1] for d in report["diagnostics"])
              for kind in ("errors", "warnings", "notes")}
    if counts != {kind: report["summary"][kind] for kind in counts}:
        failures.append("%s: the summary counts %r, the diagnostics %r" % (where, report["summary"], counts))
    if wanted != diagnostics:
        for a, b in zip(wanted + [None] * len(diagnostics), diagnostics + [None] * len(wanted)):
            if a != b:
                failures.append("%s: JSON %r, text %r" % (where, a, b))
                break
    if report["summary"]["text"] != summary:
        failures.append("%s: summary %r, text %r" % (where, report["summary"]["text"], summary))
    if report["status"] != text.returncode:
        failures.append("%s: status field %d" % (where, report["status"]))
    if stats:
        if len(report["stats"]) != len(blocks):
            failures.append("%s: %d stats blocks in JSON, %d in text"
                            % (where, len(report["stats"]), len(blocks)))
        for block, odds in zip(blocks, report["stats"]):
            failures += compare_stats(block, odds, where)
    elif report["stats"] is not None:
        failures.append("%s: stats without --stats" % where)
    return failures


def main():
    checker, cases, examples = (os.path.abspath(a) for a in sys.argv[1:4])
    runs = []
    for name in sorted(os.listdir(cases)):
        folder = os.path.join(cases, name)
        args_file = os.path.join(folder, "args")
        args = open(args_file).read().split() if os.path.exists(args_file) else ["main.dat"]
        runs.append((folder, args))
    for root, _, files in os.walk(examples):
        for name in sorted(files):
            relative = os.path.relpath(os.path.join(root, name), examples)
            runs.append((examples, [relative.replace("/", "\\") if "/" in relative else relative]))
    scratch = tempfile.mkdtemp(prefix="weft-json-")
    with open(os.path.join(scratch, "bytes.dat"), "wb") as f:
        f.write(b"caf\xe9 (random 1d6+0) \xc3\xa9t\xc3\xa9\n\xff\xfe \"quoted\" \\ back (x\x01y)\n"
                b"(table1)\n%table 1\na\tb:2\n\xed\xa0\x80 surrogate\n")
    runs.append((scratch, ["bytes.dat"]))
    failures = []
    try:
        for cwd, args in runs:
            for stats in (False, True):
                failures += check(checker, cwd, args, stats)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    for failure in failures:
        print("FAIL: " + failure)
    print("%d reports compared, %d failures" % (2 * len(runs), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
