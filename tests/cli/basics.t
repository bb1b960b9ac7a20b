Entry lines, frequencies and the title field. With the clock at 1767225600
the draws are 13385, 16723, 31415: positions 1, 3, 3 of four.

  $ . "$TESTDIR/setup.sh"
  $ printf '%%title:orc names\norc chieftain:3\ngoblin\n' > orcs.dat
  $ weft -t -n 3 orcs.dat
  Orc names   : Orc chieftain
  Orc names   : Goblin
  Orc names   : Goblin
  [1]
