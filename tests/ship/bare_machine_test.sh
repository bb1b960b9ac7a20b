#!/usr/bin/env bash
# Runs the README's "build and run on the bundled examples" command, as the
# README writes it, in a copy of the source tree on a machine without any test
# tool: PATH holds only CMake, make, the compilers and binutils, and a
# toolchain file, which CMake reads from the environment, hides the system's
# program and library folders from find_program, find_package and the like.
# Configuration must name the Debian packages of the missing tools, and the
# command must build weft and print the lines of a bundled example.
set -u
source=$1 work=$2
rm -rf "$work"
mkdir -p "$work/bin" "$work/tree"

command=$(sed -n '/^## Build and run on the bundled examples/,/^## /p' "$source/README.md" |
  sed -n '/^```sh$/,/^```$/{/^```/d;p;}')
[ "$(printf '%s\n' "$command" | grep -c .)" -eq 1 ] || {
  echo "FAIL: the README's build-and-run section does not hold one command line:"
  printf '%s\n' "$command"
  exit 1
}
echo "README: $command"

for tool in cmake make cc c++ gcc g++ ar ranlib ld as nm strip objcopy objdump readelf; do
  path=$(command -v "$tool") && ln -s "$path" "$work/bin/$tool"
done
cat >"$work/hide.cmake" <<'HIDE'
set(CMAKE_IGNORE_PREFIX_PATH /usr /usr/local / /opt)
set(CMAKE_IGNORE_PATH /usr/bin /bin /usr/sbin /sbin /usr/local/bin /usr/local/sbin
    /usr/include /usr/local/include /usr/lib /lib /usr/lib64 /lib64 /usr/local/lib
    /usr/lib/x86_64-linux-gnu /lib/x86_64-linux-gnu
    /usr/lib/x86_64-linux-gnu/cmake/GTest /usr/lib/x86_64-linux-gnu/cmake/benchmark)
HIDE
tar -C "$source" --exclude=./build --exclude=./.git --exclude=./CMakeUserPresets.json -cf - . |
  tar -C "$work/tree" -xf - || { echo "FAIL: copying the source tree"; exit 1; }

cd "$work/tree" || exit 1
env -u CI -u CMAKE_PREFIX_PATH -u GTEST_ROOT PATH="$work/bin" CMAKE_TOOLCHAIN_FILE="$work/hide.cmake" \
  /bin/bash -c "$command" >"$work/out" 2>&1
status=$?
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

grep -E '^-- |^Tavern' "$work/out"
# weft ends a normal run with status 1, and the command ends with weft.
[ "$status" -eq 1 ] || fail "the command ended with status $status"
[ "$(grep -c '^Tavern      : [A-Z]' "$work/out")" -eq 5 ] || fail "it did not print 5 taverns"
for package in libgtest-dev python3-cram; do
  grep -q "^-- Test tool .*(Debian package $package)" "$work/out" ||
    fail "configuration did not name the missing package $package"
done
grep -q "^-- nlohmann-json not found (Debian package nlohmann-json3-dev), so weft-check is left out" \
  "$work/out" || fail "configuration did not say that weft-check is left out for nlohmann-json3-dev"
[ "$failures" -eq 0 ] || { echo "--- the whole output:"; cat "$work/out"; }
echo "$failures failures"
[ "$failures" -eq 0 ]
