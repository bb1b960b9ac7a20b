// The seconds chosen for independent lines, through the WebAssembly build:
// lines of a ten-entry table at ten chosen seconds are all different, where
// ten seconds in a row repeat a few lines, and dice rolled at the chosen
// seconds total close to their exact odds.
import assert from 'node:assert/strict';
import path from 'node:path';

const site = process.env.WEFT_SITE;
const { default: weft } = await import(path.join(site, 'weft.js'));
const { independentSeconds } = await import(path.join(site, 'seconds.js'));

const decoder = new TextDecoder();
const ten = Array.from({ length: 10 }, (_, i) => `entry ${i}`).join('\n') + '\n';
const files = { 'ten.dat': ten, 'dice.dat': '(random 3d6+0)\n', 'coin.dat': 'heads:3\ntails\n' };

async function lines(file, seconds, extra = []) {
  const out = [];
  for (const time of seconds) {
    const result = await weft.run({ files, args: [...extra, '-n', '1', file], time });
    assert.equal(result.status, 1);
    out.push(decoder.decode(result.stdout));
  }
  return out;
}

const distinct = (values) => new Set(values).size;

for (const [start, offset] of [[1767225600, 0], [0, 0], [2147483600, 0], [1767225600, 12345], [4000000000, -7]]) {
  const extra = offset ? ['-s', String(offset)] : [];
  const seconds = await independentSeconds(10, { start, seedOffset: offset });
  assert.equal(distinct(seconds), 10);
  assert.ok(seconds.every((second, i) => i === 0 || Math.abs(second - seconds[i - 1]) > 1), 'not consecutive');
  assert.equal(distinct(await lines('ten.dat', seconds, extra)), 10, `ten lines from ${start}`);
  // Weighted entries come out as often as their frequency says.
  const coins = await lines('coin.dat', await independentSeconds(40, { start, seedOffset: offset }), extra);
  assert.equal(coins.filter((line) => line === 'Heads\n').length, 30);
}
const consecutive = Array.from({ length: 10 }, (_, i) => 1767225600 + i);
const inARow = distinct(await lines('ten.dat', consecutive));
assert.ok(inARow < 10, 'seconds in a row repeat lines');

// Dice: chi-square of 3d6 totals over 648 lines against the exact odds,
// below 30.6 (the 1% critical value for 15 degrees of freedom).
const odds = new Map();
for (let a = 1; a <= 6; ++a) for (let b = 1; b <= 6; ++b) for (let c = 1; c <= 6; ++c) {
  odds.set(a + b + c, (odds.get(a + b + c) || 0) + 1 / 216);
}
for (const start of [1767225600, 123456789]) {
  const rolls = (await lines('dice.dat', await independentSeconds(648, { start }))).map(Number);
  const counts = new Map();
  for (const total of rolls) counts.set(total, (counts.get(total) || 0) + 1);
  let chiSquare = 0;
  for (const [total, p] of odds) chiSquare += ((counts.get(total) || 0) - 648 * p) ** 2 / (648 * p);
  console.log(`3d6 from ${start}: chi-square ${chiSquare.toFixed(1)} over 648 lines`);
  assert.ok(chiSquare < 30.6, `3d6 totals from ${start} are far from the odds (chi-square ${chiSquare})`);
}

// More lines than draw values still get distinct seconds.
const many = await independentSeconds(33000, { start: 5 });
assert.equal(distinct(many), 33000);
console.log(`ten lines: 10 distinct at chosen seconds, ${inARow} at seconds in a row`);
