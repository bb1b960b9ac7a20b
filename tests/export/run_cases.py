"""Runs the cases of weft-export in cases.txt, one case or all.

A case starts with "=== NAME" and holds blocks, each from a line "--- KIND
[NAME]" to the next such line:
  --- args               the command line after the program, one argument a line
  --- file PATH          a file to make in the case's folder (bytes \\xNN allowed)
  --- status             the exit status expected
  --- stdout / stderr    the exact text expected on that stream
  --- expect PATH        the exact text of a file written (PATH may hold a *)
  --- expect-json PATH   the same, compared as JSON
  --- absent PATH        a file or folder that must not exist afterwards
Every case runs in a fresh folder, which is the working directory.

usage: run_cases.py WEFT_EXPORT CASES [NAME]
"""
import glob
import json
import os
import re
import subprocess
import sys
import tempfile


def read_cases(path):
    cases, case, block = {}, None, None
    with open(path, encoding="utf-8") as f:
        for line in f.read().split("\n"):
            if line.startswith("=== "):
                case = cases.setdefault(line[4:].strip(), [])
                block = None
            elif line.startswith("--- ") and case is not None:
                kind, _, name = line[4:].partition(" ")
                block = [kind, name.strip(), []]
                case.append(block)
            elif block is not None:
                block[2].append(line)
    return cases


def text_of(lines):
    """The text of a block; \\u2060, the invisible word joiner, stands for itself."""
    while lines and lines[-1] == "":
        lines = lines[:-1]
    return ("\n".join(lines) + "\n" if lines else "").replace("\\u2060", "\u2060")


def raw(text):
    """The bytes of a file body: \\xNN is that byte, \\r a carriage return."""
    body = re.sub(rb"\\x([0-9a-fA-F]{2})", lambda m: bytes([int(m.group(1), 16)]),
                  text.encode("utf-8"))
    return body.replace(rb"\r", b"\r")


def one_file(folder, pattern):
    found = glob.glob(os.path.join(folder, pattern))
    if len(found) != 1:
        raise AssertionError(f"{pattern}: {len(found)} files match")
    with open(found[0], encoding="utf-8") as f:
        return f.read()


def run_case(program, name, blocks):
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        args, checks = [], []
        for kind, path, lines in blocks:
            if kind == "args":
                args = [line for line in lines if line]
            elif kind == "file":
                os.makedirs(os.path.dirname(os.path.join(folder, path)) or folder, exist_ok=True)
                with open(os.path.join(folder, path), "wb") as f:
                    f.write(raw(text_of(lines)))
            else:
                checks.append((kind, path, lines))
        run = subprocess.run(["weft-export"] + args, executable=program, cwd=folder,
                             capture_output=True)
        streams = {"stdout": run.stdout.decode("utf-8", "replace"),
                   "stderr": run.stderr.decode("utf-8", "replace")}
        for kind, path, lines in checks:
            expected = text_of(lines)
            try:
                if kind == "status":
                    actual = str(run.returncode) + "\n"
                elif kind in streams:
                    actual = streams[kind]
                elif kind == "expect":
                    actual = one_file(folder, path)
                elif kind == "expect-json":
                    actual = json.dumps(json.loads(one_file(folder, path)), sort_keys=True)
                    expected = json.dumps(json.loads(expected), sort_keys=True)
                elif kind == "absent":
                    actual, expected = str(glob.glob(os.path.join(folder, path))), "[]"
                else:
                    raise AssertionError(f"unknown block {kind}")
            except (AssertionError, ValueError) as error:
                failures.append(f"{name}: {kind} {path}: {error}")
                continue
            if actual != expected:
                failures.append(f"{name}: {kind} {path}\n--- expected\n{expected}\n--- actual\n{actual}\n")
    return failures


def main():
    program, cases_path = sys.argv[1], sys.argv[2]
    cases = read_cases(cases_path)
    names = sys.argv[3:] or list(cases)
    failures = []
    for name in names:
        failures += run_case(program, name, cases[name])
    for failure in failures:
        print(failure)
    print(f"{len(names) - len({f.split(':')[0] for f in failures})} passed, "
          f"{len({f.split(':')[0] for f in failures})} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
