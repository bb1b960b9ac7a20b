// weft-tables imported by its name in a user's project: weft's lines of the
// tavern at a frozen second are the native binary's, and the checker, the
// explanation, the server and the seconds answer from the package's files.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import test from 'node:test';
import weft, { run, check, explain, spreadSeconds } from 'weft-tables';

const { WEFT, WEFT_FROZEN_TIME_LIB, WEFT_EXAMPLES } = process.env;
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
