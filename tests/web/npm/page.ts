// A page of a user's own, bundled by esbuild and type-checked against the
// package's types: the WebAssembly comes through the package's subpaths.
import weft from 'weft-tables';
import weftWasm from 'weft-tables/weft.wasm';
import checkWasm from 'weft-tables/weft-check.wasm';

// weft's output for `tavern` as tavern.dat at the clock's `time`, and the
// checker's count of errors.
export async function roll(tavern: string, args: string[], time: number): Promise<[string, number]> {
  await weft.load({ wasm: { weft: weftWasm, 'weft-check': checkWasm } });
  const files = { 'tavern.dat': tavern };
  const { stdout } = await weft.run({ files, args, time });
  const { summary } = await weft.check({ files, args: ['tavern.dat'] });
  return [new TextDecoder().decode(stdout), summary.errors];
}
