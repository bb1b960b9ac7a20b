#!/usr/bin/env python3
"""Runs the examples of a Markdown document through weft and checks them.

A fenced block whose info string is `weft file=NAME` is a data file: its text
is written to NAME (sub-folders are made as needed). A fenced `console` block
holds commands, each on a line starting with "$ ", and below each command the
output it must print, standard output and standard error together. Every
heading starts a new, empty scratch folder, so each section of the document
stands on its own; the commands of a section run in its folder, in one bash
shell per block, with `weft` running the binary named by $WEFT under the clock
frozen by the library named by $WEFT_FROZEN_TIME_LIB (2026-01-01 00:00 UTC
unless $WEFT_FROZEN_TIME says otherwise).

`weft-check` runs the binary named by $WEFT_CHECK, when set, and `weft-roll`
the one named by $WEFT_ROLL, under the frozen clock. The programs
are also on the PATH of the commands, under their own names, so that a
command such as `faketime -f '2026-01-01 12:00:00' weft ...` runs the real weft
under another program's clock (TZ is UTC).

With --cwd DIR, commands run in DIR instead and data file blocks are refused.
With --only WORDS (comma-separated), console blocks run only when every
command in them starts with one of WORDS (a README may show other tools'
commands). With --without PROGRAM, console blocks that use PROGRAM are left
out, with a message (for a tool that is not installed).

A data file block must be named in the prose just before it, so that readers
know what to call it, and must be used by a console block of its section.
A `console norun` block, and any other fenced block, is left alone.

Exits with status 0 when every command printed what the document shows.
"""

import argparse
import difflib
import os
import re
import shutil
import subprocess
import sys
import tempfile

FENCE = re.compile(r"^(```+|~~~+)\s*(.*)$")
MARK = re.compile(r"\x1e(\d+|end)\x1e\n")


class Block:
    def __init__(self, kind, info, lines, line_number, section, prose):
        self.kind = kind
        self.info = info
        self.lines = lines
        self.line_number = line_number
        self.section = section
        self.prose = prose


def parse_blocks(text):
    """Returns the fenced blocks of a Markdown text, each with its section
    number and the last few lines of prose in front of it."""
    blocks = []
    section = 0
    prose = []
    lines = text.split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        fence = FENCE.match(line)
        if fence:
            marker, info = fence.group(1), fence.group(2).strip()
            start = i + 1
            body = []
            i += 1
            while i < len(lines) and not lines[i].startswith(marker):
                body.append(lines[i])
                i += 1
            words = info.split()
            kind = words[0] if words else ""
            attributes = dict(w.split("=", 1) if "=" in w else (w, "") for w in words[1:])
            blocks.append(Block(kind, attributes, body, start, section, list(prose)))
            prose = []
        elif line.startswith("#"):
            section += 1
            prose = []
        elif line.strip():
            prose = (prose + [line])[-6:]
        i += 1
    return blocks


def parse_console(block):
    """Returns (command, expected output) pairs of a console block."""
    pairs = []
    for line in block.lines:
        if line.startswith("$ "):
            pairs.append([line[2:], []])
        elif pairs:
            pairs[-1][1].append(line)
        elif line.strip():
            raise ValueError("output before the first command")
    return [(command, "".join(l + "\n" for l in out)) for command, out in pairs]


def run_commands(commands, cwd, env):
    """Runs the commands in one bash shell in cwd; returns their outputs."""
    script = [
        "exec 2>&1",
        'weft() { LD_PRELOAD="$WEFT_FROZEN_TIME_LIB" "$WEFT" "$@"; }',
        'weft-check() { "$WEFT_CHECK" "$@"; }',
        'weft-roll() { LD_PRELOAD="$WEFT_FROZEN_TIME_LIB" "$WEFT_ROLL" "$@"; }',
        "__mark() { local s=$?; printf '\\036%s\\036\\n' \"$1\"; return $s; }",
    ]
    for index, command in enumerate(commands):
        script.append("__mark %d" % index)
        script.append(command)
    script.append("__mark end")
    result = subprocess.run(
        ["bash", "--noprofile", "--norc", "-c", "\n".join(script)],
        cwd=cwd, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
        timeout=60)
    output = result.stdout.decode("utf-8", "replace")
    pieces = MARK.split(output)
    # pieces: text before the first mark, then (name, text) pairs.
    outputs = {}
    for name, text in zip(pieces[1::2], pieces[2::2]):
        if name != "end":
            outputs[int(name)] = text
    return [outputs.get(i, "<no output: the shell stopped early>\n")
            for i in range(len(commands))]


def uses(pairs, program):
    return any(re.search(r"(^|[\s;|&(])" + re.escape(program) + r"\b", c) for c, _ in pairs)


def check(path, cwd_override, only, without, env):
    with open(path, encoding="utf-8") as f:
        blocks = parse_blocks(f.read())
    failures = []
    checked = 0
    scratch_root = tempfile.mkdtemp(prefix="weft-doc-")
    try:
        sections_with_files = {}
        sections_with_commands = set()
        for block in blocks:
            where = "%s:%d" % (path, block.line_number)
            folder = cwd_override or os.path.join(scratch_root, "section%d" % block.section)
            os.makedirs(folder, exist_ok=True)
            if block.kind == "weft":
                name = block.info.get("file")
                if not name:
                    failures.append("%s: a weft block needs file=NAME" % where)
                    continue
                if cwd_override:
                    failures.append("%s: data file blocks are not run here" % where)
                    continue
                if not any(name in line for line in block.prose):
                    failures.append("%s: the text before the block does not name %s" % (where, name))
                target = os.path.join(folder, name)
                os.makedirs(os.path.dirname(target), exist_ok=True)
                with open(target, "w", encoding="utf-8", newline="\n") as f:
                    f.write("".join(line + "\n" for line in block.lines))
                sections_with_files.setdefault(block.section, where)
            elif block.kind == "console" and "norun" not in block.info:
                try:
                    pairs = parse_console(block)
                except ValueError as error:
                    failures.append("%s: %s" % (where, error))
                    continue
                if only and not all(c.split()[:1][0] in only for c, _ in pairs if c.split()):
                    continue
                missing = [p for p in without if uses(pairs, p)]
                if missing:
                    print("%s: left out, %s is not installed" % (where, missing[0]))
                    sections_with_commands.add(block.section)
                    continue
                sections_with_commands.add(block.section)
                outputs = run_commands([c for c, _ in pairs], folder, env)
                for (command, expected), got in zip(pairs, outputs):
                    checked += 1
                    if got != expected:
                        diff = "".join(difflib.unified_diff(
                            expected.splitlines(True), got.splitlines(True),
                            "shown", "printed"))
                        failures.append("%s: $ %s\n%s" % (where, command, diff))
        for section, where in sections_with_files.items():
            if section not in sections_with_commands:
                failures.append("%s: no console block runs this section's data files" % where)
    finally:
        shutil.rmtree(scratch_root, ignore_errors=True)
    return checked, failures


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cwd", help="run the commands in this folder")
    parser.add_argument("--only", help="run only console blocks of these commands")
    parser.add_argument("--without", action="append", default=[],
                        help="leave out console blocks that use this program")
    parser.add_argument("documents", nargs="+")
    args = parser.parse_args()
    env = dict(os.environ)
    for name in ("WEFT", "WEFT_FROZEN_TIME_LIB"):
        if name not in env:
            sys.exit("%s is not set" % name)
        env[name] = os.path.abspath(env[name])
    env.setdefault("LC_ALL", "C")
    env["TZ"] = "UTC"
    shims = tempfile.mkdtemp(prefix="weft-doc-bin-")
    for name, variable in (("weft", "WEFT"), ("weft-check", "WEFT_CHECK")):
        if variable in env:
            env[variable] = os.path.abspath(env[variable])
            os.symlink(env[variable], os.path.join(shims, name))
    if env.get("WEFT_ROLL"):
        env["WEFT_ROLL"] = os.path.abspath(env["WEFT_ROLL"])
        os.symlink(env["WEFT_ROLL"], os.path.join(shims, "weft-roll"))
    # weft-export, when set, is on the PATH under its own name too.
    if env.get("WEFT_EXPORT"):
        env["WEFT_EXPORT"] = os.path.abspath(env["WEFT_EXPORT"])
        os.symlink(env["WEFT_EXPORT"], os.path.join(shims, "weft-export"))
    env["PATH"] = shims + os.pathsep + env.get("PATH", "")
    cwd = os.path.abspath(args.cwd) if args.cwd else None
    only = set(args.only.split(",")) if args.only else None
    total = 0
    all_failures = []
    try:
        for document in args.documents:
            checked, failures = check(document, cwd, only, args.without, env)
            total += checked
            all_failures += failures
    finally:
        shutil.rmtree(shims, ignore_errors=True)
    for failure in all_failures:
        print("FAIL: " + failure)
    print("%d commands checked, %d failures" % (total, len(all_failures)))
    if total == 0:
        print("FAIL: no command found")
        return 1
    return 1 if all_failures else 0


if __name__ == "__main__":
    sys.exit(main())
