Entries, references and dice that could make a line grow for ever, loop,
overflow or crash. Every run is capped at 2 seconds and 256 MB (see
hostile.sh).

  $ . "$TESTDIR/setup.sh"
  $ . "$TESTDIR/hostile.sh"

An expansion that grows for ever, one that loops without growing, and one
that loops through a listed file:

  $ printf 'x (table0)\n' > grow.dat
  $ guarded grow.dat
  Expansion too long in grow.dat: the line grew beyond 1048576 bytes
  [246]
  $ printf '(table0)\n' > loop.dat
  $ guarded loop.dat
  Expansion too long in loop.dat: more than 1000000 steps in one line
  [246]
  $ printf '(table1)\n%%table 1\n(table2)\n%%table 2\n(table1)\n' > pingpong.dat
  $ guarded pingpong.dat
  Expansion too long in pingpong.dat: more than 1000000 steps in one line
  [246]
  $ printf 'listed (table0)\n' > listed.dat
  $ printf 'the (listed.dat)\n%%file\nlisted.dat\n' > viafile.dat
  $ guarded viafile.dat
  Expansion too long in listed.dat: the line grew beyond 1048576 bytes
  [246]

A table reference to an empty table ends the run; the same text with the
table filled is an ordinary line:

  $ printf '1) the (table1)\n' > table1.dat
  $ guarded table1.dat
  Zero length table referenced: 1) the (table1)
  [250]
  $ printf '1) the (table1)\n%%table 1\ninn\n' > table1.dat
  $ guarded table1.dat
  1) the inn
  [1]

Dice with 0 sides, with a count of 2,000,000,000 and of 40 digits, with
40-digit sides and modifiers, and with runs of signs:

  $ big=9999999999999999999999999999999999999999
  $ printf '(random 3d0+0) (random 3d0+5)\n' > zero.dat
  $ guarded zero.dat
  0 5
  [1]
  $ printf '(random 2000000000d6+0)\n' > many.dat
  $ guarded many.dat
  Expansion too long in many.dat: more than 1000000 steps in one line
  [246]
  $ printf '(random %sd6+0)\n' $big > hugecount.dat
  $ guarded hugecount.dat
  Expansion too long in hugecount.dat: more than 1000000 steps in one line
  [246]
  $ printf 'a (random 2d%s+%s)\n' $big $big > hugesides.dat
  $ guarded hugesides.dat
  A -2147431189
  [1]
  $ printf 'a (random -%sd6-%s)\n' $big $big > negative.dat
  $ guarded negative.dat
  A -2147483647
  [1]
  $ printf '(random 3d6+-+-2)|(random 3d6--2)|(random 3d6+-2)|(random +-3d6+1)|(random 1d-6+0)|(random 2d6++++1)\n' > signs.dat
  $ guarded signs.dat
  Didn't grok " 3d6+-+-2"!
  Didn't grok " +-3d6+1"!
  Didn't grok " 2d6++++1"!
  0|16|12|0|3|0
  [1]

Table numbers of 40 digits, in a reference and in "%table":

  $ printf 'x(table%s)y\na(table-%s)b\n%%table %s\nz\n%%table -%s\nw\n' $big $big $big $big > tables.dat
  $ guarded -n 4 tables.dat
  Invalid table id; must be in the range from 0 to 19 in file tables.dat
  Invalid table id; must be in the range from 0 to 19 in file tables.dat
  Invalid table referenced: a(table-9999999999999999999999999999999999999999)b
  Ab
  Invalid table referenced: a(table-9999999999999999999999999999999999999999)b
  Ab
  Invalid table referenced: a(table-9999999999999999999999999999999999999999)b
  Ab
  Invalid table referenced: x(table9999999999999999999999999999999999999999)y
  Xy
  [1]

An entry whose frequency has 40 digits is capped, not wrapped round:

  $ printf 'common:%s\nrare\n' $big > freq.dat
  $ guarded -n 3 -m 2147483647 freq.dat
  Common
  Common
  Common
  [1]
