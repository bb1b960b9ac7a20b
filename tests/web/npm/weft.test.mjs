// weft-tables imported by its name in a user's project: weft's lines of the
// tavern at a frozen second are the native binary's, the checker, the
// explanation, the server and the seconds answer from the package's files,
// and each export writes what native weft-export writes.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readdirSync, readFileSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import test from 'node:test';
import weft, { run, check, explain, spreadSeconds, export as exportTables } from 'weft-tables';

const { WEFT, WEFT_EXPORT, WEFT_FROZEN_TIME_LIB, WEFT_EXAMPLES } = process.env;
const files = { 'tavern.dat': readFileSync(`${WEFT_EXAMPLES}/tavern.dat`) };
const time = 1767225600;
const args = ['-n', '40', 'tavern.dat'];
const native = spawnSync(WEFT, args, { cwd: WEFT_EXAMPLES, encoding: 'utf8',
  env: { LD_PRELOAD: WEFT_FROZEN_TIME_LIB, WEFT_FROZEN_TIME: String(time) } });

test('the tavern at a frozen second gives native weft lines', async () => {
  const got = await run({ files, args, time });
  assert.equal(new TextDecoder().decode(got.stdout), native.stdout);
  assert.equal(got.status & 0xff, native.status);
});

test('weft-check, explain, the server and spreadSeconds run from the package', async () => {
  assert.equal((await check({ files, args: ['tavern.dat'] })).summary.errors, 0);
  const why = await explain({ files, args: ['-n', '1', 'tavern.dat'], time });
  assert.equal(why.output[0].written, native.stdout.split('\n')[0] + '\n');
  const server = await weft.languageServer();
  assert.equal(server.handle({ jsonrpc: '2.0', id: 1, method: 'initialize', params: {} })[0].id, 1);
  assert.equal(new Set(await spreadSeconds(5, { start: time })).size, 5);
});

// The files under `folder` by their paths in it, weft-export's mark left out.
const filesUnder = (folder) => Object.fromEntries(readdirSync(folder, { recursive: true })
  .filter((path) => path !== '.weft-export' && statSync(`${folder}/${path}`).isFile())
  .map((path) => [path, new Uint8Array(readFileSync(`${folder}/${path}`))]));

// Each export of the examples with the native command line that matches it,
// writing to the folder named last (the export's own default in the first two).
const exports = [
  [{ format: 'foundry', foundry: 12, exact: true, args: ['rumours.dat'] },
    ['--to=foundry', '--foundry=12', '--exact', 'rumours.dat'], 'rumours-foundry'],
  [{ format: 'obsidian', maxFrequency: 20, args: ['wilderness\\encounters.dat'] },
    ['--to=obsidian', '-m', '20', 'wilderness\\encounters.dat'], 'encounters-obsidian'],
  [{ format: 'roll20', titles: { 'hooks.dat': 'Plot hooks' }, output: 'hooks', args: ['hooks.dat'] },
    ['--to=roll20', '--title=hooks.dat=Plot hooks', 'hooks.dat'], 'hooks'],
];

test('each export writes the files and notes of native weft-export; a bad format fails in its words', async () => {
  const examples = filesUnder(WEFT_EXAMPLES);
  const out = mkdtempSync(`${tmpdir()}/weft-export-`);
  const native = (args, folder) => spawnSync(WEFT_EXPORT, [...args, '-o', `${out}/${folder}`],
    { cwd: WEFT_EXAMPLES, argv0: 'weft-export' });
  try {
    for (const [options, args, folder] of exports) {
      const mine = await exportTables({ files: examples, ...options });
      const theirs = native(args, folder);
      assert.equal(theirs.status, 0, theirs.stderr.toString());
      assert.deepEqual(mine.files, filesUnder(`${out}/${folder}`), options.format);
      assert.equal(mine.folder, folder);
      assert.deepEqual(Buffer.from(mine.stderr), theirs.stderr);
      assert.equal(mine.notes.map((note) => `weft-export: ${note}\n`).join(''), theirs.stderr.toString());
    }
    const theirs = native(['--to=nope', 'tavern.dat'], 'nope');
    await assert.rejects(exportTables({ files: examples, format: 'nope', args: ['tavern.dat'] }), (error) => {
      assert.deepEqual([error.status, Buffer.from(error.stderr)], [theirs.status, theirs.stderr]);
      return error.message.startsWith('weft-export: unknown format "nope" (foundry, obsidian or roll20)');
    });
  } finally {
    rmSync(out, { recursive: true, force: true });
  }
});
