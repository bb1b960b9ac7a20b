The run driver: options, operands, titles and exit statuses. The clock is
frozen at 1767225600; az.dat holds the 26 letters, so a draw r picks letter
r mod 26 (three draws: V F H with no seed offset, I T D with an offset of 12).

  $ . "$TESTDIR/setup.sh"
  $ printf '%s\n' {a..z} > az.dat
  $ printf 'orc\n' > orc.dat

No operands: nothing is written, and the status is 1 as at every normal end.

  $ weft
  [1]
  $ weft -t -n 3 -s 4
  [1]

-n: the last one wins; a number below 1 (also no number) ends the run at once.

  $ weft -n 2 -n 3 az.dat
  V
  F
  H
  [1]
  $ weft -n 2x orc.dat
  Orc
  Orc
  [1]
  $ for args in '-n 0 -n 3' '-n 3 -n 0 -x' '-n -3' '-n -t' '-nt' '-n abc'; do
  >   weft $args orc.dat; echo "[$?]"
  > done 2>&1 | sort | uniq -c
        6 Invalid number of elements specified with -n
        6 [249]

-s values add up with 32-bit wrap-around, beyond 32 bits a value saturates,
and the seed is set once the whole command line is read.

  $ for args in '-s 5 -s 7 az.dat' 'az.dat -s 12' '-s 2147483647 -s 2147483647 az.dat' \
  >     '-s -2 az.dat' '-s 99999999999 az.dat' '-s 2147483647 az.dat'; do
  >   echo "$args: $(weft -n 3 $args | tr -d '\n')"
  > done
  -s 5 -s 7 az.dat: ITD
  az.dat -s 12: ITD
  -s 2147483647 -s 2147483647 az.dat: OSL
  -s -2 az.dat: OSL
  -s 99999999999 az.dat: SUF
  -s 2147483647 az.dat: SUF

-m takes any value; with 0 or less every frequency after a colon drops its line.

  $ printf 'orc:3\ngob\n' > m.dat
  $ weft -m 0 -n 3 m.dat; weft -m -5 m.dat
  Gob
  Gob
  Gob
  Gob
  [1]

Scanner messages and the usage go straight to standard error; the scan goes
on. -tt is -t, and the title is padded to 12 columns.

  $ weft -xt -tt az.dat 2>&1
  *: unrecognized option `-x' (glob)
  usage:
  */weft [-td] [-n <num_elements>] [-s <seed>] [-m <maxfreq>] datafile datafile... (glob)
  No Title    : V
  [1]
  $ weft -n 2 orc.dat -n 2>&1
  *: no argument for `-n' option (glob)
  usage:
  */weft [-td] [-n <num_elements>] [-s <seed>] [-m <maxfreq>] datafile datafile... (glob)
  Orc
  Orc
  [1]

Ordering: options may follow operands, unless _POSIX_OPTION_ORDER (any case,
any value) is set; then the first operand ends the options. After "--" and
for a lone "-" the elements are file names.

  $ printf 'tee\n' > ./-t
  $ printf 'dash\n' > ./-
  $ weft orc.dat -t orc.dat
  No Title    : Orc
  No Title    : Orc
  [1]
  $ _posix_option_order= weft orc.dat -t orc.dat
  Orc
  Tee
  Orc
  [1]
  $ weft -- -t - orc.dat -t
  Tee
  Dash
  Orc
  Tee
  [1]

Titles are written before every line, left-adjusted in a field of 12 bytes
and never cut.

  $ printf '%%title:abc\norc\n' > t3.dat
  $ printf '%%title:abcdefghijkl\norc\n' > t12.dat
  $ printf '%%title:abcdefghijklmnopqrst\norc\n' > t20.dat
  $ weft -t t3.dat -n 2 t12.dat t20.dat
  Abc         : Orc
  Abc         : Orc
  Abcdefghijkl: Orc
  Abcdefghijkl: Orc
  Abcdefghijklmnopqrst: Orc
  Abcdefghijklmnopqrst: Orc
  [1]

An operand is split at its last backslash: weft changes into the part before
it, loads the rest, and changes back. A slash is an ordinary byte of the name.

  $ mkdir -p 'lore\deep' lore/deep
  $ printf 'deep orc\n' > 'lore\deep/orc.dat'
  $ printf 'slash orc\n' > lore/deep/orc.dat
  $ weft 'lore\deep\orc.dat' orc.dat lore/deep/orc.dat
  Deep orc
  Orc
  Slash orc
  [1]
  $ weft 'nowhere\orc.dat' '\orc.dat' 2>&1
  Can't change directory to nowhere
  Orc
  Can't change directory to 
  Orc
  [1]
  $ weft orc.dat 'lore\' 2>&1
  Orc
  Can't read 
  [254]

When the starting directory cannot be read, the first operand's lines are
printed and the run ends before the second.

  $ here=$PWD; mkdir gone && cd gone && rmdir ../gone
  $ weft -n 2 "$here/orc.dat" "$here/az.dat" 2>&1
  Orc
  Orc
  $PWD not exported to your environment
  [251]
  $ cd "$here"
