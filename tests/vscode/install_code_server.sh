#!/bin/sh
# Installs code-server (a complete VS Code that runs in a browser) into the
# folder given, once: a later run finds it and returns at once. Everything,
# npm's cache included, stays inside that folder. Its own install scripts
# fetch prebuilt binaries from outside, so they are skipped and the native
# modules VS Code needs are built against the installed Node's headers;
# ripgrep and kerberos are left out (search in files then does not work).
set -eu
dir=$1
version=4.100.3
stamp=$dir/installed-$version
[ -f "$stamp" ] && exit 0

mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
export npm_config_cache="$dir/npm-cache" npm_config_devdir="$dir/node-gyp"
export npm_config_nodedir=/usr npm_config_update_notifier=false npm_config_fund=false
export npm_config_audit=false npm_config_loglevel=error
npm_install() { (cd "$1" && shift && npm install --no-save --ignore-scripts "$@"); }

echo "Installing code-server $version into $dir (a few minutes, once per build folder)"
[ -f "$dir/package.json" ] || echo '{ "private": true }' >"$dir/package.json"
npm_install "$dir" "code-server@$version"
vscode=$dir/node_modules/code-server/lib/vscode
npm_install "$vscode" --omit=dev
npm_install "$vscode/extensions" --omit=dev
# node-pty's own script ends by fetching node-gyp through npx (into the cache
# above) to list its compile commands.
(cd "$vscode" && npm_config_yes=true npm rebuild @vscode/spdlog native-watchdog node-pty)
(cd "$dir" && npm_config_build_from_source=true npm rebuild argon2)
rm -rf "$dir/npm-cache"
touch "$stamp"
