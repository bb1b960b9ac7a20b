#!/bin/sh
# Installs the Debian packages listed in tests/packages.txt that are not
# installed yet, with apt-get: directly as root, otherwise through sudo.
set -eu
list=$(dirname "$0")/packages.txt

missing=
for package in $(sed -e 's/#.*//' "$list"); do
  if ! dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
    missing="$missing $package"
  fi
done
if [ -z "$missing" ]; then
  echo "Every package the tests need is installed."
  exit 0
fi
echo "Installing the packages the tests need:$missing"

if ! command -v apt-get >/dev/null 2>&1; then
  echo "apt-get is not available: install these packages (Debian names) by hand:$missing" >&2
  exit 1
fi
if [ "$(id -u)" -eq 0 ]; then
  as_root=
elif command -v sudo >/dev/null 2>&1; then
  as_root=sudo
else
  echo "Installing needs root, and sudo is not installed: as root, run" >&2
  echo "  apt-get install$missing" >&2
  exit 1
fi

# Another apt run may hold the lock: wait for it rather than fail.
apt_get() {
  $as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 "$@"
}
apt_get update -qq
# Emacs recommends a mail transfer agent, whose set-up fails where it cannot
# make /dev/null (in some containers) and leaves dpkg half-configured; the
# editor needs none of its recommends, so those two come without them.
plain=
bare=
for package in $missing; do
  case $package in
    emacs-nox | elpa-eglot) bare="$bare $package" ;;
    *) plain="$plain $package" ;;
  esac
done
# shellcheck disable=SC2086
[ -z "$plain" ] || apt_get install -y -qq $plain
# shellcheck disable=SC2086
[ -z "$bare" ] || apt_get install -y -qq --no-install-recommends $bare
