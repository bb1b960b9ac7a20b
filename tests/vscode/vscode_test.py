"""weft's VS Code extension inside a real VS Code (code-server), headless.

Installs the extension's .vsix and the probe extension (tests/vscode/probe)
into a fresh user-data folder, opens a folder holding the language server's
fixture, whose "# expect" lines give the diagnostics it must show, and a
.vscode/settings.json that names another program for weft.checkPath and
weft.weftPath, and loads the page in headless Chromium. The probe writes
what VS Code shows; this script judges it and checks that the folder's
program never ran. weft's clock is frozen, so that weft: Roll shows what the
native weft prints at the same second.
"""
import json
import os
import pathlib
import shutil
import signal
import socket
import subprocess
import sys
import time

ENV = os.environ
SECOND = "1767225600"
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print(f"FAIL: {what}", file=sys.stderr)


def make_folder(scratch):
    """The folder VS Code opens: the fixture, a .dat file of other data, and
    settings that name a program that leaves a mark when it runs."""
    folder = scratch / "tables"
    shutil.copytree(ENV["WEFT_FIXTURES"], folder)
    (folder / "numbers.dat").write_text("# x y\n1 2.5\n2 3.5\n")
    hostile = folder / "hostile.sh"
    hostile.write_text(f'#!/bin/sh\ntouch "{scratch}/hostile-ran"\n')
    hostile.chmod(0o755)
    (folder / ".vscode").mkdir()
    settings = {"weft.checkPath": str(hostile), "weft.weftPath": str(hostile), "weft.lines": 3}
    (folder / ".vscode" / "settings.json").write_text(json.dumps(settings))
    return folder


def prepare_user(scratch):
    """A fresh user-data folder with weft-check named in its settings and
    both extensions installed. weft is found in ~/.local/bin, as a script
    that freezes its clock (VS Code keeps LD_PRELOAD from its extensions'
    programs)."""
    (scratch / "home" / ".local" / "bin").mkdir(parents=True)
    weft = scratch / "home" / ".local" / "bin" / "weft"
    weft.write_text(f'#!/bin/sh\nLD_PRELOAD="{ENV["WEFT_FROZEN_TIME_LIB"]}" exec "{ENV["WEFT"]}" "$@"\n')
    weft.chmod(0o755)
    user = scratch / "user"
    (user / "User").mkdir(parents=True)
    settings = {
        "weft.checkPath": ENV["WEFT_CHECK"],
        "workbench.startupEditor": "none",
        "extensions.autoCheckUpdates": False,
        "extensions.autoUpdate": False,
        "update.mode": "none",
        "telemetry.telemetryLevel": "off",
    }
    (user / "User" / "settings.json").write_text(json.dumps(settings))
    probe = scratch / "probe"
    shutil.copytree(pathlib.Path(__file__).parent / "probe", probe)
    subprocess.run([ENV["WEFT_VSCE"], "package", "--allow-missing-repository", "--skip-license",
                    "--out", str(scratch / "probe.vsix")], cwd=probe, check=True,
                   stdout=subprocess.DEVNULL)
    code_server(scratch, "--install-extension", ENV["WEFT_VSIX"],
                "--install-extension", str(scratch / "probe.vsix"), wait=True)
    return user


def code_server(scratch, *args, wait=False, env=None):
    command = [ENV["WEFT_CODE_SERVER"], "--config", str(scratch / "config.yaml"),
               "--user-data-dir", str(scratch / "user"),
               "--extensions-dir", str(scratch / "extensions"), *args]
    if wait:
        return subprocess.run(command, env=env or sandbox(scratch), check=True,
                              stdout=subprocess.DEVNULL)
    return subprocess.Popen(command, env=env, start_new_session=True,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def sandbox(scratch):
    """Keeps code-server's and Chromium's files inside the scratch folder."""
    env = dict(ENV, HOME=str(scratch / "home"), XDG_CONFIG_HOME=str(scratch / "home" / "config"),
               XDG_DATA_HOME=str(scratch / "home" / "data"), XDG_CACHE_HOME=str(scratch / "home" / "cache"))
    return env


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_for(predicate, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.2)
    return False


def run_vscode(scratch, folder, trusted):
    """Serves VS Code, loads it in Chromium and returns what the probe saw.
    Unless trusted, the folder opens in VS Code's restricted mode."""
    port = free_port()
    report = scratch / f"report-{trusted}.json"
    env = sandbox(scratch)
    env.update(WEFT_VSCODE_REPORT=str(report), WEFT_FROZEN_TIME=SECOND)
    trust = ["--disable-workspace-trust"] if trusted else []
    server = code_server(scratch, "--auth", "none", "--bind-addr", f"127.0.0.1:{port}",
                         "--disable-telemetry", "--disable-update-check", *trust,
                         str(folder), env=env)
    browser = None
    try:
        def listening():
            with socket.socket() as s:
                return s.connect_ex(("127.0.0.1", port)) == 0
        check(wait_for(listening, 30), "code-server listens")
        browser = subprocess.Popen(
            [ENV["WEFT_CHROMIUM"], "--headless=new", "--no-sandbox", "--disable-gpu",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--no-first-run", "--disable-quic", f"--user-data-dir={scratch / f'chromium-{trusted}'}",
             f"http://127.0.0.1:{port}/?folder={folder}"],
            env=sandbox(scratch), start_new_session=True,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        check(wait_for(report.exists, 90), "the probe reports within 90 seconds")
        time.sleep(0.5)
        return json.loads(report.read_text(encoding="utf-8")) if report.exists() else {}
    finally:
        for process in (browser, server):
            if process:
                os.killpg(process.pid, signal.SIGTERM)
                process.wait()


def expected_diagnostics(fixture):
    rows = []
    for line in fixture.read_text(encoding="utf-8").splitlines():
        if line.startswith("# expect "):
            row, first, last, word = line.split()[2:6]
            rows.append((int(row), int(first), int(last), word))
    return rows


def judge(seen, folder, scratch, trusted):
    check("error" not in seen, f"the probe ran: {seen.get('error')}")
    check(seen.get("trusted") == trusted, f"the folder is trusted: {seen.get('trusted')}")
    check(seen.get("language") == "weft", f"faults.dat is weft: {seen.get('language')}")
    check(seen.get("plain") == "plaintext", f"numbers.dat stays plain text: {seen.get('plain')}")
    fixture = folder / "faults.dat"
    diagnostics = seen.get("diagnostics", [])
    for row, first, last, word in expected_diagnostics(fixture):
        check(any((d["line"], d["start"], d["end"]) == (row, first, last) and word in d["message"]
                  for d in diagnostics), f"a diagnostic at line {row}, {first} to {last}, with {word!r}")
    hover = seen.get("hover", "")
    check("%" in hover and "1 in " in hover, f"hover shows the entry's chance: {hover!r}")
    lines = fixture.read_text(encoding="utf-8").splitlines()
    table_line = lines.index("%table 2") + 1
    check(seen.get("definition") == [table_line], f"definition on line {table_line}: {seen.get('definition')}")
    labels = seen.get("completion", [])
    check("table2" in labels and "random " in labels, f"completion offers table2 and random: {labels}")

    native = subprocess.run([ENV["WEFT"], "-n", "3", "--", "faults.dat"], cwd=folder, capture_output=True,
                            encoding="utf-8", env=dict(ENV, WEFT_FROZEN_TIME=SECOND,
                                                LD_PRELOAD=ENV["WEFT_FROZEN_TIME_LIB"]))
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
    (scratch / "home").mkdir(parents=True)
    (scratch / "config.yaml").write_text("")
    folder = make_folder(scratch)
    prepare_user(scratch)
    for trusted in (True, False):
        seen = run_vscode(scratch, folder, trusted)
        print(json.dumps(seen, indent=2, ensure_ascii=False))
        judge(seen, folder, scratch, trusted)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
