#!/usr/bin/env bash
# Builds the Debian package of the build tree with CPack, checks its metadata,
# has lintian (when its path is given) find no error, no warning and, in a
# hardened build (HARDENED is ON), no missing hardening, unpacks it into a scratch root with dpkg -x and runs the
# unpacked weft on an unpacked example.
set -u
build=$1 work=$2 version=$3 lintian=${4:-} hardened=${5:-ON}
: "${WEFT_FROZEN_TIME_LIB:?}"
# Only a Debian-based system can build and unpack the package.
for tool in dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: skipped"; exit 77; }
done
rm -rf "$work"
mkdir -p "$work"
if ! (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") \
  >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack"
  exit 1
fi
deb=$(find "$work/out" -maxdepth 1 -name 'weft_*.deb' -print -quit)
[ -n "$deb" ] || { cat "$work/cpack.log"; echo "FAIL: no package made"; exit 1; }
echo "package: ${deb##*/}"
failures=0

field() { dpkg-deb -f "$deb" "$1"; }
check_field() {
  local name=$1 pattern=$2 value
  value=$(field "$name")
  echo "$name: $value" | head -2
  [[ $value =~ $pattern ]] || { echo "FAIL: $name does not match $pattern"; failures=$((failures + 1)); }
}
check_field Package '^weft$'
check_field Version "^$version(-[0-9]+)?$"
check_field Maintainer '<.+@.+>'
check_field Description '^random text from weighted tables'
check_field Section '^text$'
# dpkg-shlibdeps computed the dependencies from the binary.
check_field Depends 'libc6 \(>= '

if [ -n "$lintian" ]; then
  # -I adds the informational tags, among them those of missing hardening.
  "$lintian" -I "$deb" >"$work/lintian.log" 2>&1
  cat "$work/lintian.log"
  wrong='^[EW]: '
  [ "$hardened" = ON ] && wrong+='|hardening-'
  if grep -E "$wrong" "$work/lintian.log" >/dev/null; then
    echo "FAIL: lintian reports errors, warnings or missing hardening"
    failures=$((failures + 1))
  fi
fi

root=$work/root
dpkg -x "$deb" "$root"
for path in usr/bin/weft usr/bin/weft-check usr/share/man/man1/weft.1.gz \
  usr/bin/weft-export usr/share/man/man1/weft-export.1.gz \
  usr/share/bash-completion/completions/weft-export usr/share/fish/vendor_completions.d/weft-export.fish \
  usr/share/man/man1/weft-check.1.gz usr/share/doc/weft/copyright usr/share/doc/weft/changelog.gz \
  usr/share/bash-completion/completions/weft usr/share/bash-completion/completions/weft-check \
  usr/share/zsh/vendor-completions/_weft usr/share/fish/vendor_completions.d/weft.fish \
  usr/share/fish/vendor_completions.d/weft-check.fish usr/share/vim/vimfiles/ftdetect/weft.vim \
  usr/share/vim/vimfiles/syntax/weft.vim usr/share/vim/vimfiles/compiler/weft.vim \
  usr/bin/weft-roll usr/share/man/man1/weft-roll.1.gz usr/share/bash-completion/completions/weft-roll \
  usr/share/fish/vendor_completions.d/weft-roll.fish \
  usr/share/weft/examples/tavern.dat usr/share/doc/weft/format.md; do
  [ -e "$root/$path" ] || { echo "FAIL: the package lacks /$path"; failures=$((failures + 1)); }
done
# The changelog's latest entry is this version.
head=$(gzip -dc "$root/usr/share/doc/weft/changelog.gz" | head -1)
[[ $head == "weft ($version) "* ]] || { echo "FAIL: the changelog starts with: $head"; failures=$((failures + 1)); }

cd "$root/usr/share/weft/examples" || exit 1
LD_PRELOAD=$WEFT_FROZEN_TIME_LIB "$root/usr/bin/weft" -t -n 3 treasure.dat >"$work/stdout" 2>"$work/stderr"
status=$?
cat "$work/stdout" "$work/stderr"
[ "$status" -eq 1 ] || { echo "FAIL: exit status $status"; failures=$((failures + 1)); }
[ "$(grep -c '^Hoard       : ' "$work/stdout")" -eq 3 ] || { echo "FAIL: not 3 hoards"; failures=$((failures + 1)); }
[ -s "$work/stderr" ] && { echo "FAIL: standard error is not empty"; failures=$((failures + 1)); }
# The unpacked weft-roll rolls three different hoards.
LD_PRELOAD=$WEFT_FROZEN_TIME_LIB "$root/usr/bin/weft-roll" -n 3 --unique treasure.dat >"$work/roll" 2>&1 ||
  { cat "$work/roll"; echo "FAIL: weft-roll"; failures=$((failures + 1)); }
[ "$(sort -u "$work/roll" | wc -l)" -eq 3 ] || { echo "FAIL: not 3 different hoards"; failures=$((failures + 1)); }

echo "$failures failures"
[ "$failures" -eq 0 ]
