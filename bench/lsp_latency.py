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

    python3 bench/lsp_latency.py build/release/tools/check/weft-check
"""

import json
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


def main():
    server = Server(sys.argv[1])
    uri = "file:///tmp/weft-lsp-bench/bench.dat"
    server.send("initialize", {"capabilities": {}})
    server.wait(lambda m: m.get("id") == 1)
    server.send("textDocument/didOpen", {"textDocument": {
        "uri": uri, "version": 0, "text": data_file(2000, 0)}}, request=False)
    published = lambda m: m.get("method") == "textDocument/publishDiagnostics"
    server.wait(published)
    edits, hovers = [], []
    for round in range(1, 41):
        text = data_file(2000, round)
        start = time.perf_counter()
        server.send("textDocument/didChange", {"textDocument": {"uri": uri, "version": round},
                                               "contentChanges": [{"text": text}]}, request=False)
        diagnostics = server.wait(published)
        assert diagnostics["params"]["diagnostics"], diagnostics
        edits.append(time.perf_counter() - start)
        for line, character in ((3, 2), (1, 22)):
            start = time.perf_counter()
            request = server.send("textDocument/hover", {
                "textDocument": {"uri": uri}, "position": {"line": line, "character": character}})
            reply = server.wait(lambda m: m.get("id") == request)
            assert "%" in reply["result"]["contents"]["value"], reply
            hovers.append(time.perf_counter() - start)
    # After a pause the server searches the lines; then the title's hover
    # (the file's variety) reads the search's result.
    time.sleep(2)
    titles = []
    for _ in range(20):
        start = time.perf_counter()
        request = server.send("textDocument/hover", {
            "textDocument": {"uri": uri}, "position": {"line": 0, "character": 3}})
        reply = server.wait(lambda m: m.get("id") == request)
        titles.append(time.perf_counter() - start)
    print("hover on the title: " + json.dumps(reply["result"]["contents"]["value"]))
    server.send("shutdown", {})
    server.send("exit", {}, request=False)
    server.process.wait()
    for name, times in (("diagnostics after an edit", edits), ("hover", hovers),
                        ("hover on the title", titles)):
        times = sorted(times)
        print("%-26s median %6.1f ms, 90th percentile %6.1f ms (%d runs)" % (
            name, 1000 * statistics.median(times), 1000 * times[int(len(times) * 0.9)], len(times)))


if __name__ == "__main__":
    main()
