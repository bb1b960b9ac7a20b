"""weft's VS Code extension inside a real VS Code (code-server), headless.

Installs the extension and the probe (tests/vscode/probe) into a fresh
user-data folder and opens, trusted and then in restricted mode, a folder
holding the language server's fixture (its "# expect" lines give the
diagnostics), a .dat file of other data and a .vscode/settings.json that
names a program of the folder's own for weft.checkPath and weft.weftPath.
The probe writes what VS Code shows; this script judges it. weft runs with
its clock frozen, so that weft: Roll shows what native weft prints then.
"""
import json
import os
import pathlib
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

ENV = os.environ
SECOND = "1767225600"
SOCKETS = tempfile.mkdtemp(prefix="weft-vscode-")
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print(f"FAIL: {what}", file=sys.stderr)


def write(path, text, mode=0o644):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(text, encoding="utf-8")
    path.chmod(mode)


def prepare(scratch):
    """Makes the folder to open, the home and user-data folders (weft-check
    named in user settings; weft in ~/.local/bin, as a script that freezes
    its clock, since VS Code keeps LD_PRELOAD from the programs it starts)
    and installs both extensions. Returns the folder."""
    folder = scratch / "tables"
    shutil.copytree(ENV["WEFT_FIXTURES"], folder)
    write(folder / "numbers.dat", "# x y\n1 2.5\n2 3.5\n")
    hostile = folder / "hostile.sh"
    write(hostile, f'#!/bin/sh\ntouch "{scratch}/hostile-ran"\n', 0o755)
    write(folder / ".vscode" / "settings.json", json.dumps(
        {"weft.checkPath": str(hostile), "weft.weftPath": str(hostile), "weft.lines": 3}))
    write(scratch / "home" / ".local" / "bin" / "weft",
          f'#!/bin/sh\nLD_PRELOAD="{ENV["WEFT_FROZEN_TIME_LIB"]}" exec "{ENV["WEFT"]}" "$@"\n', 0o755)
    write(scratch / "user" / "User" / "settings.json", json.dumps({
        "weft.checkPath": ENV["WEFT_CHECK"], "workbench.startupEditor": "none",
        "extensions.autoCheckUpdates": False, "extensions.autoUpdate": False,
        "telemetry.telemetryLevel": "off", "remote.autoForwardPorts": False}))
    write(scratch / "config.yaml", "")
    probe = scratch / "probe"
    shutil.copytree(pathlib.Path(__file__).parent / "probe", probe)
    subprocess.run([ENV["WEFT_VSCE"], "package", "--allow-missing-repository", "--skip-license",
                    "--out", "../probe.vsix"], cwd=probe, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(code_server(scratch, "--install-extension", ENV["WEFT_VSIX"],
                               "--install-extension", str(scratch / "probe.vsix")),
                   env=sandbox(scratch), check=True, stdout=subprocess.DEVNULL)
    return folder


def code_server(scratch, *args):
    return [ENV["WEFT_CODE_SERVER"], "--config", str(scratch / "config.yaml"),
            "--user-data-dir", str(scratch / "user"),
            "--extensions-dir", str(scratch / "extensions"), *args]


def sandbox(scratch, **more):
    """Keeps code-server's and Chromium's files inside the scratch folder, but
    for their sockets, in a folder of the system's that main() removes (a
    socket's path is too short for a deep build folder)."""
    home = scratch / "home"
    return dict(ENV, HOME=str(home), XDG_CONFIG_HOME=str(home / "config"), TMPDIR=SOCKETS,
                XDG_DATA_HOME=str(home / "data"), XDG_CACHE_HOME=str(home / "cache"), **more)


def wait_for(predicate, seconds):
    deadline = time.monotonic() + seconds
    while not predicate():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.2)
    return True


def run_vscode(scratch, folder, trusted):
    """Serves VS Code, loads it in Chromium and returns what the probe saw."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    report = scratch / f"report-{trusted}.json"
    trust = ["--disable-workspace-trust"] if trusted else []
    processes = [subprocess.Popen(
        code_server(scratch, "--auth", "none", "--bind-addr", f"127.0.0.1:{port}",
                    "--disable-telemetry", "--disable-update-check", *trust, str(folder)),
        env=sandbox(scratch, WEFT_VSCODE_REPORT=str(report), WEFT_FROZEN_TIME=SECOND),
        start_new_session=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)]
    try:
        check(wait_for(lambda: socket.socket().connect_ex(("127.0.0.1", port)) == 0, 30),
              "code-server listens")
        processes.append(subprocess.Popen(
            [ENV["WEFT_CHROMIUM"], "--headless=new", "--no-sandbox", "--disable-gpu",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--no-first-run", "--disable-quic", f"--user-data-dir={scratch / f'chromium-{trusted}'}",
             f"http://127.0.0.1:{port}/?folder={folder}"],
            env=sandbox(scratch), start_new_session=True,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        check(wait_for(report.exists, 90), "the probe reports within 90 seconds")
        time.sleep(0.5)
        return json.loads(report.read_text(encoding="utf-8")) if report.exists() else {}
    finally:
        for process in processes:
            os.killpg(process.pid, signal.SIGTERM)
            process.wait()


def judge(seen, folder, scratch, trusted):
    check("error" not in seen, f"the probe ran: {seen.get('error')}")
    check(seen.get("trusted") == trusted, f"the folder is trusted: {seen.get('trusted')}")
    check(seen.get("language") == "weft", f"faults.dat is weft: {seen.get('language')}")
    check(seen.get("plain") == "plaintext", f"numbers.dat stays plain text: {seen.get('plain')}")
    lines = (folder / "faults.dat").read_text(encoding="utf-8").splitlines()
    for row, first, last, word in (line.split()[2:6] for line in lines if line.startswith("# expect ")):
        check(any([d["line"], d["start"], d["end"]] == [int(row), int(first), int(last)]
                  and word in d["message"] for d in seen.get("diagnostics", [])),
              f"a diagnostic at line {row}, {first} to {last}, with {word!r}")
    check("%" in seen.get("hover", "") and "1 in " in seen.get("hover", ""),
          f"hover shows the entry's chance: {seen.get('hover')!r}")
    table = lines.index("%table 2") + 1
    check(seen.get("definition") == [table], f"definition on line {table}: {seen.get('definition')}")
    labels = seen.get("completion", [])
    check("table2" in labels and "random " in labels, f"completion offers table2 and random: {labels}")

    native = subprocess.run([ENV["WEFT"], "-n", "3", "--", "faults.dat"], cwd=folder,
                            capture_output=True, encoding="utf-8",
                            env=dict(ENV, WEFT_FROZEN_TIME=SECOND, LD_PRELOAD=ENV["WEFT_FROZEN_TIME_LIB"]))
    check(native.stdout.count("\n") == 3, f"native weft printed three lines: {native.stdout!r}")
    check(seen.get("roll") == native.stdout, f"weft: Roll gives {seen.get('roll')!r}, weft {native.stdout!r}")
    shown = "".join(p.read_text(encoding="utf-8") for p in (scratch / "user" / "logs").rglob("*weft.log"))
    check(native.stdout in shown, f"the output panel shows weft's lines: {shown!r}")
    check("picked faults.dat line" in (seen.get("explain") or ""), f"weft: Explain: {seen.get('explain')!r}")
    check("table 2: 2 entries" in (seen.get("odds") or ""), f"weft: Show odds: {seen.get('odds')!r}")
    check(not (scratch / "hostile-ran").exists(), "the folder's settings chose no program")


def main():
    scratch = pathlib.Path(ENV["WEFT_SCRATCH"]).resolve()
    shutil.rmtree(scratch, ignore_errors=True)
    try:
        folder = prepare(scratch)
        for trusted in (True, False):
            seen = run_vscode(scratch, folder, trusted)
            print(json.dumps(seen, indent=2, ensure_ascii=False))
            judge(seen, folder, scratch, trusted)
    finally:
        shutil.rmtree(SOCKETS, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
