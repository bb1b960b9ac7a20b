// weft in the browser (and in Node): the programs weft, weft-check and
// weft-export, compiled to WebAssembly from the same sources, run on files
// held in memory.
//
//   import weft from './weft.js';       // or: import { run, check } from './weft.js';
//
//   const r = await weft.run({
//     files: { 'tavern.dat': '%title:tavern\nthe (table1)\n...', 'lore/names.ele': bytes },
//     args: ['-t', '-n', '3', 'tavern.dat'],   // after the program name; strings or Uint8Array
//     time: 1767225600,   // the clock's second (number or bigint); absent: the real clock
//     cwd: '',            // folder to start in, relative to the top of the files ('' = the top)
//     env: {},            // the only environment variables the run sees
//     program: 'weft',    // argument 0
//   });
//   r.stdout, r.stderr, r.combined   // Uint8Array, byte for byte as written;
//                                    // combined holds both streams in the order written
//   r.status                         // the value passed to exit: 1 at a normal end, -2, ...
//   r.statusWords                    // what it means, in weft's words
//
//   const c = await weft.check({ files, args: ['--stats', 'tavern.dat'], cwd, env });
//   c.diagnostics, c.stats, c.summary  // from weft-check's JSON report, unchanged
//                                    // (stats only with '--stats' among the args)
//   c.status                         // weft-check's exit status; c.report is the whole report
//
//   const e = await weft.explain({ files, args: ['-n', '3', 'tavern.dat'], time: 1767225600 });
//   e.output                         // weft-check --explain's JSON parts: what weft wrote,
//                                    // cut after each line, with the steps that made it,
//                                    // each step with its `words` in the text form
//   e.status, e.status_words, e.ending, e.ending_words  // how weft's run ended
//
//   await weft.splitOperand('lore\\kin.dat')    // {directory: 'lore', filename: 'kin.dat'}
//   await weft.joinOperand('lore', 'kin.dat')    // 'lore\\kin.dat'
//   const { uriOfPath, pathOfUri } = await weft.uris();  // the server's URIs of `files`
//
//   await weft.loadedFiles({ files, name: 'hooks.dat' })  // [{path, listedBy, line}]: the
//                                    // file and every file its lists name, as loading reads them
//   await weft.capabilities()        // {keepCase, reroll}: whether this build has
//                                    // casedLines() and reroll()
//
//   const x = await weft.export({ files, format: 'foundry', args: ['tavern.dat'],
//                                 foundry: 12, exact: true, maxFrequency: 20,
//                                 titles: { 'tavern.dat': 'Inns' }, output: 'inns' });
//   x.files                          // what weft-export --to=foundry writes, by the paths
//                                    // in its folder: {'module.json': Uint8Array, ...}
//   x.notes, x.warnings              // what the format cannot carry; loading's diagnostics
//   x.folder, x.stdout, x.stderr     // the folder it names (-o, else its default)
//
//   const server = await weft.languageServer();  // weft-check --lsp, in this instance
//   server.handle(message)           // one JSON-RPC message (text or object) in,
//                                    // its replies out
//   server.idle()                    // the next piece of work: the analysis of an
//                                    // edited buffer, else the search of its lines;
//   server.hasIdleWork()             // work to do as soon as no message waits,
//   server.hasDeferredWork()         // and work to do after a longer pause
//
// `files` maps relative paths ('/' between folders) to contents: a Uint8Array,
// or a string taken as UTF-8; a path ending in '/' makes an empty folder.
// Each program is loaded into one instance that every run reuses; every run
// is a fresh engine with its own copy of the files, its own environment and
// clock, so runs never affect each other. A run that the program cannot
// finish (the WebAssembly stack overflowing) rejects with an Error that
// carries the output written so far, and the next run gets a new instance.
//
// load() fetches and compiles weft and weft-check ahead of the first run;
// after that no run makes a network request. weft-export is fetched on the
// first export, or by load() when `wasm` names it. load({wasm: {weft,
// 'weft-check', 'weft-export'}}) takes each program's WebAssembly from
// elsewhere than the engine folder beside this module (a bundler's asset
// URL, say): a URL, a string resolved against this module's URL, the bytes,
// or a compiled WebAssembly.Module.

const ROOT = '/files';

const isNode = typeof process === 'object' && typeof process.versions === 'object' &&
               typeof process.versions.node === 'string';

const utf8 = new TextEncoder();

const programs = new Map();

// Where load() was told each program's WebAssembly is.
const wasmSources = new Map();

// The programs of the engine folder, each with the entry that runs it on an
// argument vector. A program built there by web/CMakeLists.txt is named here
// as well; the npm package ships every program of the folder.
const entries = { weft: '_weftRunOnce', 'weft-check': '_weftCheckRunOnce', 'weft-export': '_weftExportRunOnce' };

// The programs load() fetches unless told others: the ones every page runs.
// weft-export is fetched on the first export, or by naming it to load().
const preloaded = ['weft', 'weft-check'];

// The program's glue module and its compiled WebAssembly, fetched once.
function program(name) {
  if (!programs.has(name)) {
    const loading = Promise.all([
      import(`./engine/${name}.mjs`).then((glue) => glue.default),
      compile(wasmSources.get(name) ?? new URL(`./engine/${name}.wasm`, import.meta.url)),
    ]);
    loading.catch(() => programs.delete(name));
    programs.set(name, loading);
  }
  return programs.get(name);
}

// Node's own modules, by a name that bundlers leave alone for the browser.
const nodeModule = (name) => import(/* webpackIgnore: true */ /* @vite-ignore */ name);

async function compile(source) {
  if (source instanceof WebAssembly.Module) return source;
  if (source instanceof ArrayBuffer || ArrayBuffer.isView(source)) return WebAssembly.compile(source);
  const url = new URL(source, import.meta.url);
  if (isNode && url.protocol === 'file:') {
    const [{ readFile }, { fileURLToPath }] = await Promise.all([nodeModule('node:fs/promises'), nodeModule('node:url')]);
    return WebAssembly.compile(await readFile(fileURLToPath(url)));
  }
  const response = await fetch(url, { credentials: 'same-origin' });
  if (!response.ok) throw new Error(`cannot load ${url}: HTTP ${response.status}`);
  if (typeof WebAssembly.compileStreaming === 'function' &&
      (response.headers.get('Content-Type') || '').startsWith('application/wasm')) {
    return WebAssembly.compileStreaming(response);
  }
  return WebAssembly.compile(await response.arrayBuffer());
}

export async function load({ wasm = {} } = {}) {
  for (const [name, source] of Object.entries(wasm)) {
    if (!Object.hasOwn(entries, name)) throw new RangeError(`${JSON.stringify(name)} is not one of the programs`);
    if (!programs.has(name)) wasmSources.set(name, source);
  }
  await Promise.all([...new Set([...preloaded, ...Object.keys(wasm)])].map(program));
}

function bytesOf(value, what) {
  if (value instanceof Uint8Array) return value;
  if (typeof value === 'string') return utf8.encode(value);
  throw new TypeError(`${what} must be a string or a Uint8Array`);
}

// Splits a relative path into its folder names, refusing what would leave the
// files' folder.
function pathParts(path, what) {
  if (typeof path !== 'string') throw new TypeError(`${what} must be a string`);
  const parts = path.split('/');
  if (parts[parts.length - 1] === '') parts.pop();
  for (const part of parts) {
    if (part === '' || part === '.' || part === '..' || part.includes('\0')) {
      throw new RangeError(`${what} ${JSON.stringify(path)} is not a relative path of folders and names`);
    }
  }
  return parts;
}

function makeFolders(FS, parts) {
  let path = ROOT;
  for (const part of parts) {
    path += '/' + part;
    if (!FS.analyzePath(path).exists) FS.mkdir(path);
  }
  return path;
}

function writeFiles(FS, files) {
  FS.mkdir(ROOT);
  for (const [path, contents] of Object.entries(files || {})) {
    const parts = pathParts(path, 'file path');
    if (path.endsWith('/')) {
      makeFolders(FS, parts);
    } else {
      if (parts.length === 0) throw new RangeError('a file path is empty');
      makeFolders(FS, parts.slice(0, -1));
      FS.writeFile(`${ROOT}/${parts.join('/')}`, bytesOf(contents, `the contents of ${path}`));
    }
  }
}

// Collects bytes written one at a time.
class ByteSink {
  constructor() {
    this.bytes = new Uint8Array(4096);
    this.length = 0;
  }

  push(byte) {
    if (this.length === this.bytes.length) {
      const larger = new Uint8Array(this.bytes.length * 2);
      larger.set(this.bytes);
      this.bytes = larger;
    }
    this.bytes[this.length++] = byte;
  }

  result() {
    return this.bytes.slice(0, this.length);
  }
}

function clockHalves(time) {
  let second;
  if (typeof time === 'bigint') {
    second = time;
  } else if (typeof time === 'number' && Number.isSafeInteger(time)) {
    second = BigInt(time);
  } else {
    throw new TypeError('time must be a whole number of seconds');
  }
  second = BigInt.asIntN(64, second);
  return [Number(BigInt.asIntN(32, second >> 32n)), Number(BigInt.asUintN(32, second))];
}

// The streams of the run in progress; the instance writes to whichever run
// is current.
let current = null;

// One loaded instance per program, kept for every run after the first. An
// instance that fails (its stack overflowing) is dropped for a new one.
// `key` names another instance of the same program, kept apart from runs.
const instances = new Map();

function instance(name, key = name) {
  if (!instances.has(key)) {
    const creating = program(name).then(([createEngine, wasm]) => createEngine({
      noInitialRun: true,
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(wasm, imports).then((made) => receive(made, wasm));
        return {};
      },
      stdin: () => null,
      stdout: (byte) => {
        current.stdout.push(byte);
        current.combined.push(byte);
      },
      stderr: (byte) => {
        current.stderr.push(byte);
        current.combined.push(byte);
      },
      print: () => {},
      printErr: () => {},
    }));
    creating.catch(() => instances.delete(key));
    instances.set(key, creating);
  }
  return instances.get(key);
}

// Removes the folder at `path` with everything in it.
function removeTree(FS, path) {
  for (const name of FS.readdir(path)) {
    if (name === '.' || name === '..') continue;
    const child = `${path}/${name}`;
    if (FS.isDir(FS.stat(child).mode)) {
      removeTree(FS, child);
    } else {
      FS.unlink(child);
    }
  }
  FS.rmdir(path);
}

// Writes `bytes` and a zero byte into the instance's memory; returns where.
function place(engine, bytes) {
  const at = engine._malloc(bytes.length + 1);
  engine.HEAPU8.set(bytes, at);
  engine.HEAPU8[at + bytes.length] = 0;
  return at;
}

const decoder = new TextDecoder();

// Calls `entry` of the engine with each of `texts` as its bytes and their
// size; returns the text it returns, whose size `sizeEntry` gives.
function callWithTexts(engine, entry, sizeEntry, ...texts) {
  const blocks = texts.map((text) => {
    const bytes = bytesOf(text, 'a text');
    return [place(engine, bytes), bytes.length];
  });
  try {
    const at = engine[entry](...blocks.flat());
    return decoder.decode(engine.HEAPU8.subarray(at, at + engine[sizeEntry]()));
  } finally {
    for (const [at] of blocks) engine._free(at);
  }
}

// Checks the options of a run and turns them into the bytes it is given.
function runRequest(name, { files = {}, args = [], time, cwd = '', env = {}, program: argument0 = name } = {}) {
  if (!Array.isArray(args)) throw new TypeError('args must be an array');
  const argv = [bytesOf(argument0, 'program'), ...args.map((arg, i) => bytesOf(arg, `args[${i}]`))];
  const variables = Object.entries(env || {}).map(([key, value]) => {
    if (key === '' || key.includes('=') || key.includes('\0')) {
      throw new RangeError(`${JSON.stringify(key)} is not an environment variable name`);
    }
    return [bytesOf(key, 'an environment variable name'), bytesOf(value, `env.${key}`)];
  });
  const folder = pathParts(cwd, 'cwd');
  const clock = time === undefined || time === null ? null : clockHalves(time);
  return { files, argv, variables, folder, clock };
}

// Gives the instance the run's files, folder, clock and environment.
function setUp(engine, name, { files, variables, folder, clock }) {
  const { FS } = engine;
  FS.chdir('/');
  if (FS.analyzePath(ROOT).exists) removeTree(FS, ROOT);
  writeFiles(FS, files);
  FS.chdir(makeFolders(FS, folder));
  if (name === 'weft') {
    if (clock !== null) {
      engine._weftFreezeClock(clock[0], clock[1]);
    } else {
      engine._weftThawClock();
    }
  }
  engine._weftClearEnvironment();
  for (const [key, value] of variables) {
    const keyAt = place(engine, key);
    const valueAt = place(engine, value);
    engine._weftSetVariable(keyAt, valueAt);
    engine._free(keyAt);
    engine._free(valueAt);
  }
}

// Builds the argument vector in the program's memory, so that every byte
// arrives as given; returns where it is and the blocks to free after.
function placeArguments(engine, argv) {
  const pointers = engine._malloc(4 * (argv.length + 1));
  const blocks = [pointers];
  argv.forEach((arg, i) => {
    const at = place(engine, arg);
    blocks.push(at);
    engine.HEAPU32[(pointers >> 2) + i] = at;
  });
  engine.HEAPU32[(pointers >> 2) + argv.length] = 0;
  return { pointers, blocks };
}

// Runs one program in its loaded instance, with a fresh engine, on a fresh
// copy of the files, and collects what it writes.
async function execute(name, options) {
  const request = runRequest(name, options);
  const engine = await instance(name);
  setUp(engine, name, request);
  const { pointers, blocks } = placeArguments(engine, request.argv);
  const run = { stdout: new ByteSink(), stderr: new ByteSink(), combined: new ByteSink() };
  const written = () => ({ stdout: run.stdout.result(), stderr: run.stderr.result(), combined: run.combined.result() });
  current = run;
  let status;
  try {
    status = engine[entries[name]](request.argv.length, pointers);
  } catch (error) {
    instances.delete(name);
    const failure = new Error(`${name} stopped before its end: ${error && error.message ? error.message : error}`);
    throw Object.assign(failure, written());
  } finally {
    current = null;
  }
  for (const at of blocks) engine._free(at);
  return { ...written(), status, engine };
}

export async function run(options = {}) {
  const { engine, ...result } = await execute('weft', options);
  const at = engine._weftStatusText(result.status);
  return { ...result, statusWords: decoder.decode(engine.HEAPU8.subarray(at, engine.HEAPU8.indexOf(0, at))) };
}

export async function check({ files = {}, args = [], cwd = '', env = {} } = {}) {
  const result = await execute('weft-check', { files, args: ['--format=json', ...args], cwd, env, program: 'weft-check' });
  const text = decoder.decode(result.stdout);
  let report;
  try {
    report = JSON.parse(text);
  } catch (error) {
    const failure = new Error(`weft-check wrote no JSON report: ${decoder.decode(result.stderr)}`);
    const { engine, ...written } = result;
    throw Object.assign(failure, written);
  }
  return {
    diagnostics: report.diagnostics,
    stats: report.stats,
    summary: report.summary,
    status: result.status,
    report,
    stderr: result.stderr,
  };
}

// Returns `count` distinct clock seconds, in the order of their lines, for
// runs of -n 1 that pick as evenly as weft's random numbers allow, as weft
// itself chooses them; `start` defaults to now and `seedOffset` is the run's
// -s value (their sum, if several).
export async function spreadSeconds(count, { start = Math.floor(Date.now() / 1000), seedOffset = 0 } = {}) {
  if (!Number.isSafeInteger(count) || count < 0 || count > 0xffffffff) throw new RangeError('count must be a whole number');
  if (!Number.isSafeInteger(start)) throw new RangeError('start must be a whole number of seconds');
  if (!Number.isSafeInteger(seedOffset)) throw new RangeError('seedOffset must be a whole number');
  const engine = await instance('weft');
  // Only the low 32 bits of the seed count, so the offset is reduced first
  // to keep the sum of start and offset a safe integer.
  const at = engine._weftSpreadSeconds(count, start, seedOffset % 2 ** 32);
  if (at === 0) throw new RangeError('too many seconds asked for');
  const seconds = Array.from(engine.HEAPF64.subarray(at / 8, at / 8 + count));
  engine._free(at);
  return seconds;
}

// weft-check --explain at `time` for weft's arguments `args`: its JSON
// report, which holds each step in the words of the text form.
export async function explain({ files = {}, args = [], time = 0, cwd = '', env = {} } = {}) {
  const second = BigInt.asIntN(64, BigInt(time));
  const { engine, ...result } = await execute('weft-check', {
    files, cwd, env, program: 'weft-check', args: [`--explain=${second}`, '--format=json', ...args],
  });
  try {
    return { ...JSON.parse(decoder.decode(result.stdout)), stderr: result.stderr };
  } catch (error) {
    const failure = new Error(`weft-check wrote no explanation: ${decoder.decode(result.stderr)}`);
    throw Object.assign(failure, result);
  }
}

// weft's own split of a data-file operand at its last backslash: the folder
// weft runs the file in (null without one) and the file's name.
export async function splitOperand(operand) {
  const engine = await instance('weft-check');
  return JSON.parse(callWithTexts(engine, '_weftSplitOperand', '_weftOperandSize', operand));
}

// The operand that names `filename` inside `directory` ('' for none), which
// splitOperand takes apart again.
export async function joinOperand(directory, filename) {
  const engine = await instance('weft-check');
  return callWithTexts(engine, '_weftJoinOperand', '_weftOperandSize', directory, filename);
}

// The language server's URIs of the files: uriOfPath(path) for a path of
// `files` (relative, '/' between folders), and pathOfUri(uri) back (null for
// a URI of no such path). The functions answer at once; they run in an
// instance of their own, which no run can leave broken.
export async function uris() {
  const engine = await instance('weft-check', 'uris');
  const call = (entry, text) => callWithTexts(engine, entry, '_weftServerReplySize', text);
  return {
    uriOfPath: (path) => call('_weftServerUriOfPath', `${ROOT}/${path}`),
    pathOfUri(uri) {
      const path = call('_weftServerPathOfUri', uri);
      return path.startsWith(`${ROOT}/`) ? path.slice(ROOT.length + 1) : null;
    },
  };
}

// weft-check's language server, in the loaded instance of weft-check: one
// server for the life of the instance, which knows only the files opened in
// it (the page has no disk).
export async function languageServer() {
  const engine = await instance('weft-check');
  const replies = (at) => JSON.parse(decoder.decode(engine.HEAPU8.subarray(at, at + engine._weftServerReplySize())));
  return {
    handle(message) {
      const bytes = utf8.encode(typeof message === 'string' ? message : JSON.stringify(message));
      const at = engine._malloc(bytes.length + 1);
      engine.HEAPU8.set(bytes, at);
      try {
        return replies(engine._weftServerHandle(at, bytes.length));
      } finally {
        engine._free(at);
      }
    },
    idle() {
      return replies(engine._weftServerIdle());
    },
    hasIdleWork: () => engine._weftServerHasIdleWork() !== 0,
    hasDeferredWork: () => engine._weftServerHasDeferredWork() !== 0,
  };
}

// What this build of weft can do beyond weft's own runs: `keepCase`, the
// lines of casedLines(), and `reroll`, the search of reroll().
export async function capabilities() {
  const engine = await instance('weft-check');
  return { keepCase: typeof engine._weftRollKeepCase === 'function', reroll: typeof engine._weftReroll === 'function' };
}

// Calls the roll entry `entry` of weft-check's build with `request` as JSON, on
// `files` from the folder `cwd`; returns its JSON reply.
async function rollEntry(entry, { files = {}, cwd = '', ...request }) {
  const engine = await instance('weft-check');
  if (typeof engine[entry] !== 'function') throw new TypeError(`this build of weft has no ${entry}`);
  setUp(engine, 'weft-check', runRequest('weft-check', { files, cwd }));
  return JSON.parse(callWithTexts(engine, entry, '_weftRollReplySize', JSON.stringify(request)));
}

// The lines that `weft -n 1 operand` (with -m `maxFrequency` and -s
// `seedOffset`, weft's defaults when left out) prints at each of `seconds`,
// each beside the same line in the author's case: [{second, line, cased}].
export function casedLines({ files, cwd, operand, maxFrequency, seedOffset, seconds = [] } = {}) {
  return rollEntry('_weftRollKeepCase', { files, cwd, operand, maxFrequency, seedOffset, seconds });
}

// The seconds nearest `second` (one later, one earlier, two later, ...),
// up to `count` of them, at which `weft -n 1 operand` (with -m and -s as
// given) prints a line that keeps every step of the line it prints at
// `second` but the part that begins at step `part` (numbered as explain()
// numbers the line's steps), and rolls that part again. Resolves to
// {seconds, tried}: fewer seconds when `milliseconds` run out. The lines
// themselves come from run() at those seconds.
export function reroll({ files, cwd, operand, maxFrequency, seedOffset, second, part, count = 1,
                         milliseconds = 250 } = {}) {
  if (!Number.isSafeInteger(part) || part < 0) throw new RangeError('part must be a step number');
  return rollEntry('_weftReroll', { files, cwd, operand, maxFrequency, seedOffset, second, part, count, milliseconds });
}

// The files that loading the data file `name` (in the folder `cwd`) reads,
// as weft-check's loading finds them: the file itself first, then each file
// that a file list names, as deep as the lists go, each once, as
// {path, listedBy, line} with paths from `cwd` ('/' between folders).
export async function loadedFiles({ files = {}, name, cwd = '' } = {}) {
  const engine = await instance('weft-check');
  setUp(engine, 'weft-check', runRequest('weft-check', { files, cwd }));
  return JSON.parse(callWithTexts(engine, '_weftLoadedFiles', '_weftOperandSize', name));
}

// Reads the files under the folder `path` of the instance, by their paths
// inside it, leaving out the file at its top that marks weft-export's folders.
function readTree(FS, path, into = {}, prefix = '') {
  for (const name of FS.readdir(path)) {
    if (name === '.' || name === '..' || (prefix === '' && name === '.weft-export')) continue;
    const child = `${path}/${name}`;
    if (FS.isDir(FS.stat(child).mode)) {
      readTree(FS, child, into, `${prefix}${name}/`);
    } else {
      into[`${prefix}${name}`] = FS.readFile(child);
    }
  }
  return into;
}

// The command line of weft-export for an export's options.
function exportArguments({ format, foundry, exact = false, maxFrequency, titles = {}, output, args = [] }) {
  if (!Array.isArray(args)) throw new TypeError('args must be an array');
  const line = [`--to=${format}`];
  if (foundry !== undefined) line.push(`--foundry=${foundry}`);
  if (exact) line.push('--exact');
  if (maxFrequency !== undefined) line.push('-m', String(maxFrequency));
  for (const [file, title] of Object.entries(titles || {})) line.push(`--title=${file}=${title}`);
  if (output !== undefined) line.push('-o', output);
  return [...line, ...args];
}

// weft-export --to=format over the data files `args` (with any other option
// of its own), on `files` from the folder `cwd`: the files it writes, by
// their paths in its folder, with its notes. A failed export rejects with
// an Error in weft-export's own words, which carries its status and output.
export async function exportTables({ files = {}, cwd = '', env = {}, ...options } = {}) {
  if (typeof options.format !== 'string') throw new TypeError('format must be a string');
  const { engine, ...result } = await execute('weft-export', {
    files, cwd, env, program: 'weft-export', args: exportArguments(options),
  });
  // The run's texts by part: 0 the folder it wrote, 1 its notes, 2 its warnings.
  const texts = (part) => Array.from({ length: engine._weftExportCount(part) }, (_, i) => {
    const at = engine._weftExportText(part, i);
    return decoder.decode(engine.HEAPU8.subarray(at, at + engine._weftExportTextSize()));
  });
  const warnings = texts(2);
  if (result.status !== 0) {
    const failure = new Error(decoder.decode(result.stderr).trimEnd());
    throw Object.assign(failure, result, { warnings });
  }
  const { FS } = engine;
  const [folder] = texts(0);
  const path = FS.lookupPath(folder).path;
  const written = readTree(FS, path);
  removeTree(FS, path);
  return { ...result, files: written, folder, notes: texts(1), warnings };
}

const weft = {
  run, check, explain, languageServer, load, spreadSeconds, splitOperand, joinOperand, uris,
  capabilities, casedLines, reroll, loadedFiles, export: exportTables,
};
export { exportTables as export };
export default weft;
