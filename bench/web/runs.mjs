// Times runs of the playground's API in Node: -n 1000 of tavern.dat, and
// 100 and 1,000 independent lines (one run of -n 1 per second), each the
// median of several rounds after a warm-up.
//   node bench/web/runs.mjs [site folder, default build/wasm/web]
import {readFileSync, readdirSync} from 'node:fs';
import {join, resolve} from 'node:path';
import {pathToFileURL} from 'node:url';

const site = resolve(process.argv[2] ?? 'build/wasm/web');
const weft = (await import(pathToFileURL(join(site, 'weft.js')))).default;
const {independentSeconds} = await import(pathToFileURL(join(site, 'seconds.js')));
const examples = join(site, 'examples');
const files = {};
for (const name of readdirSync(examples)) {
  if (name.endsWith('.dat') || name.endsWith('.ele')) files[name] = readFileSync(join(examples, name));
}

async function time(work, rounds) {
  await work();
  const taken = [];
  for (let i = 0; i < rounds; ++i) {
    const start = performance.now();
    await work();
    taken.push(performance.now() - start);
  }
  taken.sort((a, b) => a - b);
  return `median ${taken[taken.length >> 1].toFixed(1)} ms (${taken[0].toFixed(1)}-${taken[taken.length - 1].toFixed(1)})`;
}

async function lines(count) {
  for (const second of independentSeconds(count, {start: 1767225600})) {
    await weft.run({files, args: ['-n', '1', 'tavern.dat'], time: second});
  }
}

await weft.load();
console.log('-n 1000 of tavern.dat:', await time(() => weft.run({files, args: ['-n', '1000', 'tavern.dat'], time: 1767225600}), 9));
console.log('100 independent lines:', await time(() => lines(100), 5));
console.log('1,000 independent lines:', await time(() => lines(1000), 3));
