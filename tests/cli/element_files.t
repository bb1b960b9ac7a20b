Element files (a name holding ".ele"): "#" is an ordinary character, section
lines choose the table, every other line is one entry, and table 0 also
makes a prefix joined to a suffix. With the clock at 1767225600 the draws
are 13385, 16723, 31415, 28276, 12076, 26153, 12022, ...

  $ . "$TESTDIR/setup.sh"

A prefix and a suffix, every word capitalised; the unsupported sections are
reported each time, while loading, and still loaded.

  $ printf '#pre\ngor\n#suf\n'"'"'nath\n' > apostrophe.ele
  $ weft -n 2 apostrophe.ele
  Gor'nath
  Gor'nath
  [1]
  $ printf '#adj\ngrim\n#NOUN\n#adj\n#Pre\ngor\n#suf\n-nath the-GREAT\n' > sections.ele
  $ weft -t -n 2 sections.ele
  Detected unsupported 'ADJ' section
  Detected unsupported 'NOUN' section
  Detected unsupported 'ADJ' section
  No Title    : Gor-Nath The-Great
  No Title    : Gor-Nath The-Great
  [1]

Lines are kept whole: "#", colons, "%" and leading blanks; a section line
with anything else on it is an entry. Table 0 holds five entries here, the
last the prefix-and-suffix one.

  $ printf 'gar # rok\n  orc:3\n%%table 2\n#pre x\n#pre\nx\n#suf\ny\n' > kept.ele
  $ weft -n 7 kept.ele
  Gar # Rok
  #Pre X
  Gar # Rok
    Orc:3
    Orc:3
  #Pre X
  %Table 2
  [1]

An element file without entries still has the joined entry, which then
refers to an empty table.

  $ : > empty.ele
  $ weft empty.ele
  Zero length table referenced: (table1)(table3)
  [250]

The test is exact as to case on the name as given: on the command line
NAMES.ELE is an ordinary data file ("#" starts a comment, the two entries are
"gor" and "nath"). A file list folds the name it opens to lower case.

  $ printf '#pre\ngor#rok\n#suf\nnath\n' > NAMES.ELE
  $ weft -n 4 NAMES.ELE
  Nath
  Nath
  Nath
  Gor
  [1]
  $ printf '%%files\nNames.ELE\n%%table 0\n(names.ele)\n' > list.dat
  $ weft list.dat
  Can't read names.ele
  [254]
  $ cp NAMES.ELE names.ele
  $ weft list.dat
  Gor#roknath
  [1]

The bundled examples: names from syllables, and characters that use them
through a file list.

  $ cd "$WEFT_EXAMPLES"
  $ weft -n 5 names.ele
  Haldmir
  Iskvane
  Quillis
  Keldmir
  Aelmir
  [1]
  $ weft -t -n 5 npc.dat
  Npc         : Sab-ka the red-handed
  Npc         : Quillis the lame
  Npc         : Ethrin the quiet
  Npc         : Zor'ath, a cheerful herbalist from the tin coast
  Npc         : Haldholt of the barrowlands, who never takes off their gloves
  [1]
