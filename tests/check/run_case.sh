#!/bin/sh
# Runs weft-check in one case folder and compares what it prints, and its exit
# status, with the folder's `expected`. The folder's `args` holds the command
# line (main.dat when there is none).
checker=$1
case_dir=$2
cd "$case_dir" || exit 1
args=main.dat
[ -f args ] && args=$(cat args)
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
eval "\"\$checker\" $args" >"$actual" 2>&1
echo "[$?]" >>"$actual"
diff -u expected "$actual"
