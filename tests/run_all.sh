#!/bin/sh
# Installs what the tests need (tests/packages.txt), then configures, builds
# and runs every test of the release build.
set -eu
cd "$(dirname "$0")/.."
sh tests/install_packages.sh
exec cmake --workflow --preset release
