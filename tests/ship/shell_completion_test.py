"""Drives the zsh or fish completion of weft and weft-check in a real
interactive shell on a pseudo-terminal: types a command line and a tab, then
a key bound to write the shell's edit buffer to a file, and compares that
buffer, the text the completion inserted, with the one expected.

usage: shell_completion_test.py zsh|fish SHELL_PATH COMPLETIONS_DIR
"""

import os
import pty
import select
import shutil
import sys
import tempfile
import time

# (typed, expected buffer, shells) rows; "\\\\" in a buffer is the shell's
# quoting of the one backslash that weft splits the operand at. fish offers
# only what begins with the typed word, so a folder typed with its slash
# does not turn into the backslash form there.
CASES = [
    ("weft ta", "weft tavern.dat ", "zsh fish"),
    ("weft -t -n 3 na", "weft -t -n 3 names.ele ", "zsh fish"),
    ("weft no", "weft notes.txt ", "zsh fish"),
    ("weft sp", "weft spaced\\ name", "zsh fish"),
    ("weft wilderness\\\\e", "weft wilderness\\\\encounters.dat ", "zsh fish"),
    ("weft wilderness/fo", "weft wilderness/forest", "zsh fish"),
    ("weft wilderness/forest\\\\", "weft wilderness/forest\\\\forest.dat ", "zsh fish"),
    ("weft 'wilderness\\e", "weft 'wilderness\\encounters.dat' ", "zsh"),
    ("weft 'wilderness\\\\e", "weft 'wilderness\\\\encounters.dat' ", "fish"),
    ("weft spaced\\ name/", "weft spaced\\ name\\\\x.dat ", "zsh"),
    ("weft-check --st", "weft-check --stats ", "zsh fish"),
    ("weft-check --format=j", "weft-check --format=json ", "zsh fish"),
    ("weft-check --exp", "weft-check --explain=", "zsh"),
    ("weft-check --exp", "weft-check --explain ", "fish"),
    ("weft-check -S wilderness/forest\\\\f", "weft-check -S wilderness/forest\\\\forest.dat ",
     "zsh fish"),
    ("weft-check -S wilderness/forest/", "weft-check -S wilderness/forest\\\\forest.dat ", "zsh"),
    ("weft-roll --keep-c", "weft-roll --keep-case ", "zsh fish"),
    ("weft-roll --format=m", "weft-roll --format=markdown ", "zsh fish"),
    ("weft-roll -u wilderness\\\\e", "weft-roll -u wilderness\\\\encounters.dat ", "zsh fish"),
    ("weft-export --to=ro", "weft-export --to=roll20 ", "zsh fish"),
    ("weft-export --to=obsidian wilderness\\\\e", "weft-export --to=obsidian wilderness\\\\encounters.dat ",
     "zsh fish"),
]


def make_tree(root):
    for folder in ("wilderness/forest", "spaced name"):
        os.makedirs(os.path.join(root, folder))
    for name in ("tavern.dat", "names.ele", "notes.txt", "wilderness/encounters.dat",
                 "wilderness/forest/forest.dat", "spaced name/x.dat"):
        open(os.path.join(root, name), "w").close()


def start_command(shell, shell_path, completions, dump):
    if shell == "zsh":
        setup = (f"fpath=({completions} $fpath); autoload -Uz compinit; compinit -u -D; "
                 f"_dump() {{ print -r -- \"$BUFFER\" > {dump}; }}; zle -N _dump; bindkey '^G' _dump\n")
        return [shell_path, "-f", "-i"], setup
    setup = (f"source {completions}/weft.fish; source {completions}/weft-check.fish; "
             f"source {completions}/weft-roll.fish; "
             f"source {completions}/weft-export.fish; "
             f"bind \\cg 'commandline > {dump}'\n")
    return [shell_path, "--no-config", "-i"], setup


def drain(fd, seconds):
    end = time.time() + seconds
    while time.time() < end:
        ready, _, _ = select.select([fd], [], [], 0.05)
        if ready:
            try:
                os.read(fd, 65536)
            except OSError:
                return


def complete(shell, shell_path, completions, cwd, typed):
    dump = os.path.join(cwd, "..", "buffer")
    if os.path.exists(dump):
        os.remove(dump)
    argv, setup = start_command(shell, shell_path, completions, dump)
    pid, fd = pty.fork()
    if pid == 0:
        os.chdir(cwd)
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": os.path.dirname(cwd),
               "TERM": "dumb", "LC_ALL": "C.UTF-8", "PS1": "$ "}
        os.execve(shell_path, argv, env)
    try:
        os.write(fd, setup.encode())
        drain(fd, 0.5)
        os.write(fd, typed.encode() + b"\t")
        drain(fd, 0.5)
        os.write(fd, b"\x07")
        end = time.time() + 5
        while time.time() < end and not os.path.exists(dump):
            drain(fd, 0.1)
        drain(fd, 0.1)
    finally:
        os.kill(pid, 9)
        os.waitpid(pid, 0)
        os.close(fd)
    if not os.path.exists(dump):
        return None
    with open(dump) as f:
        return f.read().rstrip("\n")


def main():
    shell, shell_path, completions = sys.argv[1], sys.argv[2], os.path.abspath(sys.argv[3])
    scratch = tempfile.mkdtemp()
    failures = 0
    try:
        tree = os.path.join(scratch, "tree")
        make_tree(tree)
        for typed, want, shells in CASES:
            if shell not in shells.split():
                continue
            got = complete(shell, shell_path, completions, tree, typed)
            status = "ok" if got == want else "FAIL"
            failures += got != want
            print(f"{status}: {shell}: typed {typed!r}: got {got!r}, want {want!r}")
    finally:
        shutil.rmtree(scratch)
    print(f"{failures} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
