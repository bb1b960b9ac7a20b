weft-roll's command line, with the clock frozen at 2026-01-01 00:00 UTC.

  $ . "$TESTDIR/../cli/setup.sh"
  $ roll() { LD_PRELOAD="$WEFT_FROZEN_TIME_LIB" "$WEFT_ROLL" "$@"; }
  $ cp -r "$WEFT_EXAMPLES"/. .

Each line is made at a second of its own, and is the line weft prints when
the clock shows that second.

  $ roll -n 4 --seconds tavern.dat
  1767225600  The black lamb
  1767245669  The red wyvern
  1767235635  The drowsy bear
  1767225601  The red stag
  $ roll -n 4 --seconds tavern.dat | while read -r second line; do
  >   [ "$(WEFT_FROZEN_TIME=$second weft tavern.dat)" = "$line" ] || echo "not weft's at $second"
  > done
  $ roll --at=1767245669 tavern.dat
  The red wyvern

No line twice; a file that cannot make so many says how many it found.

  $ roll -n 5 --unique oracle.dat
  The threads fall at 0, the odds in your favour; smoke drifts towards the west.
  The threads fall at 0, the odds against you; a child laughs outside.
  The threads fall at -3; a bell tolls once.
  The threads fall at 0; a door somewhere slams shut.
  The threads fall at 1; the candle gutters and leaps.
  $ printf 'heads\ntails\n' > coin.dat
  $ roll -n 3 --unique --tries=500 coin.dat
  Tails
  Heads
  */weft-roll: coin.dat: 2 different lines in 500 seconds tried, of the 3 asked for (glob)
  [1]

Capitals as the author wrote them: weft's own line with the case kept.

  $ roll --keep-case --at=1767255709 tavern.dat
  Old Ferro's hearth
  $ WEFT_FROZEN_TIME=1767255709 weft tavern.dat
  Old ferro's hearth
  [1]
  $ roll --keep-case --at=1767225601 -n 2 npc.dat
  Ulmiel, a soft-spoken bell-ringer from the Tin Coast
  Rhunion, a cheerful pilgrim from the Salt Marsh

Steps, numbered as weft-check --explain lists them, and a line that keeps
some of them and rolls the rest again, at the nearest second that has one.

  $ roll --steps --at=1767225600 dungeon.dat
  A long hall of 60 by 80 feet; empty but for dust; a cold draught blows from somewhere; exits none but the way in
    1. picked dungeon.dat line 7, table 0, chance 50.0%: "a (table1) of (table8) feet; (table2); (table3); exits (table4)"
    2. (table1) -> "long hall": picked dungeon.dat line 16, table 1, chance 15.4%
    3. (table8) -> "60 by 80": picked dungeon.dat line 82, table 8, chance 5.88%
    4. (table2) -> "empty but for dust": picked dungeon.dat line 26, table 2, chance 30.8%
    5. (table3) -> "a cold draught blows from somewhere": picked dungeon.dat line 39, table 3, chance 14.3%
    6. (table4) -> "none but the way in": picked dungeon.dat line 53, table 4, chance 16.7%
  $ roll --steps --at=1767225600 dungeon.dat | sed -E 's/^( *)[0-9]+\. /\1/' > steps.txt
  $ "$WEFT_CHECK" --explain=1767225600 dungeon.dat | diff - steps.txt
  $ roll --keep=1,2 --at=1767225600 -n 2 --seconds dungeon.dat
  1767225587  A long hall of 40 by 60 feet; 5 giant rats squabbling over a bone; the floor is tiled in a pattern of suns; exits north and east
  1767225562  A long hall of 50 by 70 feet; 2 giant rats squabbling over a bone; an old campfire, the ashes barely warm; exits a door in each wall
  $ roll --keep=1,2 --at=1767225600 -n 2 --seconds dungeon.dat | while read -r second line; do
  >   [ "$(WEFT_FROZEN_TIME=$second weft dungeon.dat)" = "$line" ] || echo "not weft's at $second"
  > done

Two rolls of one line restart from the same second, so the second roll
cannot change while the first is kept.

  $ printf '(random 1d6+0) and (random 1d6+1)\n' > tied.dat
  $ roll --keep=1,2 --at=1767225600 --tries=1000 tied.dat
  */weft-roll: tied.dat: 0 of the 1 lines asked for keep those steps and roll the rest again, in 1000 seconds tried around 1767225600 (glob)
  [1]
  $ roll --keep=9 --at=1767225600 dungeon.dat
  */weft-roll: dungeon.dat: --keep: the line at 1767225600 has 6 steps, not 9 (glob)
  [2]

For notes and scripts: Markdown, CSV and JSON.

  $ roll -n 2 --format=markdown oracle.dat
  - The threads fall at 0, the odds in your favour; smoke drifts towards the west.
  - The threads fall at 0, the odds against you; a child laughs outside.
  $ roll -n 2 --seconds --format=markdown oracle.dat
  | second | line |
  |---:|---|
  | 1767225600 | The threads fall at 0, the odds in your favour; smoke drifts towards the west. |
  | 1767245669 | The threads fall at 0, the odds against you; a child laughs outside. |
  $ roll -n 2 --format=csv 'wilderness\encounters.dat'
  file,second,line\r (esc)
  wilderness\\encounters.dat,1767225600,"In the forest, 4 boar crossing the path ahead"\r (esc)
  wilderness\\encounters.dat,1767245669,"In the forest, a overgrown shrine to a forgotten god"\r (esc)
  $ roll --format=json --keep-case --at=1767225602 tavern.dat
  [
  {"file":"tavern.dat","second":1767225602,"line":"The gilded pike","weft_line":"The gilded pike","steps":[{"number":1,"step":"pick","depth":1,"file":"tavern.dat","parent":null,"pick":{"file":"tavern.dat","line":7,"table":0,"position":11,"draws":13112,"chance":0.400146484375,"entry":"the (table1) (table2)"}},{"number":2,"step":"reference","depth":1,"file":"tavern.dat","parent":1,"pick":{"file":"tavern.dat","line":19,"table":1,"position":1,"draws":1311,"chance":0.040008544921875,"entry":"gilded"},"reference":"table","inner":"table1","replacement":"gilded","resolved":true},{"number":3,"step":"reference","depth":1,"file":"tavern.dat","parent":1,"pick":{"file":"tavern.dat","line":47,"table":2,"position":12,"draws":1560,"chance":0.047607421875,"entry":"pike"},"reference":"table","inner":"table2","replacement":"pike","resolved":true}]}
  ]

Bytes that are not UTF-8 are written as weft-check writes them.

  $ printf 'caf\351 (table1)\n%%table1\nau lait\n' > latin.dat
  $ roll --format=json latin.dat | grep -o '"line":"[^"]*"\|"entry":"[^"]*"'
  "line":"Caf\u00e9 au lait"
  "entry":"caf\u00e9 (table1)"
  "entry":"au lait"

weft's diagnostics come as weft writes them, beside the line they belong to;
a run that weft ends ends weft-roll with weft's status.

  $ printf '(random 3d6) (table25)\n' > odd.dat
  $ roll odd.dat
  Didn't grok " 3d6"!
  Invalid table referenced: 0 (table25)
  0 0
  $ roll --format=json odd.dat 2>/dev/null
  [
  {"file":"odd.dat","second":1767225600,"line":"0 0","steps":[{"number":1,"step":"pick","depth":1,"file":"odd.dat","parent":null,"pick":{"file":"odd.dat","line":1,"table":0,"position":0,"draws":32768,"chance":1.0,"entry":"(random 3d6) (table25)"}},{"number":2,"step":"reference","depth":1,"file":"odd.dat","parent":1,"reference":"dice","inner":"random 3d6","replacement":"0","resolved":true,"roll":{"expression":" 3d6","read":false,"dice":[],"modifier":0,"total":0,"seed":3534451200}},{"number":3,"step":"reference","depth":1,"file":"odd.dat","parent":1,"reference":"table","inner":"table25","replacement":"0","resolved":false}]}
  ]
  $ printf '(table3)\n' > empty.dat
  $ roll -n 3 coin.dat empty.dat
  Tails
  Heads
  Tails
  Zero length table referenced: (table3)
  [250]
  $ roll missing.dat
  Can't read missing.dat
  [254]
  $ printf 'a:3\nb\n' > freq.dat
  $ roll -n 4 -m 1 --seconds freq.dat
  1767225600  B
  1767245669  A
  1767235635  B
  1767225601  A

Options as GNU tools read them; bad usage is status 2.

  $ roll --help | head -2
  usage: */weft-roll [-n N] [--seconds] [--unique] [--keep-case] [--at=SECOND [--keep=STEPS]] (glob)
         [--steps] [--format=text|markdown|csv|json] [-m MAXFREQ] [-s SEED] datafile...
  $ roll --version
  weft-roll 0.1.0
  $ roll --lines=0 coin.dat
  */weft-roll: -n needs a number of lines from 1 to 100000 (glob)
  Try '*/weft-roll --help' for more information. (glob)
  [2]
  $ roll --colour coin.dat
  */weft-roll: unrecognized option '--colour' (glob)
  Try '*/weft-roll --help' for more information. (glob)
  [2]
  $ roll --s coin.dat
  */weft-roll: option '--s' is ambiguous (glob)
  Try '*/weft-roll --help' for more information. (glob)
  [2]
  $ roll -u
  */weft-roll: no data file named (glob)
  Try '*/weft-roll --help' for more information. (glob)
  [2]
  $ roll --keep=1 coin.dat
  */weft-roll: --keep needs --at=SECOND, the second of the line to keep parts of (glob)
  Try '*/weft-roll --help' for more information. (glob)
  [2]
