"""weft-tables as a user installs it.

The tarball the wasm build packs is installed into a fresh project
(WEFT_NPM_PROJECT, made anew) beside esbuild and TypeScript from this
folder's lock file. Then weft.test.mjs runs under `node --test`, and page.ts
is type-checked against the package's types, bundled by esbuild and run in
headless Chromium, where weft's lines of the tavern at a frozen second must
be the native binary's, and its export to Roll20 native weft-export's.

Environment: WEFT_NPM, WEFT_NPM_TARBALL, WEFT_NPM_PROJECT, WEFT_NODE, WEFT,
WEFT_EXPORT, WEFT_FROZEN_TIME_LIB, WEFT_EXAMPLES.
"""

import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import browser  # noqa: E402

ENV = os.environ
HERE = pathlib.Path(__file__).resolve().parent
PROJECT = pathlib.Path(ENV["WEFT_NPM_PROJECT"])
TIME = 1767225600
ARGS = ["-n", "40", "tavern.dat"]


def step(*command):
    subprocess.run([os.fspath(part) for part in command], cwd=PROJECT, check=True)


shutil.rmtree(PROJECT, ignore_errors=True)
PROJECT.mkdir(parents=True)
for name in ("package.json", "package-lock.json", "weft.test.mjs", "page.ts", "wasm.d.ts"):
    shutil.copy(HERE / name, PROJECT)
npm = [ENV["WEFT_NPM"], "--no-audit", "--no-fund", "--ignore-scripts", "--loglevel=warn"]
step(*npm, "ci", "--prefer-offline")
step(*npm, "install", "--no-save", "--offline", ENV["WEFT_NPM_TARBALL"])
step(ENV["WEFT_NODE"], "--test", "weft.test.mjs")
tools = PROJECT / "node_modules" / ".bin"
step(tools / "tsc", "--noEmit", "--strict", "--target", "es2022", "--lib", "es2022,dom",
     "--module", "preserve", "--moduleResolution", "bundler", "page.ts", "wasm.d.ts")
step(tools / "esbuild", "page.ts", "--bundle", "--format=esm", "--loader:.wasm=file",
     "--outdir=site", "--log-level=warning")
(PROJECT / "site" / "index.html").write_text('<!doctype html><link rel="icon" href="data:,"><script type="module" src="page.js"></script>\n')

native = subprocess.run([ENV["WEFT"], *ARGS], cwd=ENV["WEFT_EXAMPLES"], capture_output=True, check=False,
                        env={"LD_PRELOAD": ENV["WEFT_FROZEN_TIME_LIB"], "WEFT_FROZEN_TIME": str(TIME)})
tavern = pathlib.Path(ENV["WEFT_EXAMPLES"], "tavern.dat").read_text(encoding="utf-8")
with browser.serve(PROJECT / "site") as site, browser.chromium() as driver:
    driver.get(site.url("index.html"))
    lines, errors = driver.execute_script(
        "return import('/page.js').then((page) => page.roll(...arguments))", tavern, ARGS, TIME)
    commands = driver.execute_script("return import('/page.js').then((page) => page.roll20(arguments[0]))", tavern)
    console = browser.console_errors(driver)
if lines != native.stdout.decode("utf-8") or errors != 0 or console:
    sys.exit(f"the bundled page differs from native weft:\n{lines}\nerrors {errors}, console {console}")
with tempfile.TemporaryDirectory() as out:
    subprocess.run([ENV["WEFT_EXPORT"], "--to=roll20", "-o", f"{out}/t", "tavern.dat"], cwd=ENV["WEFT_EXAMPLES"],
                   check=True, capture_output=True)
    if commands != pathlib.Path(out, "t", "tables.txt").read_text(encoding="utf-8"):
        sys.exit(f"the bundled page's export differs from native weft-export:\n{commands}")
print(f"weft-tables in Chromium: {len(lines.splitlines())} lines of the tavern as native weft's, and its export")
