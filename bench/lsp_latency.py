#!/usr/bin/env python3
"""How fast weft-check's language server answers, through the real process.

Opens a generated data file of 2,000 lines (five tables, references between
them, dice, frequencies, a few faults), then, many times: sends the whole
text with one line changed and times until its diagnostics arrive (the
analysis starts once no message is waiting, which is when an editor's pause
after typing ends), and times a hover on an entry and on a reference, which
read what the last analysis computed; after a pause, a hover on the title,
which reads the search of the file's lines. Prints medians and 90th
percentiles.

Then the same for a buffer with hundreds of thousands of problems: 200,000
lines that each refer to two empty tables (400,000 errors). After each edit
it times the diagnostics, then hovers at pauses long enough for the search
of lines to start, so that hovers land while it runs; prints the largest
figures too.

    python3 bench/lsp_latency.py build/release/tools/check/weft-check [--faults-only]
"""

import json
import os
import statistics
import subprocess
import sys
import time


def data_file(lines, edit):
    out = ["%title: bench"]
    tables = 5
    per_table = (lines - 1) // tables
    for t in range(tables):
        if t:
            out.append("%%table %d" % t)
        for i in range(per_table - (1 if t else 0)):
            text = "entry %d of table %d" % (i, t)
            if t + 1 < tables and i % 7 == 0:
                text += " (table%d)" % (t + 1)
            if i % 50 == 0:
                text += " (random 3d6+%d)" % (i % 5)
            if i % 11 == 0:
                text += ":%d" % (1 + i % 4)
            if i == edit % per_table and t == 0:
                text += " edited %d" % edit
            out.append(text)
    return "\n".join(out[:lines]) + "\n"


class Server:
    def __init__(self, program):
        self.process = subprocess.Popen([program, "--lsp"], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE)
        self.id = 0

    def send(self, method, params, request=True):
        message = {"jsonrpc": "2.0", "method": method, "params": params}
        if request:
            self.id += 1
            message["id"] = self.id
        body = json.dumps(message).encode()
        self.process.stdin.write(b"Content-Length: %d\r\n\r\n%s" % (len(body), body))
        self.process.stdin.flush()
        return self.id

    def receive(self):
        header = b""
        while not header.endswith(b"\r\n\r\n"):
            header += self.process.stdout.read(1)
        length = int(header.split(b":")[1])
        return json.loads(self.process.stdout.read(length))

    def wait(self, predicate):
        while True:
            message = self.receive()
            if predicate(message):
                return message


def faulty_file(lines, edit):
    out = ["%title: many faults"]
    for i in range(lines - 1):
        out.append("line %d (table1) and (table2)%s" % (i, " edited %d" % edit if i == 5 else ""))
    return "\n".join(out) + "\n"


def summary(name, times):
    times = sorted(times)
    return "%-34s median %7.1f ms, 90th percentile %7.1f ms, largest %7.1f ms (%d runs)" % (
        name, 1000 * statistics.median(times), 1000 * times[int(len(times) * 0.9)],
        1000 * times[-1], len(times))


def cpu_seconds(server):
    """The processor time the server has used, its threads included (Linux)."""
    with open("/proc/%d/stat" % server.process.pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def hover(server, uri, line, character):
    start = time.perf_counter()
    request = server.send("textDocument/hover", {
        "textDocument": {"uri": uri}, "position": {"line": line, "character": character}})
    reply = server.wait(lambda m: m.get("id") == request)
    return time.perf_counter() - start, reply


def published(uri):
    return lambda m: m.get("method") == "textDocument/publishDiagnostics" and m["params"]["uri"] == uri


def bench_small(server):
    uri = "file:///tmp/weft-lsp-bench/bench.dat"
    server.send("textDocument/didOpen", {"textDocument": {
        "uri": uri, "version": 0, "text": data_file(2000, 0)}}, request=False)
    server.wait(published(uri))
    edits, hovers = [], []
    for round in range(1, 41):
        text = data_file(2000, round)
        start = time.perf_counter()
        server.send("textDocument/didChange", {"textDocument": {"uri": uri, "version": round},
                                               "contentChanges": [{"text": text}]}, request=False)
        diagnostics = server.wait(published(uri))
        assert diagnostics["params"]["diagnostics"], diagnostics
        edits.append(time.perf_counter() - start)
        for line, character in ((3, 2), (1, 22)):
            took, reply = hover(server, uri, line, character)
            assert "%" in reply["result"]["contents"]["value"], reply
            hovers.append(took)
    # After a pause the server searches the lines; then the title's hover
    # (the file's variety) reads the search's result.
    time.sleep(2)
    titles = []
    for _ in range(20):
        took, reply = hover(server, uri, 0, 3)
        titles.append(took)
    print("hover on the title: " + json.dumps(reply["result"]["contents"]["value"]))
    for name, times in (("diagnostics after an edit", edits), ("hover", hovers),
                        ("hover on the title", titles)):
        print(summary(name, times))


def bench_faults(server, rounds=5):
    uri = "file:///tmp/weft-lsp-bench/faults.dat"
    start, used = time.perf_counter(), cpu_seconds(server)
    server.send("textDocument/didOpen", {"textDocument": {
        "uri": uri, "version": 0, "text": faulty_file(200000, 0)}}, request=False)
    diagnostics = server.wait(published(uri))
    opened, opened_cpu = time.perf_counter() - start, cpu_seconds(server) - used
    shown = len(diagnostics["params"]["diagnostics"])
    edits, edits_cpu, hovers = [], [], []
    for round in range(1, rounds + 1):
        start, used = time.perf_counter(), cpu_seconds(server)
        server.send("textDocument/didChange", {"textDocument": {"uri": uri, "version": round},
                                               "contentChanges": [{"text": faulty_file(200000, round)}]},
                    request=False)
        server.wait(published(uri))
        edits.append(time.perf_counter() - start)
        edits_cpu.append(cpu_seconds(server) - used)
        # Pauses longer than the server's before it searches the lines.
        for pause in range(8):
            time.sleep(0.4)
            for line, character in ((5, 2), (5, 9)):  # an entry, a reference
                took, reply = hover(server, uri, line, character)
                assert reply["result"]["contents"]["value"], reply
                hovers.append(took)
    print("a buffer of 200,000 lines with 400,000 errors: %d diagnostics shown" % shown)
    print(summary("its diagnostics after opening it", [opened]) +
          ", %.2f s of processor time" % opened_cpu)
    print(summary("its diagnostics after an edit", edits) +
          ", %.2f s of processor time (median)" % statistics.median(edits_cpu))
    print(summary("hover, the search of lines running", hovers))


def main():
    server = Server(sys.argv[1])
    server.send("initialize", {"capabilities": {}})
    server.wait(lambda m: m.get("id") == 1)
    if "--faults-only" not in sys.argv:
        bench_small(server)
    bench_faults(server)
    server.send("shutdown", {})
    server.send("exit", {}, request=False)
    server.process.wait()


if __name__ == "__main__":
    main()
