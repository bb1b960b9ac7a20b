#!/usr/bin/env bash
# Installs the build tree into a scratch prefix with `cmake --install` and
# checks the layout, then runs the installed weft on an installed example.
set -u
build=$1 work=$2
: "${WEFT_FROZEN_TIME_LIB:?}"
rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  echo "FAIL: cmake --install"
  exit 1
fi
failures=0
for path in bin/weft bin/weft-check share/man/man1/weft.1.gz share/man/man1/weft-check.1.gz \
  bin/weft-export share/man/man1/weft-export.1.gz share/bash-completion/completions/weft-export \
  share/fish/vendor_completions.d/weft-export.fish \
  share/bash-completion/completions/weft share/zsh/vendor-completions/_weft \
  share/fish/vendor_completions.d/weft.fish share/vim/vimfiles/syntax/weft.vim \
  share/doc/weft/copyright \
  share/weft/examples/tavern.dat share/weft/examples/wilderness/encounters.dat \
  share/weft/examples/wilderness/forest/forest.dat share/doc/weft/README.md \
  bin/weft-roll share/man/man1/weft-roll.1.gz share/bash-completion/completions/weft-roll \
  share/fish/vendor_completions.d/weft-roll.fish \
  share/doc/weft/format.md; do
  [ -e "$prefix/$path" ] || { echo "FAIL: $path is not installed"; failures=$((failures + 1)); }
done
[ -x "$prefix/bin/weft" ] || { echo "FAIL: bin/weft is not executable"; failures=$((failures + 1)); }

# The installed weft, on installed examples, one of them through the
# backslash form that enters its folder.
cd "$prefix/share/weft/examples" || exit 1
for args in "-t -n 5 tavern.dat" "-n 5 wilderness\\encounters.dat"; do
  # shellcheck disable=SC2086
  LD_PRELOAD=$WEFT_FROZEN_TIME_LIB "$prefix/bin/weft" $args >"$work/out" 2>"$work/err"
  status=$?
  [ "$status" -eq 1 ] || { echo "FAIL: weft $args: exit status $status"; failures=$((failures + 1)); }
  [ "$(wc -l <"$work/out")" -eq 5 ] || { echo "FAIL: weft $args: not 5 lines"; failures=$((failures + 1)); }
  [ -s "$work/err" ] && { echo "FAIL: weft $args wrote: $(cat "$work/err")"; failures=$((failures + 1)); }
  cat "$work/out"
done
# The installed weft-export, on an installed example that lists files.
if ! "$prefix/bin/weft-export" --to=roll20 -o "$work/roll20" npc.dat >"$work/out" 2>"$work/err" ||
  ! grep -q '^!import-table --npc --show$' "$work/roll20/tables.txt"; then
  echo "FAIL: weft-export npc.dat: $(cat "$work/err")"
  failures=$((failures + 1))
fi
echo "$failures failures"
[ "$failures" -eq 0 ]
