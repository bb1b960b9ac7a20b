#!/usr/bin/env python3
"""Checks that doc_examples.py passes a correct document and catches the
faults it exists to catch: wrong output, a missing status line, an unnamed or
unused data file, a data file left over from another section."""

import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))

GOOD = """# Good

Save this as `orcs.dat`:

```weft file=orcs.dat
orc
```

```console
$ weft orcs.dat
Orc
$ weft missing.dat; echo "status $?"
Can't read missing.dat
status 254
```
"""

CASES = [
    ("good", GOOD, 0, "2 commands checked, 0 failures"),
    ("wrong output", GOOD.replace("\nOrc\n", "\nGoblin\n"), 1, "-Goblin"),
    ("wrong status", GOOD.replace("status 254", "status 1"), 1, "+status 254"),
    ("unnamed file", GOOD.replace("Save this as `orcs.dat`:", "Save this:"), 1,
     "does not name orcs.dat"),
    ("unused file", GOOD.split("```console")[0], 1, "no console block runs"),
    ("sections apart", GOOD + "\n## Next\n\n```console\n$ weft orcs.dat\nOrc\n```\n", 1,
     "Can't read orcs.dat"),
    ("no file name", "# X\n\n```weft\norc\n```\n", 1, "needs file=NAME"),
    ("norun", GOOD + "\n```console norun\n$ weft-nothing\nhello\n```\n", 0,
     "2 commands checked, 0 failures"),
]


def main():
    failures = 0
    with tempfile.TemporaryDirectory() as scratch:
        for name, text, want_status, want_text in CASES:
            document = os.path.join(scratch, "doc.md")
            with open(document, "w") as f:
                f.write(text)
            result = subprocess.run(
                [sys.executable, os.path.join(HERE, "doc_examples.py"), document],
                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            if result.returncode != want_status or want_text not in result.stdout:
                failures += 1
                print("FAIL: %s: status %d, output:\n%s" % (name, result.returncode, result.stdout))
    print("%d cases, %d failures" % (len(CASES), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
