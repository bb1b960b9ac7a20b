"""weft in headless Chromium against the native binary, byte for byte.

The cases are every run of weft in the end-to-end tests (tests/cli/*.t) that
the JavaScript API can express, recorded while those commands run: the files
of the test's folder, the folder, the arguments, the clock and the option-order
variable. To these come every bundled example under several fixed clocks.
Each case runs through weft.run in the page and through the native binary on
the same files; standard output, standard error, both streams together and
the exit status must be identical. Afterwards the page times `-n 1000` of the
tavern example and 100 independent lines (printed, not judged).

The odds of every example, and weft-check's own test cases, are compared the
same way: weft.check in the page against `weft-check --format=json --stats`.

Environment: WEFT_SITE (the built site), WEFT and WEFT_CHECK (the native
binaries), WEFT_FROZEN_TIME_LIB, WEFT_EXAMPLES, WEFT_CLI_TESTS, WEFT_CHECK_CASES.
"""

import base64
import concurrent.futures
import io
import json
import os
import pathlib
import re
import subprocess
import sys
import tarfile
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser  # noqa: E402

ENV = os.environ
DEFAULT_CLOCK = "1767225600"
MAX_TREE_KB = 2048
MAX_OUTPUT = 4 << 20
NATIVE_TIMEOUT = 3
EXAMPLE_CLOCKS = [0, 1767225600, 2147483647, 4294967301, -86400]

# Replaces setup.sh of the end-to-end tests: runs weft as they do, and first
# records the run in a folder of its own under $WEFT_CASES.
RECORDER = r"""
weft() {
  weft_record "$@"
  LD_PRELOAD="$WEFT_FROZEN_TIME_LIB${LD_PRELOAD:+:$LD_PRELOAD}" "$WEFT" "$@"
}
weft_record() {
  local case
  case=$(mktemp -d "$WEFT_CASES/case.XXXXXX")
  printf '%s\0' "$@" > "$case/args"
  printf '%s' "$PWD" > "$case/cwd"
  printf '%s' "${WEFT_FROZEN_TIME-__DEFAULT_CLOCK__}" > "$case/time"
  env -0 > "$case/env"
  if [ "$(du -sk --apparent-size "$WEFT_CASE_TOP" | cut -f1)" -le __MAX_TREE_KB__ ]; then
    tar -C "$WEFT_CASE_TOP" -cf "$case/files.tar" . 2>/dev/null || rm -f "$case/files.tar"
  fi
}
""".replace("__DEFAULT_CLOCK__", DEFAULT_CLOCK).replace("__MAX_TREE_KB__", str(MAX_TREE_KB))

# Replaces hostile.sh: its runs under limits are recorded too.
HOSTILE_RECORDER = r"""
. "$WEFT_CLI_TESTS/hostile.sh"
eval "limited_$(declare -f guarded)"
guarded() {
  weft_record "$@"
  limited_guarded "$@"
}
"""


def commands_of(test_file):
    """The shell commands of a cram test, in order."""
    commands = []
    for line in test_file.read_text(encoding="utf-8", errors="surrogateescape").splitlines():
        if line.startswith("  $ "):
            commands.append(line[4:])
        elif line.startswith("  > ") and commands:
            commands[-1] += "\n" + line[4:]
    return commands


def clock_of(text):
    """The second the frozen clock gives for WEFT_FROZEN_TIME's text (as strtoll reads it)."""
    match = re.match(r"\s*([+-]?\d+)", text)
    if not match:
        return 0
    return max(-(1 << 63), min((1 << 63) - 1, int(match.group(1))))


def read_case(folder, top):
    """A recorded run as a case, or None with the reason it cannot be expressed."""
    args = (folder / "args").read_bytes().split(b"\0")[:-1]
    if any(arg.startswith(b"/") for arg in args):
        return None, "an absolute path"
    cwd = os.path.relpath((folder / "cwd").read_text(), top)
    if cwd.startswith(".."):
        return None, "outside the test's folder"
    if not (folder / "files.tar").exists():
        return None, "files too large"
    files = {}
    with tarfile.open(folder / "files.tar") as archive:
        for member in archive.getmembers():
            name = os.path.normpath(member.name)
            if name == ".":
                continue
            if member.isdir():
                files[name + "/"] = b""
            elif member.isfile() and member.mode & 0o400:
                files[name] = archive.extractfile(member).read()
            else:
                return None, "a file the API cannot make (link, pipe or unreadable)"
    variables = {}
    for entry in (folder / "env").read_bytes().split(b"\0"):
        name, _, value = entry.partition(b"=")
        if name.upper() == b"_POSIX_OPTION_ORDER":
            variables[name.decode("latin-1")] = value
    return {
        "source": folder.parent.name,
        "files": files,
        "args": args,
        "cwd": "" if cwd == "." else cwd,
        "time": clock_of((folder / "time").read_text()),
        "env": variables,
    }, None


def cli_cases(work):
    """Records every run of weft in the end-to-end tests."""
    cli = pathlib.Path(ENV["WEFT_CLI_TESTS"])
    shadow = work / "testdir"
    shadow.mkdir()
    for item in cli.iterdir():
        if item.name not in ("setup.sh", "hostile.sh"):
            (shadow / item.name).symlink_to(item)
    (shadow / "setup.sh").write_text(RECORDER)
    (shadow / "hostile.sh").write_text(HOSTILE_RECORDER)
    cases, skipped = [], {}
    for test_file in sorted(cli.glob("*.t")):
        top = work / "run" / test_file.stem
        store = work / "cases" / test_file.stem
        top.mkdir(parents=True)
        store.mkdir(parents=True)
        script = "\n".join(commands_of(test_file)) + "\n"
        env = {key: value for key, value in ENV.items() if not key.startswith("WEFT_FROZEN_TIME=")}
        env.update(TESTDIR=str(shadow), TESTFILE=test_file.name, WEFT_CASES=str(store),
                   WEFT_CASE_TOP=str(top), CRAMTMP=str(work / "run"), LC_ALL="C", TZ="UTC")
        env.pop("WEFT_FROZEN_TIME", None)
        subprocess.run(["/bin/bash", "-c", script], cwd=top, env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        for folder in sorted(store.iterdir()):
            case, reason = read_case(folder, top)
            if case is None:
                skipped[reason] = skipped.get(reason, 0) + 1
            else:
                case["name"] = f"{test_file.name} #{len(cases)}"
                cases.append(case)
    return cases, skipped


def example_cases():
    """Every bundled example under several clocks, from its own folder."""
    root = pathlib.Path(ENV["WEFT_EXAMPLES"])
    files = {str(p.relative_to(root)): p.read_bytes() for p in sorted(root.rglob("*")) if p.is_file()}
    cases = []
    for path in files:
        folder, name = os.path.split(path)
        runs = [(["-t", "-n", "20", name], clock) for clock in EXAMPLE_CLOCKS]
        runs.append((["-ddd", "-s", "99", "-n", "3", name], 7))
        for args, clock in runs:
            cases.append({"name": f"example {path} {' '.join(args)} at {clock}", "files": files,
                          "args": [a.encode() for a in args], "cwd": folder, "time": clock, "env": {}})
    return cases


def run_native(case, work):
    """Runs the native binary on the case's files; None when it does not end in time."""
    top = pathlib.Path(tempfile.mkdtemp(dir=work))
    for name, contents in case["files"].items():
        path = top / name
        if name.endswith("/"):
            path.mkdir(parents=True, exist_ok=True)
        else:
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(contents)
    cwd = top / case["cwd"]
    cwd.mkdir(parents=True, exist_ok=True)
    env = {"LD_PRELOAD": ENV["WEFT_FROZEN_TIME_LIB"], "WEFT_FROZEN_TIME": str(case["time"]), "LC_ALL": "C"}
    env.update({k.encode("latin-1"): v for k, v in case["env"].items()})
    command = [b"weft"] + case["args"]
    try:
        apart = subprocess.run(command, executable=ENV["WEFT"], cwd=cwd, env=env, capture_output=True,
                               stdin=subprocess.DEVNULL, timeout=NATIVE_TIMEOUT)
        together = subprocess.run(command, executable=ENV["WEFT"], cwd=cwd, env=env, stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, timeout=NATIVE_TIMEOUT)
    except subprocess.TimeoutExpired:
        return None
    if apart.returncode < 0 or len(together.stdout) > MAX_OUTPUT:
        return None
    return {"stdout": apart.stdout, "stderr": apart.stderr, "combined": together.stdout,
            "status": apart.returncode}


def b64(data):
    return base64.b64encode(data).decode("ascii")


RUN_CASES = """
const [cases] = arguments;
return (async () => {
  const weft = (await import('/weft.js')).default;
  const bytes = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
  const text = (data) => {
    let s = '';
    for (let i = 0; i < data.length; i += 8192) s += String.fromCharCode.apply(null, data.subarray(i, i + 8192));
    return btoa(s);
  };
  const results = [];
  for (const c of cases) {
    const files = {};
    for (const [name, contents] of Object.entries(c.files)) files[name] = bytes(contents);
    const env = {};
    for (const [name, value] of Object.entries(c.env)) env[name] = bytes(value);
    try {
      const r = await weft.run({ files, args: c.args.map(bytes), time: BigInt(c.time), cwd: c.cwd, env });
      results.push({ stdout: text(r.stdout), stderr: text(r.stderr), combined: text(r.combined), status: r.status });
    } catch (error) {
      results.push({ error: String(error && error.message || error) });
    }
  }
  return results;
})();
"""

CHECK_CASES = """
const [cases] = arguments;
return (async () => {
  const weft = (await import('/weft.js')).default;
  const bytes = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
  const results = [];
  for (const c of cases) {
    const files = {};
    for (const [name, contents] of Object.entries(c.files)) files[name] = bytes(contents);
    try {
      const r = await weft.check({ files, args: c.args.map(bytes), cwd: c.cwd });
      results.push({ report: r.report, status: r.status });
    } catch (error) {
      results.push({ error: String(error && error.message || error) });
    }
  }
  return results;
})();
"""

TIMINGS = """
const [tavern] = arguments;
return (async () => {
  const weft = (await import('/weft.js')).default;
  const { independentSeconds } = await import('/seconds.js');
  await weft.load();
  const files = { 'tavern.dat': tavern };
  await weft.run({ files, args: ['-n', '1', 'tavern.dat'], time: 1 });
  let start = performance.now();
  const many = await weft.run({ files, args: ['-n', '1000', 'tavern.dat'], time: 1767225600 });
  const thousand = performance.now() - start;
  start = performance.now();
  const lines = [];
  for (const time of await independentSeconds(100, { start: 1767225600 })) {
    lines.push((await weft.run({ files, args: ['-n', '1', 'tavern.dat'], time })).stdout.length);
  }
  const hundred = performance.now() - start;
  return { thousand, hundred, bytes: many.stdout.length, lines: lines.length };
})();
"""


def check_cases():
    """weft-check --stats on every example, and the checker's own test cases."""
    root = pathlib.Path(ENV["WEFT_EXAMPLES"])
    files = {str(p.relative_to(root)): p.read_bytes() for p in sorted(root.rglob("*")) if p.is_file()}
    cases = []
    for path in files:
        folder, name = os.path.split(path)
        cases.append({"name": f"odds of {path}", "files": files, "cwd": folder,
                      "args": [b"--stats", name.encode()]})
    for folder in sorted(pathlib.Path(ENV["WEFT_CHECK_CASES"]).iterdir()):
        args = (folder / "args").read_text().split() if (folder / "args").exists() else ["main.dat"]
        case_files = {str(p.relative_to(folder)): p.read_bytes() for p in sorted(folder.rglob("*"))
                      if p.is_file() and p.name not in ("args", "expected")}
        cases.append({"name": f"check case {folder.name}", "files": case_files, "cwd": "",
                      "args": [b"--stats"] + [a.encode() for a in args]})
    return cases


def check_native(case, work):
    """weft-check's JSON report and status for the case, natively."""
    top = pathlib.Path(tempfile.mkdtemp(dir=work))
    for name, contents in case["files"].items():
        (top / name).parent.mkdir(parents=True, exist_ok=True)
        (top / name).write_bytes(contents)
    result = subprocess.run([b"weft-check", b"--format=json"] + case["args"], executable=ENV["WEFT_CHECK"],
                            cwd=top / case["cwd"], capture_output=True, timeout=60, env={"LC_ALL": "C"})
    return {"report": json.loads(result.stdout), "status": result.returncode}


def to_page(case):
    return {"files": {name: b64(data) for name, data in case["files"].items()},
            "args": [b64(a) for a in case["args"]], "cwd": case["cwd"], "time": str(case["time"]),
            "env": {k: b64(v) for k, v in case["env"].items()}}


def main():
    site = pathlib.Path(ENV["WEFT_SITE"])
    with tempfile.TemporaryDirectory(prefix="weft-differential-") as scratch:
        work = pathlib.Path(scratch)
        recorded, skipped = cli_cases(work)
        cases = []
        candidates = recorded + example_cases()
        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            natives = list(pool.map(lambda case: run_native(case, work), candidates))
        for case, expected in zip(candidates, natives):
            if expected is None:
                reason = f"no end within {NATIVE_TIMEOUT} s, or too much output"
                skipped[reason] = skipped.get(reason, 0) + 1
            else:
                case["expected"] = expected
                cases.append(case)

        failures = []
        with browser.serve(site) as server, browser.chromium() as driver:
            driver.get(server.url("package.json"))
            for first in range(0, len(cases), 40):
                batch = cases[first:first + 40]
                results = driver.execute_script(RUN_CASES, [to_page(c) for c in batch])
                for case, got in zip(batch, results):
                    if "error" in got:
                        failures.append(f"{case['name']}: {got['error']}")
                        continue
                    expected = case["expected"]
                    for stream in ("stdout", "stderr", "combined"):
                        if base64.b64decode(got[stream]) != expected[stream]:
                            failures.append(f"{case['name']}: {stream} differs\n  page:   "
                                            f"{base64.b64decode(got[stream])[:400]!r}\n  native: {expected[stream][:400]!r}")
                    if got["status"] & 0xFF != expected["status"]:
                        failures.append(f"{case['name']}: status {got['status']} in the page, "
                                        f"{expected['status']} natively")
            checks = check_cases()
            page_checks = driver.execute_script(CHECK_CASES, [
                {"files": {n: b64(d) for n, d in c["files"].items()}, "cwd": c["cwd"],
                 "args": [b64(a) for a in c["args"]]} for c in checks])
            for case, got in zip(checks, page_checks):
                expected = check_native(case, work)
                if "error" in got:
                    failures.append(f"{case['name']}: {got['error']}")
                elif got["report"] != expected["report"] or got["status"] & 0xFF != expected["status"]:
                    failures.append(f"{case['name']}: the page's report differs\n  page:   "
                                    f"{json.dumps(got)[:600]}\n  native: {json.dumps(expected)[:600]}")
            tavern = (pathlib.Path(ENV["WEFT_EXAMPLES"]) / "tavern.dat").read_text()
            timings = driver.execute_script(TIMINGS, tavern)
            errors = [e for e in browser.console_errors(driver) if "favicon.ico" not in e]

        cli_count = sum(1 for c in cases if not c["name"].startswith("example "))
        print(f"{len(cases)} cases compared: {cli_count} from the end-to-end tests, "
              f"{len(cases) - cli_count} from the examples; {len(failures)} differ")
        print(f"{len(checks)} weft-check reports with odds compared (JSON and status)")
        for reason, count in sorted(skipped.items()):
            print(f"  left out, {reason}: {count}")
        print(f"-n 1000 of tavern.dat: {timings['thousand']:.0f} ms ({timings['bytes']} bytes); "
              f"100 independent lines: {timings['hundred']:.0f} ms")
        for failure in failures[:30]:
            print(failure)
        if errors:
            print("browser console errors:", *errors, sep="\n  ")
        return 1 if failures or errors else 0


if __name__ == "__main__":
    sys.exit(main())
