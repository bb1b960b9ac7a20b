#!/usr/bin/env bash
# Fails when a C or C++ source of the project differs from what clang-format
# makes of it under .clang-format; lists the files that differ.
set -u
clang_format=$1 root=$2
cd "$root" || exit 1
mapfile -d '' files < <(find src tests tools bench fuzz web -type f \
  \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0 2>/dev/null | sort -z)
[ "${#files[@]}" -gt 0 ] || { echo "FAIL: no sources found"; exit 1; }
bad=0
for file in "${files[@]}"; do
  if ! "$clang_format" --style=file --dry-run --Werror "$file" >/dev/null 2>&1; then
    echo "not formatted: $file"
    bad=$((bad + 1))
  fi
done
echo "${#files[@]} files checked, $bad not formatted (clang-format -i fixes them)"
[ "$bad" -eq 0 ]
