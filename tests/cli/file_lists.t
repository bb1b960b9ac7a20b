File lists: the listed files are loaded at once and kept in line order, and
entries refer to them by name. With the clock at 1767225600 the draws are
13385, 16723, 31415.

  $ . "$TESTDIR/setup.sh"

A list starts at a directive holding "file" and ends at the first directive
without it; empty and comment lines do not end it. Entries after the list go
to the table that was current before it.

  $ printf 'grak\n' > names.dat
  $ printf 'the black hand\n' > clans.dat
  $ cat > orcs.dat <<'DATA'
  > %table 1
  > %Files:
  > NAMES.DAT
  > 
  > # clans next
  > clans.dat
  > %end
  > (names.dat) of (clans.dat)
  > %table 0
  > (table1)
  > DATA
  $ weft orcs.dat
  Grak of the black hand
  [1]

A name is the whole line as folded: a blank before a comment stays, and a
colon is part of the name. A reference must match a name exactly; one that
matches none repeats the last resolved reference.

  $ printf 'blank\n' > 'names.dat '
  $ printf '%%table 20\n' > 'orcs:3'
  $ printf '%%files\nnames.dat # the names\norcs:3\n%%\n(names.dat ) (names.dat)\n' > whole.dat
  $ weft whole.dat
  Invalid table id; must be in the range from 0 to 19 in file orcs:3
  Blank blank
  [1]

A file named twice is loaded twice and kept twice; a reference makes both
generate and keeps the second line (16723 % 3 = 1, then 31415 % 3 = 2).

  $ printf 'one\ntwo\nthree\n' > count.dat
  $ printf '%%files\ncount.dat\ncount.dat\n%%end\n(count.dat)\n' > twice.dat
  $ weft twice.dat
  Three
  [1]

A nested list is loaded in full (its diagnostics show), but the kept copy has
no listed files, so a reference inside it stays unresolved.

  $ printf 'inner\n%%table 20\n' > inner.dat
  $ printf '%%files\ninner.dat\n%%end\nmid (inner.dat)\n' > mid.dat
  $ printf '%%files\nmid.dat\n%%end\n(mid.dat)!\n' > top.dat
  $ weft mid.dat top.dat
  Invalid table id; must be in the range from 0 to 19 in file inner.dat
  Mid inner
  Invalid table id; must be in the range from 0 to 19 in file inner.dat
  Mid !
  [1]

A "%chdir:" inside a listed file moves where the later files of the listing
file are looked up.

  $ mkdir sub
  $ printf '%%chdir:sub\n' > mover.dat
  $ printf 'at top\n' > here.dat
  $ printf 'in sub\n' > sub/here.dat
  $ printf '%%files\nmover.dat\nhere.dat\n%%end\n(here.dat)\n' > moved.dat
  $ weft moved.dat
  In sub
  [1]

Diagnostics: a name holding "table", a file that cannot be read (also deep in
a nested list), and a name with a blank before it.

  $ printf '%%files\nOld Tables.dat\n' > bad.dat
  $ weft bad.dat
  Data files cannot contain the substring 'table'old tables.dat
  [249]
  $ printf '%%files\nmissing.dat\n' > gone.dat
  $ printf '%%files\ngone.dat\n' > deep.dat
  $ weft -t orcs.dat deep.dat
  No Title    : Grak of the black hand
  Can't read missing.dat
  [254]
  $ printf '%%files\n names.dat\n' > lead.dat
  $ weft lead.dat
  Can't read  names.dat
  [254]

A file that lists itself, directly or through other files, ends the run
instead of loading for ever.

  $ printf '%%files\nself.dat\n' > self.dat
  $ weft self.dat
  File list loop: self.dat is already being loaded
  [248]
  $ printf '%%files\nb.dat\n' > a.dat
  $ printf '%%files\nc.dat\n' > b.dat
  $ printf '%%files\nnames.dat\nA.dat\n' > c.dat
  $ weft b.dat a.dat
  File list loop: b.dat is already being loaded
  [248]

File lists nest at most 100 files deep: a chain of 100 loads, a chain of
10,000 ends at its 101st file.

  $ for i in $(seq 0 9999); do printf '%%files\nn%d.dat\n%%\nlink\n' $((i + 1)) > n$i.dat; done
  $ printf 'bottom\n' > n10000.dat
  $ printf 'bottom\n' > n99.dat
  $ weft n0.dat
  Link
  [1]
  $ printf '%%files\nn100.dat\n' > n99.dat
  $ weft n0.dat
  File lists nested too deeply (more than 100 levels) at n100.dat
  [247]
