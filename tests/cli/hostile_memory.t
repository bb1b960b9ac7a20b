A file list that names a 1 MB file 2,000 times asks for 2 GB: with less
than that at hand, weft ends with a diagnostic rather than a crash. Skipped
under the sanitizers and Valgrind, which cannot run with a memory cap.

  $ . "$TESTDIR/setup.sh"
  $ . "$TESTDIR/hostile.sh"
  $ [ -z "$hostile_slow" ] || exit 80

  $ head -c 1000000 /dev/zero | tr '\0' 'a' | fold -w 100 > mb.dat
  $ python3 -c 'open("bomb.dat", "w").write("(mb.dat)\n%file\n" + "mb.dat\n" * 2000)'
  $ guarded bomb.dat
  Out of memory
  [244]
