#!/bin/sh
# Every data file shipped in examples/, in sub-folders too, must check clean:
# no diagnostic, exit status 0, and its odds must be worked out without a
# failure. Each is named the way weft is told to read a file in a folder,
# "folder\file", so that it loads from inside its folder.
checker=$1
examples=$2
cd "$examples" || exit 1
status=0
count=0
for file in $(find . -type f | sed 's|^\./||' | sort); do
  case "$file" in
    */*) operand="${file%/*}\\${file##*/}" ;;
    *) operand=$file ;;
  esac
  count=$((count + 1))
  output=$("$checker" "$operand" 2>&1)
  code=$?
  if [ "$code" -ne 0 ]; then
    echo "$operand: exit status $code"
    echo "$output"
    status=1
  fi
  # The odds of every example can be worked out too.
  if ! "$checker" --stats "$operand" >/dev/null 2>&1; then
    echo "$operand: --stats failed"
    status=1
  fi
done
[ "$count" -gt 0 ] || { echo "no data files in $examples"; exit 1; }
echo "$count data files checked"
exit $status
