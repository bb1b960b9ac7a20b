weft-check's command line, and the odds it shows with --stats.

  $ check() { "$WEFT_CHECK" "$@"; }
  $ printf 'orc:3\n(table1) goblin\n%%table 1\nbig\nsmall\n' > orcs.dat

A clean file prints only the summary and exits with 0.

  $ check orcs.dat
  0 errors, 0 warnings in 1 file

-h and --help print the help (and nothing on standard error), --version the
version, each with 0; a bad option or no data file prints the usage and exits
with 2.

  $ check -h | head -2
  usage: */weft-check [-hSvj] [--stats] [--verbose] [--format=text|json] [-m <maxfreq>] datafile... (glob)
  
  $ check --help orcs.dat 2>&1 | sed -n '1p;/--version/p'
  usage: */weft-check [-hSvj] [--stats] [--verbose] [--format=text|json] [-m <maxfreq>] datafile... (glob)
        --version        show the version
  $ check --version
  weft-check [0-9]*.[0-9]*.[0-9]* (re)
  $ check -x orcs.dat
  */weft-check: unrecognized option `-x' (glob)
  usage: */weft-check [-hSvj] [--stats] [--verbose] [--format=text|json] [-m <maxfreq>] datafile... (glob)
  [2]
  $ check
  usage: */weft-check [-hSvj] [--stats] [--verbose] [--format=text|json] [-m <maxfreq>] datafile... (glob)
  [2]

Exact odds, each entry's also as its weight out of its table's. Table 0
makes 3 distinct lines.

  $ check --stats orcs.dat
  orcs.dat: title "No Title"
    table 0: 2 entries, weights out of 4
        75.0%  1 in 1.3     3 of 4       ###############       "orc"
        25.0%  1 in 4       1 of 4       #####                 "(table1) goblin"
    table 1: 2 entries, weights out of 2
        50.0%  1 in 2       1 of 2       ##########            "big"
        50.0%  1 in 2       1 of 2       ##########            "small"
    lines: 3 different lines, about as varied as 2.1 equally likely lines
  
  0 errors, 0 warnings in 1 file

A draw is one of 32768 numbers and picks position r mod n: where that
remainder shows in the figures, it is said once under the table.

  $ printf 'x:300\ny:100\n' > big.dat
  $ check -S -m 300 big.dat | sed -n 2,5p
    table 0: 2 entries, weights out of 400
        75.1%  1 in 1.3     300 of 400   ###############       "x"
        24.9%  1 in 4       100 of 400   #####                 "y"
      a pick is the draw (0 to 32767) modulo 400, so the first 368 of the 400 positions, counted down the table, come up in 82 of 32768 draws and the other 32 in 81

Where the lines are too many to follow (150 by 150 equally likely ones here),
the odds open with weft's own lines: an estimate from 20,000 rolls at spread
seconds, and what the rolls made.

  $ { echo '(table1) (table2)'; echo '%table 1'; seq -f 'a%g' 150; echo '%table 2'; seq -f 'b%g' 150; } > pairs.dat
  $ check -S pairs.dat | grep -A1 '^  lines'
    lines: about as varied as 25,000 equally likely lines, an estimate from weft's own lines
    weft's own lines: in 20,000 rolls, 12,773 different lines; none came up more than 5 times

Rolls in one line start the same draws again, so their totals go together;
the odds show the pairs that come up. The pick of the agates takes the draw
of their second die, which then shows only 1 or 3.

  $ printf '(random 1d8+0) gold and (table1)\n%%table 1\n(random 2d4+0) agates\na pearl\n' > tied.dat
  $ check -S tied.dat | grep -A4 '^  tied'
    tied rolls, line 1: (random 1d8+0) and (random 2d4+0) of line 3 through (table1): only 16 of the 48 pairs of their totals come up
      1 and 2    6.25%  ####################
      1 and 4    6.25%  ####################
      2 and 3    6.25%  ####################
      2 and 5    6.25%  ####################

A line that can come out empty ends weft's run; the odds show how often.

  $ printf '(table1)\n%%table 1\n \nfull\n' > empty.dat
  $ check -S empty.dat | tail -5
    the run ends on 50.0% of lines (an empty line 50.0%)
  
  empty.dat:1: error: entry can expand to an empty line; weft ends the run then ("Zero length string")
  empty.dat:1: note: give the entry text outside its references, or give the tables it refers to no empty entries
  1 error, 0 warnings in 1 file

Options and data files mix, unless _POSIX_OPTION_ORDER is set: then the
first data file ends the options.

  $ check orcs.dat -m 2
  orcs.dat:1: warning: frequency lowered to the cap of 2
  0 errors, 1 warning in 1 file
  [1]
  $ _POSIX_OPTION_ORDER= check orcs.dat -m 2
  -m: error: can't read "-m"
  2: error: can't read "2"
  2 errors, 0 warnings in 3 files
  [2]
  $ _POSIX_OPTION_ORDER= check -m 2 --format=json orcs.dat | head -c 16
  {"diagnostics":[ (no-eol)

A backslash splits an operand into a directory and a file name, as in weft;
the report names the file from the starting directory.

  $ mkdir lore && printf '(table4)\n' > lore/bad.dat
  $ check 'lore\bad.dat'
  lore/bad.dat:1: error: reference (table4) names table 4, which is empty; weft ends the run when it meets it
  lore/bad.dat:1: note: give table 4 entries after a "%table 4" line, or refer to a table that has some
  1 error, 0 warnings in 1 file
  [2]
  $ check 'nowhere\bad.dat'
  bad.dat: error: can't read "bad.dat"
  nowhere\bad.dat: error: can't change directory to "nowhere"
  2 errors, 0 warnings in 1 file
  [2]

The two limits of file lists are told apart: 101 files that each list the
next one nest too deeply; 14 files that each list the next one twice stay
shallow but load more than 10000 files.

  $ mkdir deep wide
  $ for i in $(seq 1 101); do printf '%%file\nd%d.dat\n' $((i + 1)) > deep/d$i.dat; done
  $ printf 'end\n' > deep/d102.dat
  $ check 'deep\d1.dat' | tail -3
  deep/d100.dat:2: error: file lists nested too deeply at "d101.dat"; weft ends the run
  deep/d100.dat:2: note: keep file lists a few levels deep
  1 error, 0 warnings in 101 files
  $ for i in $(seq 1 14); do printf '%%file\nw%d.dat\nw%d.dat\n' $((i + 1)) $((i + 1)) > wide/w$i.dat; done
  $ printf 'end\n' > wide/w15.dat
  $ check 'wide\w1.dat' > wide.out; grep -c 'nested too deeply' wide.out
  0
  [1]
  $ grep -m 1 'too many' wide.out
  wide/w1.dat:3: error: file lists load too many files (more than 10000) at "w2.dat"; weft ends the run

A note line with the same file and line follows a finding, so that editors
attach it; --format=json gives the same findings as one JSON object (compared
field by field by json_test.py), and another format is refused.

  $ printf 'the odds are 3:1 against you\n' > odds.dat
  $ check odds.dat
  odds.dat:1: warning: the colon starts a frequency: weft keeps "the odds are 3" (frequency 1) and drops ":1 against you"
  odds.dat:1: note: an entry cannot hold a colon: write "3 to 1", or leave the colon out
  0 errors, 1 warning in 1 file
  [1]
  $ check --format json odds.dat
  {"diagnostics":[{"file":"odds.dat","line":1,"severity":"warning","message":"the colon starts a frequency: weft keeps \"the odds are 3\" (frequency 1) and drops \":1 against you\"","note":"an entry cannot hold a colon: write \"3 to 1\", or leave the colon out"}],"summary":{"errors":0,"warnings":1,"notes":0,"files":1,"text":"0 errors, 1 warning in 1 file"},"status":1,"stats":null}
  [1]
  $ check --format=xml odds.dat
  */weft-check: unknown format "xml" (the formats are text and json) (glob)
  usage: */weft-check * (glob)
  [2]

--explain=SECOND runs weft as at that clock second, with weft's own options,
and prints both of weft's streams as a shared console shows them, each line
followed by how it was made. "Didn't grok" and weft's diagnostics stand where
weft writes them; the seed takes the low 32 bits of the second.

  $ printf '%%title:loot\n(table1) and (random 2d6+1) coins (table20)\n%%table 1\na sword\n(random 3d6) gems:2\n' > loot.dat
  $ check --explain=8 -t -n 2 loot.dat
  Loot        : Invalid table referenced: a sword and 5 coins (table20)
  A sword and 5 coins 5
    picked loot.dat line 2, table 0, chance 100.0%: "(table1) and (random 2d6+1) coins (table20)"
    (table1) -> "a sword": picked loot.dat line 4, table 1, chance 33.3%
    (random 2d6+1) -> "5": rolled 1 + 3, +1; the random numbers start again from seed 16
    (table20) -> "5": no such table, so weft wrote "Invalid table referenced"; the last replacement takes its place again
  Loot        : Didn't grok " 3d6"!
  Invalid table referenced: 0 gems and 5 coins (table20)
  0 gems and 5 coins 5
    picked loot.dat line 2, table 0, chance 100.0%: "(table1) and (random 2d6+1) coins (table20)"
    (table1) -> "(random 3d6) gems": picked loot.dat line 5, table 1, chance 66.7%
    (random 3d6) -> "0": not a dice expression, so weft wrote "Didn't grok" and the roll is 0; the random numbers start again from seed 16
    (random 2d6+1) -> "5": rolled 1 + 3, +1; the random numbers start again from seed 16
    (table20) -> "5": no such table, so weft wrote "Invalid table referenced"; the last replacement takes its place again
  $ check --explain=4294967304 -t -n 2 loot.dat | cmp - <(check --explain=8 -t -n 2 loot.dat)
  $ check --explain=-9223372036854775800 -t -n 2 loot.dat | cmp - <(check --explain=8 -t -n 2 loot.dat)
  $ check --explain=9223372036854775808 loot.dat
  */weft-check: --explain needs a clock second, a whole number from -9223372036854775808 to 9223372036854775807 (glob)
  [2]
  $ check loot.dat --explain
  */weft-check: --explain needs a clock second, a whole number from -9223372036854775808 to 9223372036854775807 (glob)
  [2]

The random numbers run on from one data file to the next as in weft, which
prints the same lines; a run that ends on a problem shows the lines before it,
the steps of the line that ended it and weft's status.

  $ weft() { WEFT_FROZEN_TIME=$1 LD_PRELOAD="$WEFT_FROZEN_TIME_LIB" "$WEFT" "${@:2}"; }
  $ check --explain=4 -n 3 orcs.dat orcs.dat | grep -v '^  ' | tee explained
  Small goblin
  Big goblin
  Orc
  Orc
  Big goblin
  Orc
  $ weft 4 -n 3 orcs.dat orcs.dat | cmp - explained
  $ printf 'orc\n(nothing)\n' > dies.dat
  $ check --explain=3 -n 5 dies.dat orcs.dat
  Orc
    picked dies.dat line 1, table 0, chance 50.0%: "orc"
  Orc
    picked dies.dat line 1, table 0, chance 50.0%: "orc"
  Orc
    picked dies.dat line 1, table 0, chance 50.0%: "orc"
  Zero length string
    picked dies.dat line 2, table 0, chance 50.0%: "(nothing)"
    (nothing) -> "": no listed file has this name; none has resolved before it, so nothing takes its place
    the run ends here, with exit status -3
  [2]
  $ check --explain=3 -n 5 --format=json dies.dat orcs.dat > dies.json
  [2]
  $ python3 -c 'import json; e = json.load(open("dies.json")); print(repr("".join(p["written"] for p in e["output"])), e["status"], e["ending"]); print([(s["step"], s.get("replacement")) for s in e["output"][-1]["steps"]])'
  'Orc\nOrc\nOrc\nZero length string\n' -3 Zero length string
  [('pick', None), ('reference', '')]
  $ cd "$WEFT_EXAMPLES" && for s in 0 -1 9223372036854775807 1767225600; do
  >   for f in *.dat *.ele 'wilderness\encounters.dat'; do
  >     cmp -s <(weft $s -t -n 4 "$f" 2>&1) <("$WEFT_CHECK" --explain=$s -t -n 4 "$f" | grep -v '^  ') || echo "$f at $s differs"
  >   done
  > done; cd - > /dev/null
