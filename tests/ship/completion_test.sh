#!/usr/bin/env bash
# Loads the bash completion and checks what it offers for a few command lines,
# in a scratch folder holding data files, folders and another file.
set -u
. "$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
mkdir -p wilderness/forest 'odd dir'
touch tavern.dat treasure.dat names.ele notes.txt wilderness/encounters.dat \
  wilderness/forest/forest.dat wilderness/notes.txt 'odd dir/x.dat'
failures=0

# Completes the words given after COMMAND, the last of them being the one
# under the cursor; the offers are compared sorted, blank-separated (a lone
# blank for none).
expect() {
  local want=$1 command=$2
  shift 2
  COMP_WORDS=("$command" "$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _weft
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
  if [ "$got" != "$want" ]; then
    echo "FAIL: $command $*: got '$got', want '$want'"
    failures=$((failures + 1))
  fi
}

expect '-- -d -m -n -s -t ' weft -
expect '-n ' weft -n
expect ' ' weft -n ''
expect ' ' weft -t -s ''
expect ' ' weft -tm ''
expect 'names.ele odd dir/ odd dir\x.dat tavern.dat treasure.dat wilderness/ wilderness\encounters.dat ' weft ''
expect 'tavern.dat treasure.dat ' weft -t t
# A data file in a folder completes with a backslash before its name, and
# with slashes between the folders before that.
expect 'wilderness/ wilderness\encounters.dat ' weft wil
expect 'wilderness/forest/ wilderness/forest\forest.dat wilderness\encounters.dat ' weft wilderness/
expect 'wilderness/forest/ wilderness/forest\forest.dat ' weft wilderness/f
expect 'wilderness\encounters.dat ' weft 'wilderness\\e'
expect 'wilderness\encounters.dat ' weft "'wilderness\\"
expect 'wilderness/forest\forest.dat ' weft 'wilderness/forest\\'
expect 'odd dir/ odd dir\x.dat ' weft 'odd\ d'
expect 'notes.txt ' weft no
expect 'names.ele odd dir/ odd dir\x.dat tavern.dat treasure.dat wilderness/ wilderness\encounters.dat ' weft -n 5 ''
expect ' ' weft -- -
touch ./-odd.dat
expect '-odd.dat ' weft -- -
expect ' ' weft tavern.dat missing

# weft-check has options of its own, and the same operands.
expect '-- --explain= --format=json --format=text --help --stats --verbose --version -S -d -h -j -m -n -s -t -v ' weft-check -
expect 'json ' weft-check --format j
expect '--stats ' weft-check --s
expect '--explain= ' weft-check --e
expect ' ' weft-check -Sm ''
expect 'wilderness/ wilderness\encounters.dat ' weft-check -S wil

# weft-roll too, with its formats after -f or --format.
expect '--keep-case ' weft-roll --keep-
expect '--at= ' weft-roll --a
expect 'csv json markdown text ' weft-roll -f ''
expect 'markdown ' weft-roll --format m
expect ' ' weft-roll --at ''
expect 'tavern.dat treasure.dat ' weft-roll -u t
# weft-export: its targets, its folder to write, and the same operands.
expect '--to=foundry --to=obsidian --to=roll20 ' weft-export --to
expect 'obsidian ' weft-export --to o
expect '12 13 ' weft-export --foundry = ''
expect 'wilderness ' weft-export -o w
expect 'wilderness\encounters.dat ' weft-export --to=roll20 'wilderness\\e'

echo "$failures failures"
[ "$failures" -eq 0 ]
