Dice rolls: "(random N d S sign M)". Every dice reference reseeds the random
source with twice the time, so with the clock frozen at 1767225600 every roll
starts from the same draws, 26732, 25726, 8825, 21348: as six-sided dice 3,
5, 6, 1; as Fudge dice -1, +1, -1, 0.

  $ . "$TESTDIR/setup.sh"

Every form that reads. The letter d may be repeated and written in capitals,
blanks may stand before N, S and M, whatever follows M is ignored, numbers
are decimal, a second sign belongs to M, and 40 digits saturate at the
largest 32-bit number, the total wrapping round.

  $ cat > forms.dat <<'DATA'
  > (random 3d6+1) (random 3D6+1) (random 3dd6+1) (random 3d6+1xyz) \
  > (random   3d6+1) (random 3d 6+ 1) (random +3d6+1) (random 03d06+010) \
  > (random 2d6-3) (random 2d6+ -3) (random 2d6- -3) (random 3d6+-2) \
  > (random 3d6+0) (random 3d6-0) (random 0d6+5) (random -2d6+5) (random 1d1+0) \
  > (random 3d0+4) (random 1d1+9999999999999999999999999999999999999999) \
  > (random 0d6--2147483648) (random 2d-6+0)
  > DATA
  $ weft forms.dat
  15 15 15 15 15 15 15 24 5 5 11 12 14 14 5 5 1 4 -2147483648 -2147483648 8
  [1]

Fudge dice: the letter f (or a run of them) instead of S, or S of -1.

  $ printf '(random 4df+0) (random 4DF-1) (random 4dff+ 2) (random 3d-1+0) (random 1df+0)\n' > fudge.dat
  $ weft fudge.dat
  -1 -2 1 -1 -1
  [1]

Every form that does not read writes its text on standard output, in
quotes, and rolls 0: without sign and modifier, a blank before the d or the
sign, a sign run that leaves no integer, an empty or blank text.

  $ cat > bad.dat <<'DATA'
  > (random 3d6) (random 3d6+) (random 3 d6+1) (random 3d6 +1) (random 3d6+--2) \
  > (random 3df) (random 3d f+0) (random) (random  ) (random d6+1)
  > DATA
  $ weft bad.dat
  Didn't grok " 3d6"!
  Didn't grok " 3d6+"!
  Didn't grok " 3 d6+1"!
  Didn't grok " 3d6 +1"!
  Didn't grok " 3d6+--2"!
  Didn't grok " 3df"!
  Didn't grok " 3d f+0"!
  Didn't grok ""!
  Didn't grok "  "!
  Didn't grok " d6+1"!
  0 0 0 0 0 0 0 0 0 0
  [1]

With titles, the diagnostic stands behind the title of its line, and the line
follows on a line of its own.

  $ printf '%%title:rolls\n(random 3d6) and (random 2d6+0)\n' > titled.dat
  $ weft -t -n 2 titled.dat
  Rolls       : Didn't grok " 3d6"!
  0 and 8
  Rolls       : Didn't grok " 3d6"!
  0 and 8
  [1]

The reseed makes every later draw independent of the seed offset: here the
first pick of table 1 follows the seed (16723 % 7 = 0, 27471 % 7 = 3), the
pick behind the dice does not (26732 % 7 = 6), readable dice or not. Two
equal expressions in the same second roll the same.

  $ printf '(table1) (random 0d6+0) (table1) (random x) (table1)\n%%table1\na\nb\nc\nd\ne\nf\ng\n' > reseed.dat
  $ weft -s 0 reseed.dat
  Didn't grok " x"!
  A 0 g 0 g
  [1]
  $ weft -s 1 reseed.dat
  Didn't grok " x"!
  D 0 g 0 g
  [1]
  $ printf '(random 5d20+0) (random 5d20+0)\n' > same.dat
  $ weft -n 2 same.dat
  54 54
  54 54
  [1]
