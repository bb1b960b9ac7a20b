Running out of memory. A file list that names a 1 MB file 2,000 times asks
for 2 GB: under a cap of 256 MB the command line ends as weft does, with one
message and status 244, and the language server says so on the buffer and
goes on answering. Skipped under the sanitizers, which cannot run capped.

  $ if grep -qa -e __asan_init -e __ubsan_handle "$WEFT_CHECK"; then exit 80; fi
  $ head -c 1000000 /dev/zero | tr '\0' 'a' | fold -w 100 > mb.dat
  $ python3 -c 'open("bomb.dat", "w").write("(mb.dat)\n%file\n" + "mb.dat\n" * 2000)'
  $ capped() { (ulimit -v 262144 && timeout -s KILL 60 "$@"); }
  $ capped "$WEFT_CHECK" bomb.dat
  weft-check: out of memory
  [244]

The server gets the same file as a buffer, then an edit of it and a hover:

  $ cat > client.py <<'EOF'
  > import json, os, subprocess, sys
  > server = subprocess.Popen([sys.argv[1], "--lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
  > def send(method, params, **id):
  >     body = json.dumps(dict(jsonrpc="2.0", method=method, params=params, **id)).encode()
  >     server.stdin.write(b"Content-Length: %d\r\n\r\n%s" % (len(body), body))
  >     server.stdin.flush()
  > def receive():
  >     length = int(server.stdout.readline().split(b":")[1])
  >     server.stdout.readline()
  >     return json.loads(server.stdout.read(length))
  > buffer = {"uri": "file://" + os.getcwd() + "/main.dat", "version": 1}
  > send("initialize", {"capabilities": {}}, id=1)
  > receive()
  > send("textDocument/didOpen", {"textDocument": dict(buffer, text=open("bomb.dat").read())})
  > print([d["message"] for d in receive()["params"]["diagnostics"]])
  > send("textDocument/didChange", {"textDocument": buffer, "contentChanges": [{"text": "orc\n"}]})
  > print(receive()["params"]["diagnostics"])
  > send("textDocument/hover", {"textDocument": buffer, "position": {"line": 0, "character": 1}}, id=2)
  > print(receive()["result"]["contents"]["value"])
  > send("shutdown", {}, id=3)
  > send("exit", {})
  > receive()
  > print(server.wait())
  > EOF
  $ capped python3 client.py "$WEFT_CHECK"
  ['weft-check could not analyse this file: out of memory']
  []
  **100.0%, 1 in 1** in table 0 (1 of 1 position)
  0
