#!/bin/sh
# Builds the extension's .vsix in the folder given (made if missing):
#   editors/vscode/build_vsix.sh build/vscode
# writes build/vscode/weft-<version>.vsix. The language client and the
# packager come from npm at the versions package-lock.json holds; npm's cache
# stays inside that folder. Needs Node 20 or later and npm.
set -eu
source=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)
work=$out/extension

# The installed packages are kept while package-lock.json stays as it was
# when they were installed.
if cmp -s "$source/package-lock.json" "$work/node_modules/.installed-lock.json"; then
  install=
else
  install=yes
  rm -rf "$work"
fi
mkdir -p "$work"
find "$work" -mindepth 1 -maxdepth 1 ! -name node_modules -exec rm -rf {} +
(cd "$source" && tar cf - --exclude=node_modules --exclude='*.vsix' .) | (cd "$work" && tar xf -)
cd "$work"
export npm_config_cache="$out/npm-cache" npm_config_update_notifier=false
if [ -n "$install" ]; then
  npm ci --prefer-offline --ignore-scripts --no-audit --no-fund --loglevel=error
  cp package-lock.json node_modules/.installed-lock.json
fi
version=$(node -p 'require("./package.json").version')
npx --no vsce package --allow-missing-repository --no-rewrite-relative-links --out "$out/weft-$version.vsix"
