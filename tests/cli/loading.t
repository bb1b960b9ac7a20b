Loading entry lines: files that cannot be read, diagnostic levels, and the
line syntax seen through the binary. The clock is frozen at 1767225600.

  $ . "$TESTDIR/setup.sh"
  $ printf 'orc\n' > orc.dat
  $ printf '%s\n' {a..z} > az.dat

A file that cannot be opened ends the run with status 254 (-2) after the lines
already printed; no file is created. At -ddd "Reading file" comes before each
file, before the open is tried.

  $ weft missing.dat
  Can't read missing.dat
  [254]
  $ ls
  az.dat
  orc.dat
  $ weft -ddd -t orc.dat missing.dat 2>&1
  Reading file
  No Title    : Orc
  Reading file
  Can't read missing.dat
  [254]

A frequency above the cap (-m, 50 by default) is lowered to it; from -dd on,
that is noted. Here each line stands twice: the draws 13385, 16723, 31415
pick positions 1, 3, 3 of four.

  $ printf 'orc:80\ngob:3\n' > freq.dat
  $ weft -d -m 2 -n 3 freq.dat 2>&1
  Orc
  Gob
  Gob
  [1]
  $ weft -dd -m 2 freq.dat 2>&1
  freq too high; adjusting
  freq too high; adjusting
  Orc
  [1]

Comments, continuation, CR LF line ends and byte 26 (the end of the file).

  $ printf '# orcs\r\n\r\nOrc \\\r\nChief\\# note\ntain\032 more\n' > joined.dat
  $ weft joined.dat
  Orc chieftain
  [1]

An empty table 0 gives an empty line and draws nothing; an empty entry ends
the run with status 253 (-3), after its title.

  $ printf '%%table 1\norc\n' > empty.dat
  $ weft -n 2 empty.dat az.dat
  
  
  V
  F
  [1]
  $ printf ' \t\n' > blank.dat
  $ weft -t orc.dat blank.dat 2>&1
  No Title    : Orc
  No Title    : Zero length string
  [253]
