#!/bin/sh
# Runs two builds of weft-check side by side and reports every difference in
# what they print (both streams) or their exit status: on each case folder
# with its own command line, and on each example, as text, as JSON, with
# --stats (and -v) and with --explain.
#   tests/check/compare_checkers.sh OLD NEW tests/check/cases examples
# The programs are run from inside the folders, so their paths are made absolute.
absolute() { case "$1" in /*) echo "$1" ;; *) echo "$(pwd)/$1" ;; esac; }
old=$(absolute "$1")
new=$(absolute "$2")
cases=$(cd "$3" && pwd)
examples=$(cd "$4" && pwd)
runs=0
differences=0

# compare DIR ARGS...: runs both in DIR with the same arguments.
compare() {
  dir=$1
  shift
  a=$(cd "$dir" && eval "\"\$old\" $*" 2>&1; echo "[$?]")
  b=$(cd "$dir" && eval "\"\$new\" $*" 2>&1; echo "[$?]")
  runs=$((runs + 1))
  if [ "$a" != "$b" ]; then
    differences=$((differences + 1))
    printf 'differs in %s: %s\n' "$dir" "$*"
  fi
}

for case_dir in "$cases"/*/; do
  args=main.dat
  [ -f "$case_dir/args" ] && args=$(cat "$case_dir/args")
  for options in "" "-S" "--format=json" "-S --format=json" "-S -v"; do
    compare "$case_dir" "$options $args"
  done
done
for file in $(cd "$examples" && find . -type f | sed 's|^\./||' | sort); do
  case "$file" in
    */*) operand="'${file%/*}\\${file##*/}'" ;;
    *) operand=$file ;;
  esac
  for options in "" "-S" "--format=json" "-S --format=json" "-S -v" \
                 "--explain=1234567 -n 3" "--explain=42 -t -n 2 --format=json"; do
    compare "$examples" "$options $operand"
  done
done
echo "$runs runs, $differences differing"
[ "$differences" -eq 0 ]
