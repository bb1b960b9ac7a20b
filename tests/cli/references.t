References in parentheses: one per pass, always the leftmost, until none is
left. With the clock at 1767225600 the draws are 13385, 16723, 31415, 28276,
12076, 26153, 12022, 16312.

  $ . "$TESTDIR/setup.sh"

Text a replacement brings in is expanded before what stood behind it: table
1 brings in table 3, drawn before table 2 (draws 0 and 4 pick the entry of
table 0, draws 1 and 5 that of table 1).

  $ cat > order.dat <<'DATA'
  > (table1) and (table2)
  > %table1
  > (table3)
  > %table2
  > p
  > q
  > r
  > %table3
  > a
  > b
  > c
  > d
  > e
  > DATA
  $ weft -n 2 order.dat
  A and q
  C and q
  [1]

Table numbers are read like frequencies, behind the first "table".

  $ printf '(table 1),(TABLE02),(table2b),(my table 1),(table+2)\n%%table1\nx\n%%table2\ny\n' > numbers.dat
  $ weft numbers.dat
  X,y,y,x,y
  [1]

A number out of range is reported with the whole working text, and the
reference repeats the latest replacement that resolved, or nothing before
the first. So does a name that no listed file has, without a message.

  $ printf '(table1) and (table99), (note) (table-1) (table4294967297)\n%%table1\nx\n' > range.dat
  $ printf 'a (table20) b\n' > first.dat
  $ printf '(note) sword\n' > note.dat
  $ weft range.dat first.dat note.dat
  Invalid table referenced: x and (table99), (note) (table-1) (table4294967297)
  Invalid table referenced: x and x, x (table-1) (table4294967297)
  Invalid table referenced: x and x, x x (table4294967297)
  X and x, x x x
  Invalid table referenced: a (table20) b
  A  b
   sword
  [1]

A reference runs from the first "(" to the first ")" behind it: there is no
nesting, a "(" with no ")" behind it stays, and a ")" before the first "("
stays too. An empty reference resolves as an unmatched name.

  $ printf 'a (b (c) d) e\n' > nest.dat
  $ printf 'a (b (table1) c) d\n%%table1\nx\n' > inside.dat
  $ printf 'a () b\n' > empty.dat
  $ printf 'a (b\n' > open.dat
  $ printf 'a)(b\n' > close.dat
  $ printf '1) the (table1)\n%%table1\nx\n' > early.dat
  $ printf '(table1)b) end\n%%table1\n(note\n' > join.dat
  $ weft nest.dat inside.dat empty.dat open.dat close.dat early.dat join.dat
  A  d) e
  A x c) d
  A  b
  A (b
  A)(b
  1) the x
  (note end
  [1]

A table without entries ends the run (a title already written comes first;
the message shows the working text), and so does a line that comes out empty.

  $ printf 'a (table1) (table5) b\n%%table1\nx\n' > zero.dat
  $ weft -t zero.dat
  No Title    : Zero length table referenced: a x (table5) b
  [250]
  $ printf '(note)\n' > blank.dat
  $ weft blank.dat
  Zero length string
  [253]

Listed files: every listed file whose name equals the reference generates, in
list order, and the line of the last one is kept, in lower case. Here draws 1
and 3 go to a\x.dat and draws 2 and 4 to b\x.dat (31415 and 12076: west,
east). A name with "random" in it is read as dice.

  $ mkdir a b
  $ printf 'north\nsouth\n' > a/x.dat
  $ printf 'East\nWest\n' > b/x.dat
  $ printf 'never\n' > random.dat
  $ cat > list.dat <<'DATA'
  > (x.dat) and (x.dat), (x.dat )(random.dat)
  > %files
  > random.dat
  > %chdir:a
  > %files
  > x.dat
  > %chdir:../b
  > %files
  > x.dat
  > DATA
  $ weft list.dat
  Didn't grok ".dat"!
  West and east, east0
  [1]

An expansion that never ends is cut off (more such lines in
hostile_generation.t); a title already written comes first.

  $ printf '(table0)\n' > loop.dat
  $ weft -t loop.dat
  No Title    : Expansion too long in loop.dat: more than 1000000 steps in one line
  [246]
