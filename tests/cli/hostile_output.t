Standard output that closes early, is closed, or cannot be written. Every run
is capped at 2 seconds and 256 MB (see hostile.sh).

  $ . "$TESTDIR/setup.sh"
  $ . "$TESTDIR/hostile.sh"
  $ printf 'the (table1)\n%%table 1\ninn\ntavern\n' > inn.dat

A reader that stops after one line stops weft promptly: by SIGPIPE (status
141), or, where SIGPIPE is ignored, by one diagnostic and the status of a
write error:

  $ guarded -n 2147483647 inn.dat | head -1; echo "status ${PIPESTATUS[0]}"
  The tavern
  status 141
  $ (trap '' PIPE; guarded -n 2147483647 inn.dat 2> err | head -1; echo "status ${PIPESTATUS[0]}")
  The tavern
  status 245
  $ cat err
  Can't write to standard output: Broken pipe

A closed standard output and a full disk: one diagnostic, the status of a
write error (-11), never the normal 1:

  $ guarded -n 3 inn.dat >&-
  Can't write to standard output: Bad file descriptor
  [245]
  $ guarded -n 3 inn.dat > /dev/full
  Can't write to standard output: No space left on device
  [245]
  $ guarded -t -n 100000 inn.dat > /dev/full
  Can't write to standard output: No space left on device
  [245]

The same when the first write is the dice notice or comes after a
diagnostic on standard error:

  $ printf '(random nonsense)\n' > notice.dat
  $ guarded notice.dat > /dev/full
  Can't write to standard output: No space left on device
  [245]
  $ printf 'the (table 42) inn\n%%table 99\n' > diag.dat
  $ guarded diag.dat > /dev/full
  Invalid table id; must be in the range from 0 to 19 in file diag.dat
  Invalid table referenced: the (table 42) inn
  Can't write to standard output: No space left on device
  [245]

A closed standard error does not stop the lines:

  $ guarded -n 2 diag.dat 2>&-
  The  inn
  The  inn
  [1]
