// weft.js from Node: runs the bundled examples and a few command lines
// through the WebAssembly build and compares every byte of the output and
// the exit status with the native binary's, run on the same files; and one
// report with odds with the native weft-check's.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const env = process.env;
const { default: weft } = await import(path.join(env.WEFT_SITE, 'weft.js'));

function readTree(root, folder = '') {
  const files = {};
  for (const entry of fs.readdirSync(path.join(root, folder), { withFileTypes: true })) {
    const relative = folder ? `${folder}/${entry.name}` : entry.name;
    if (entry.isDirectory()) Object.assign(files, readTree(root, relative));
    else files[relative] = new Uint8Array(fs.readFileSync(path.join(root, relative)));
  }
  return files;
}

// Runs the native binary on a copy of `files`; once with the streams apart
// and once with both on one pipe, as a console shows them.
function native({ files, args, time, cwd = '', variables = {} }) {
  const top = fs.mkdtempSync(path.join(os.tmpdir(), 'weft-node-'));
  try {
    for (const [name, contents] of Object.entries(files)) {
      fs.mkdirSync(path.dirname(path.join(top, name)), { recursive: true });
      fs.writeFileSync(path.join(top, name), contents);
    }
    const options = {
      cwd: path.join(top, cwd),
      env: { LD_PRELOAD: env.WEFT_FROZEN_TIME_LIB, WEFT_FROZEN_TIME: String(time), ...variables },
    };
    const apart = spawnSync(env.WEFT, args, options);
    const together = spawnSync('/bin/sh', ['-c', 'exec "$0" "$@" 2>&1', env.WEFT, ...args], options);
    return { stdout: apart.stdout, stderr: apart.stderr, combined: together.stdout, status: apart.status };
  } finally {
    fs.rmSync(top, { recursive: true, force: true });
  }
}

const examples = readTree(env.WEFT_EXAMPLES);
const bytes = (text) => new Uint8Array(Buffer.from(text, 'latin1'));
const cases = [
  { name: 'tavern', files: examples, args: ['-t', '-n', '5', 'tavern.dat'], time: 1767225600 },
  { name: 'wilderness', files: examples, cwd: 'wilderness', args: ['-t', '-n', '8', 'encounters.dat'], time: 99 },
  { name: 'dice and names', files: examples, args: ['-n', '6', 'treasure.dat', 'npc.dat'], time: 2147483647 },
  { name: 'operand folder', files: examples, args: ['-n', '3', 'wilderness\\encounters.dat'], time: -5 },
  { name: 'missing file', files: {}, args: ['-t', 'missing.dat'], time: 0 },
  { name: 'bad -n', files: examples, args: ['-n', '0', 'tavern.dat'], time: 0 },
  { name: 'option order', files: examples, args: ['tavern.dat', '-n', '2'], time: 4,
    variables: { _POSIX_OPTION_ORDER: '' } },
];

let failures = 0;
for (const c of cases) {
  const expected = native(c);
  const got = await weft.run({ files: c.files, args: c.args, time: c.time, cwd: c.cwd, env: c.variables });
  try {
    for (const stream of ['stdout', 'stderr', 'combined']) {
      assert.deepEqual(Buffer.from(got[stream]), Buffer.from(expected[stream]), `${c.name}: ${stream}`);
    }
    assert.equal(got.status & 0xff, expected.status, `${c.name}: status`);
  } catch (error) {
    ++failures;
    console.error(error.message);
  }
}

// The status is the value passed to exit, not its low byte; files given to
// one run are not seen by the next.
const first = await weft.run({ files: { 'a.dat': 'orc\n' }, args: ['a.dat'], time: 1 });
const second = await weft.run({ args: ['a.dat'], time: 1 });
assert.deepEqual([first.status, new TextDecoder().decode(first.stdout)], [1, 'Orc\n']);
assert.deepEqual([second.status, new TextDecoder().decode(second.stderr)], [-2, "Can't read a.dat\n"]);
assert.deepEqual([first.statusWords, second.statusWords], ['weft ended normally (exit status 1).',
  'weft stopped: a data file could not be read (exit status -2, shown by a shell as 254).']);
// Arguments and files arrive byte for byte (Node hands a child process its
// arguments as UTF-8, so this one is compared with a fixed text).
const exact = await weft.run({ files: { 'a.dat': bytes('caf\xe9 \xff\n') }, args: [bytes('-\xe9'), 'a.dat'] });
assert.deepEqual([Buffer.from(exact.stdout).toString('latin1'), Buffer.from(exact.stderr).toString('latin1').split('\n')[0]],
                 ['Caf\xe9 \xff\n', 'weft: unrecognized option, character code 037777777751']);
// The environment holds only what is given.
const bare = await weft.run({ files: examples, args: ['tavern.dat', '-n', '2'], time: 4 });
assert.equal(new TextDecoder().decode(bare.stdout).split('\n').length, 3, 'options after the operand are read');
await assert.rejects(weft.run({ files: { '../up.dat': 'x' } }), RangeError);
// Runs share an instance but nothing else: a variable, a file, a folder
// entered and a frozen clock of one run are gone in the next.
const text = (bytes) => new TextDecoder().decode(bytes);
const ordered = await weft.run({ files: { 'a.dat': 'a\n' }, args: ['a.dat', '-t'],
                                 env: { _POSIX_OPTION_ORDER: '' }, time: 4 });
assert.equal(text(ordered.combined), "A\nCan't read -t\n");
const moved = await weft.run({ files: { 'c.dat': '%chdir:sub\nc\n', 'sub/': '' }, args: ['c.dat', '-t'] });
assert.equal(text(moved.combined), 'No Title    : C\n');
assert.equal(text((await weft.run({ files: { 'e.dat': 'e\n' }, args: ['e.dat', 'a.dat'] })).combined),
             "E\nCan't read a.dat\n");
const roll = { files: { 'd.dat': '(random 1d1000000+0)\n' }, args: ['d.dat'] };
assert.notEqual(text((await weft.run(roll)).stdout), text((await weft.run({ ...roll, time: 4 })).stdout),
                'a run without a time reads the real clock');

// weft.check gives weft-check's report as the native checker writes it.
const odds = await weft.check({ files: examples, args: ['--stats', 'hooks.dat'] });
const nativeOdds = spawnSync(env.WEFT_CHECK, ['--format=json', '--stats', 'hooks.dat'], { cwd: env.WEFT_EXAMPLES });
assert.deepEqual(odds.report, JSON.parse(nativeOdds.stdout));
assert.equal(odds.status, nativeOdds.status);

// weft.explain gives weft-check --explain's report, whose words are those
// of its text form, a run that ends on a problem included.
for (const explainArgs of [['-n', '4', 'treasure.dat', 'npc.dat'], ['-n', '2', 'missing.dat']]) {
  const { stderr, ...why } = await weft.explain({ files: examples, args: explainArgs, time: 77 });
  const nativeWhy = (format) => spawnSync(env.WEFT_CHECK, ['--explain=77', ...format, ...explainArgs],
                                          { cwd: env.WEFT_EXAMPLES }).stdout.toString();
  assert.deepEqual(why, JSON.parse(nativeWhy(['--format=json'])));
  assert.equal(why.output.map((part) => part.written + part.steps.map((step) =>
    `${'  '.repeat(step.depth)}${step.words}\n`).join('')).join('') +
    (why.ending_words ? `  ${why.ending_words}\n` : ''), nativeWhy([]));
}

// weft's operand rule and the server's URIs, from the WebAssembly build.
assert.deepEqual(await weft.splitOperand('a/b\\c\\d.dat'), { directory: 'a/b\\c', filename: 'd.dat' });
assert.deepEqual(await weft.splitOperand('d.dat'), { directory: null, filename: 'd.dat' });
assert.equal(await weft.joinOperand('lore/deep', 'kin.dat'), 'lore/deep\\kin.dat');
const { uriOfPath, pathOfUri } = await weft.uris();
assert.equal(uriOfPath('lore/a b(1).dat'), 'file:///files/lore/a%20b%281%29.dat');
assert.deepEqual([pathOfUri(uriOfPath('lore/a b(1).dat')), pathOfUri('file:///t.dat')], ['lore/a b(1).dat', null]);

// The language server answers as the native one does over standard input.
const server = await weft.languageServer();
assert.equal(server.handle({ jsonrpc: '2.0', id: 1, method: 'initialize', params: { capabilities: {} } })[0].id, 1);
server.handle({ jsonrpc: '2.0', method: 'textDocument/didOpen',
                params: { textDocument: { uri: 'file:///t.dat', text: 'a:3\nb\n%table: 1\n' } } });
assert.deepEqual(server.idle()[0].params.diagnostics.map((d) => d.range.start.line), [2]);
const hover = server.handle({ jsonrpc: '2.0', id: 2, method: 'textDocument/hover',
                              params: { textDocument: { uri: 'file:///t.dat' }, position: { line: 0, character: 0 } } });
assert.match(hover[0].result.contents.value, /75\.0%/);

console.log(`${cases.length - failures} of ${cases.length} command lines match the native binary`);
process.exit(failures === 0 ? 0 : 1);
