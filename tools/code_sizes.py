#!/usr/bin/env python3
"""Prints the longest functions and classes of the C++ sources below the given folders.

    code_sizes.py [--most N] [--over LINES] [--exclude PREFIX]... FOLDER...

A function counts from the line its definition starts on to its closing brace. A class counts
its body and every member function defined outside it. Universal Ctags finds both."""
import argparse
import json
import os
import re
import subprocess
import sys


def tags(folders):
    files = []
    for folder in folders:
        for dirpath, _, names in os.walk(folder):
            files += [os.path.join(dirpath, n) for n in names if n.endswith((".cpp", ".h", ".c"))]
    out = subprocess.run(["ctags", "--output-format=json", "--fields=+neKZ", "--kinds-C++=+f",
                          "--language-force=C++", "-f", "-"] + sorted(files),
                         check=True, capture_output=True, text=True).stdout
    return [json.loads(line) for line in out.splitlines() if line.startswith("{")]


def sizes(all_tags):
    functions, classes = [], {}
    for t in all_tags:
        if "end" not in t or t["name"].startswith("__anon"):
            continue
        length = t["end"] - t["line"] + 1
        scope = t.get("scope", "")
        full = scope + "::" + t["name"] if scope else t["name"]
        shown = re.sub(r"__anon\w+::", "", full)
        if t["kind"] == "function":
            functions.append((length, "%s:%d %s" % (t["path"], t["line"], shown), t))
        elif t["kind"] in ("class", "struct"):
            classes[full] = [length, "%s:%d %s" % (t["path"], t["line"], shown), t]
    # Members defined outside the body count with their class.
    for length, _, t in functions:
        owner = classes.get(t.get("scope", ""))
        if owner is None or t.get("scopeKind") not in ("class", "struct"):
            continue
        body = owner[2]
        inside = body["path"] == t["path"] and body["line"] <= t["line"] <= body["end"]
        if not inside:
            owner[0] += length
    return sorted(functions, key=lambda f: -f[0]), sorted(classes.values(), key=lambda c: -c[0])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("folders", nargs="+")
    parser.add_argument("--most", type=int, default=5, help="rows of each list (default 5)")
    parser.add_argument("--over", type=int, default=0,
                        help="list every function longer than this instead")
    parser.add_argument("--exclude", action="append", default=[], help="leave out paths so starting")
    args = parser.parse_args()
    kept = [t for t in tags(args.folders)
            if not any(t["path"].startswith(p) for p in args.exclude)]
    functions, classes = sizes(kept)
    if args.over:
        functions = [f for f in functions if f[0] > args.over]
        classes = [c for c in classes if c[0] > 5 * args.over]
    else:
        functions, classes = functions[:args.most], classes[:args.most]
    print("functions:")
    for length, where, _ in functions:
        print("  %4d  %s" % (length, where))
    print("classes:")
    for length, where, _ in classes:
        print("  %4d  %s" % (length, where))
    return 0


if __name__ == "__main__":
    sys.exit(main())
