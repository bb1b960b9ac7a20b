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

rm -rf "$work"
mkdir -p "$work"
(cd "$source" && tar cf - --exclude=node_modules --exclude='*.vsix' .) | (cd "$work" && tar xf -)
cd "$work"
export npm_config_cache="$out/npm-cache" npm_config_update_notifier=false
npm ci --ignore-scripts --no-audit --no-fund --loglevel=error
version=$(node -p 'require("./package.json").version')
npx --no vsce package --allow-missing-repository --no-rewrite-relative-links --out "$out/weft-$version.vsix"
