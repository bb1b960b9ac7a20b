#!/usr/bin/env bash
# Renders the man page with mandoc and with man-db's groff pipeline and fails
# on any warning; also checks that the page names the project's version and
# lists every exit status that weft's ExitStatus enumeration (in HEADER) has.
set -u
page=$1 version=$2 header=$3
status=0

# The enumerators' values as a platform that keeps 8 bits reports them.
codes=$(sed -n 's/^ *[A-Za-z]* = \(-\?[0-9]*\),.*/\1/p' "$header")
[ -n "$codes" ] || { echo "FAIL: no exit statuses found in $header"; status=1; }
exit_section=$(sed -n '/^\.SH EXIT STATUS/,/^\.SH /p' "$page")
for code in $codes; do
  shown=$(((code + 256) % 256))
  if ! grep -qx "\.B $shown" <<<"$exit_section"; then
    echo "FAIL: exit status $shown ($code) is not in the EXIT STATUS section"
    status=1
  fi
done

if ! grep -q "^\.TH WEFT 1 .* \"weft $version\"" "$page"; then
  echo "FAIL: the .TH line does not name weft $version"
  status=1
fi

ran=0
if command -v mandoc >/dev/null; then
  ran=1
  if ! out=$(mandoc -T lint -W warning "$page" 2>&1) || [ -n "$out" ]; then
    echo "FAIL: mandoc -T lint:"
    echo "$out"
    status=1
  fi
fi
if command -v man >/dev/null && command -v groff >/dev/null; then
  ran=1
  err=$(LC_ALL=C.UTF-8 MANWIDTH=80 MAN_KEEP_STDERR=1 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  if [ -n "$err" ]; then
    echo "FAIL: man --warnings:"
    echo "$err"
    status=1
  fi
fi
if [ "$ran" -eq 0 ]; then
  echo "FAIL: neither mandoc nor man with groff is installed"
  status=1
fi
exit "$status"
