Directive lines: the title, the table that entries go to, and the working
directory. With the clock at 1767225600 the draws are 13385, 16723, 31415.

  $ . "$TESTDIR/setup.sh"

The title keeps the text after the key as it is and raises only its first
character; an empty title stays empty.

  $ printf '%%TITLE:Orc Names\norc\n' > upper.dat
  $ printf '%%title: orc names\norc\n' > blank.dat
  $ printf '%%title:\norc\n' > empty.dat
  $ printf '%%set %%title:second key\norc\n' > inside.dat
  $ weft -t upper.dat blank.dat empty.dat inside.dat
  Orc names   : Orc
   orc names  : Orc
              : Orc
  Second key  : Orc
  [1]

The keys are tried in a fixed order, wherever they stand in the line: "file"
first, then "%title:", "%table", "%chdir:". The table draw is 13385 % 2 = 1.

  $ cat > keys.dat <<'DATA'
  > %table 1 %title:both keys
  > first
  > %chdir:nowhere %table 1
  > second
  > %table 0
  > (table1)
  > DATA
  $ weft -t keys.dat
  Both keys   : Second
  [1]

  $ printf '%%title: profile names\nn.dat\n%%end\nentry (n.dat)\n' > profile.dat
  $ printf 'listed\n' > n.dat
  $ weft -t profile.dat
  No Title    : Entry listed
  [1]

"%table" takes the number after it; a number outside 0 to 19 is reported
without naming it, and the entries after it are dropped until a valid
"%table". After loading, table 0 is current again.

  $ cat > range.dat <<'DATA'
  > %TABLE 20
  > lost
  > %table -1
  > lost too
  > %table3
  > kept
  > %tables
  > (table3)
  > %table 25
  > DATA
  $ weft range.dat
  Invalid table id; must be in the range from 0 to 19 in file range.dat
  Invalid table id; must be in the range from 0 to 19 in file range.dat
  Invalid table id; must be in the range from 0 to 19 in file range.dat
  Kept
  [1]

"%chdir:" moves where later files are looked up, for the rest of the operand;
the next operand starts again from the starting directory.

  $ mkdir orcs
  $ printf 'from orcs\n' > orcs/n.dat
  $ printf '%%chdir:ORCS\n%%files\nn.dat\n%%end\n(n.dat)\n' > move.dat
  $ weft move.dat move.dat profile.dat
  From orcs
  From orcs
  Entry listed
  [1]

A failed change of directory ends the run; the text after the key is taken
whole, so a blank after the colon is part of the name.

  $ printf 'orc\n%%chdir: orcs\n' > blankdir.dat
  $ weft -t upper.dat blankdir.dat upper.dat
  Orc names   : Orc
  Can't change directory to  orcs
  [252]
  $ printf '%%chdir:\n' > nodir.dat
  $ weft nodir.dat
  Can't change directory to 
  [252]
