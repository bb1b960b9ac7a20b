Data files and file lists that could make weft loop, hang, crash or run out
of memory. Every run is capped at 2 seconds and 256 MB (see hostile.sh).

  $ . "$TESTDIR/setup.sh"
  $ . "$TESTDIR/hostile.sh"

A file list that lists itself, and a chain of 10,000 nested lists, end the
run (file_lists.t). The same file may still be listed twice side by side,
and from two directories, since neither repeats for ever:

  $ mkdir -p twice
  $ printf 'leaf\n' > twice/leaf.dat
  $ printf '(leaf.dat) (leaf.dat)\n%%chdir:twice\n%%file\nleaf.dat\nleaf.dat\n' > twice.dat
  $ guarded twice.dat
  Leaf leaf
  [1]

Files that each list the next one twice would load 2^40 files; loading
stops at a fixed number of files instead, while 2^13 still load:

  $ mkdir tree
  $ python3 -c '
  > for i in range(40):
  >     open("tree/t%d.dat" % i, "w").write("x\n%%file\nt%d.dat\nt%d.dat\n" % (i + 1, i + 1) if i < 39 else "leaf\n")
  > '
  $ (cd tree && guarded t0.dat)
  File lists load too many files (more than 10000) at t39.dat
  [247]
  $ (cd tree && guarded t27.dat)
  X
  [1]

A 100 MB file with no line feed is read in pieces of bounded length:

  $ head -c 100000000 /dev/zero | tr '\0' 'a' > huge.dat
  $ guarded huge.dat | wc -c
  1024
  $ rm huge.dat

Files of random bytes, and of random pieces of the format's own syntax, load
and generate (or end with a one-line diagnostic), whatever they hold:

  $ soup() {
  >   python3 -c "
  > import random, sys
  > random.seed($1)
  > words = [b'(', b')', b'(table', b'(random ', b'%table ', b'%title:', b'd', b'df',
  >          b'+', b'-', b':', b'\\\\', b'\\n', b'\\r', b'#', b'\\0', b' ', b'7', b'99999999999']
  > out = bytearray()
  > while len(out) < 200000:
  >     out += random.choice(words) if $2 else bytes([random.getrandbits(8)])
  > sys.stdout.buffer.write(bytes(out))
  > " > random.dat
  > }
  $ for seed in 1 2 3 4 5 6 7 8; do
  >   soup $seed $((seed % 2))
  >   guarded -n 5 random.dat > out.txt 2> err.txt
  >   echo "seed $seed: status $?, $(wc -l < out.txt) lines, $(wc -l < err.txt) diagnostics"
  > done
  seed 1: status 253, 0 lines, 9 diagnostics
  seed 2: status 1, 5 lines, 0 diagnostics
  seed 3: status 253, 2 lines, 11 diagnostics
  seed 4: status 1, 5 lines, 0 diagnostics
  seed 5: status 1, 5 lines, 9 diagnostics
  seed 6: status 1, 5 lines, 0 diagnostics
  seed 7: status 253, 4 lines, 14 diagnostics
  seed 8: status 1, 5 lines, 0 diagnostics

NUL bytes inside lines are kept as ordinary bytes:

  $ printf 'or\0c\n' > nul.dat
  $ guarded -n 2 nul.dat | od -An -c
     O   r  \0   c  \n   O   r  \0   c  \n

A directory, an unreadable file and a file whose reading fails are not data
files. root reads any file, so the unreadable one is tried as another user
(the binary is copied where that user can run it):

  $ mkdir adir
  $ guarded adir
  Can't read adir
  [254]
  $ printf '%%file\nadir\n' > listsdir.dat
  $ guarded listsdir.dat
  Can't read adir
  [254]
  $ guarded /proc/self/mem
  Can't read /proc/self/mem
  [254]
  $ shared=$(mktemp -d)
  $ chmod 755 "$shared"
  $ cp "$WEFT" "$shared/weft"
  $ printf 'secret\n' > "$shared/locked.dat"
  $ chmod 000 "$shared/locked.dat"
  $ mkdir "$shared/lockdir"
  $ chmod 000 "$shared/lockdir"
  $ printf '%%chdir:lockdir\n' > "$shared/cd.dat"
  $ as_other() {
  >   if [ "$(id -u)" = 0 ]; then setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; else "$@"; fi
  > }
  $ (cd "$shared" && TMPDIR=/tmp as_other timeout -s KILL 2 ./weft locked.dat)
  Can't read locked.dat
  [254]
  $ (cd "$shared" && TMPDIR=/tmp as_other timeout -s KILL 2 ./weft cd.dat)
  Can't change directory to lockdir
  [252]
  $ chmod 755 "$shared/lockdir" && rm -rf "$shared"

A pipe with a writer reads like a file:

  $ guarded <(printf 'orc\n')
  Orc
  [1]
  $ printf 'from a pipe\n' | guarded /dev/stdin
  From a pipe
  [1]

"%chdir:" to a file, and into a directory that can be searched but not
listed:

  $ printf '%%chdir:nul.dat\n' > tofile.dat
  $ guarded tofile.dat
  Can't change directory to nul.dat
  [252]
  $ mkdir -p searchonly && printf 'inside\n' > searchonly/inner.dat && chmod 100 searchonly
  $ printf '(inner.dat)\n%%chdir:searchonly\n%%file\ninner.dat\n' > search.dat
  $ guarded search.dat
  Inside
  [1]
  $ chmod 755 searchonly
