// A page of a user's own, bundled by esbuild and type-checked against the
// package's types: the WebAssembly comes through the package's subpaths.
import weft from 'weft-tables';
import weftWasm from 'weft-tables/weft.wasm';
import checkWasm from 'weft-tables/weft-check.wasm';
import exportWasm from 'weft-tables/weft-export.wasm';

// weft's output for `tavern` as tavern.dat at the clock's `time`, and the
// checker's count of errors.
export async function roll(tavern: string, args: string[], time: number): Promise<[string, number]> {
  await weft.load({ wasm: { weft: weftWasm, 'weft-check': checkWasm } });
  const files = { 'tavern.dat': tavern };
  const { stdout } = await weft.run({ files, args, time });
  const { summary } = await weft.check({ files, args: ['tavern.dat'] });
  return [new TextDecoder().decode(stdout), summary.errors];
}

// The Roll20 commands of `tavern` as tavern.dat, from weft-export.
export async function roll20(tavern: string): Promise<string> {
  await weft.load({ wasm: { 'weft-export': exportWasm } });
  const { files } = await weft.export({ files: { 'tavern.dat': tavern }, format: 'roll20', args: ['tavern.dat'] });
  return new TextDecoder().decode(files['tables.txt']);
}
