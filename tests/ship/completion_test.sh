#!/usr/bin/env bash
# Loads the bash completion and checks what it offers for a few command lines,
# in a scratch folder holding data files, a folder and another file.
set -u
. "$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
mkdir wilderness
touch tavern.dat treasure.dat names.ele notes.txt wilderness/forest.dat
failures=0

# Completes the words given, the last of them being the one under the cursor;
# the offers are compared sorted, blank-separated (a lone blank for none).
expect() {
  local want=$1
  shift
  COMP_WORDS=(weft "$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _weft
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
  if [ "$got" != "$want" ]; then
    echo "FAIL: weft $*: got '$got', want '$want'"
    failures=$((failures + 1))
  fi
}

expect '-- -d -m -n -s -t ' -
expect '-n ' -n
expect ' ' -n ''
expect ' ' -t -s ''
expect ' ' -tm ''
expect 'names.ele tavern.dat treasure.dat wilderness ' ''
expect 'tavern.dat treasure.dat ' -t t
expect 'wilderness/forest.dat ' wilderness/
expect 'notes.txt ' no
expect 'names.ele tavern.dat treasure.dat wilderness ' -n 5 ''
expect ' ' -- -
touch ./-odd.dat
expect '-odd.dat ' -- -
expect ' ' tavern.dat missing

echo "$failures failures"
[ "$failures" -eq 0 ]
