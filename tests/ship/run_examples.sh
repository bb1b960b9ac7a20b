#!/usr/bin/env bash
# Runs every data file of the example library (EXAMPLES_DIR and its
# sub-folders) from its own folder, under several frozen clocks: each run must
# print 20 lines, end with status 1 and write nothing on standard error. Dice
# that cannot be read are reported on standard output, so no line may start
# with "Didn't grok" either. Then checks that the library as a whole uses
# every feature of the format.
set -u
examples=$1
: "${WEFT:?}" "${WEFT_FROZEN_TIME_LIB:?}"
WEFT=$(realpath "$WEFT")
WEFT_FROZEN_TIME_LIB=$(realpath "$WEFT_FROZEN_TIME_LIB")
times=(1767225600 1767225601 1767229999 1800000000 1234567890)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
count=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

while IFS= read -r -d '' file; do
  count=$((count + 1))
  name=${file#"$examples"/}
  for t in "${times[@]}"; do
    (cd "$(dirname "$file")" &&
      WEFT_FROZEN_TIME=$t LD_PRELOAD="$WEFT_FROZEN_TIME_LIB" \
        "$WEFT" -n 20 "$(basename "$file")" >"$scratch/out" 2>"$scratch/err")
    status=$?
    lines=$(wc -l <"$scratch/out")
    [ "$status" -eq 1 ] || fail "$name at $t: exit status $status"
    [ "$lines" -eq 20 ] || fail "$name at $t: $lines lines instead of 20"
    [ -s "$scratch/err" ] && fail "$name at $t: standard error: $(head -3 "$scratch/err")"
    grep -q "^Didn't grok" "$scratch/out" && fail "$name at $t: $(grep -m1 "^Didn't grok" "$scratch/out")"
    grep -q '^$' "$scratch/out" && fail "$name at $t: an empty line"
  done
done < <(find "$examples" -type f \( -name '*.dat' -o -name '*.ele*' \) -print0 | sort -z)

[ "$count" -ge 8 ] || fail "only $count example data files"

# The library shows every feature: each pattern must occur in some file.
check_feature() {
  local what=$1 pattern=$2
  grep -rqE -- "$pattern" "$examples" || fail "no example shows $what ($pattern)"
}
check_feature "a title" '^%title:'
check_feature "a table directive" '^%table [1-9]'
check_feature "a frequency" ':[0-9]+[[:space:]]*$'
check_feature "a comment" '^#|[^\\]#'
check_feature "a continued line" '\\$'
check_feature "a file list" '^%files'
check_feature "a change of directory" '^%chdir:'
check_feature "a table reference" '\(table[0-9]+\)'
check_feature "ordinary dice" '\(random [0-9]+d[0-9]+[+-][0-9]+\)'
check_feature "Fudge dice" '\(random [0-9]+df[+-][0-9]+\)'
check_feature "a listed-file reference" '\([a-z_-]+\.(dat|ele)\)'
[ -n "$(find "$examples" -name '*.ele*' -print -quit)" ] || fail "no element file"
[ -n "$(find "$examples" -mindepth 2 -name '*.dat' -print -quit)" ] || fail "no data file in a sub-folder"

echo "$count example data files checked, $failures failures"
[ "$failures" -eq 0 ]
