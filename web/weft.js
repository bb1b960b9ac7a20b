// weft in the browser (and in Node): the programs weft and weft-check,
// compiled to WebAssembly from the same sources, run on files held in memory.
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
//
//   const c = await weft.check({ files, args: ['--stats', 'tavern.dat'], cwd, env });
//   c.diagnostics, c.stats, c.summary  // from weft-check's JSON report, unchanged
//                                    // (stats only with '--stats' among the args)
//   c.status                         // weft-check's exit status; c.report is the whole report
//
//   const e = await weft.explain({ files, args: ['-n', '3', 'tavern.dat'], time: 1767225600 });
//   e.output                         // weft-check --explain's JSON parts: what weft wrote,
//                                    // cut after each line, with the steps that made it;
//                                    // each part's `words` are its steps in the text form's words
//   e.status, e.ending, e.text       // weft's status, a run's ending, the whole text form
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
// load() fetches and compiles both programs ahead of the first run; after
// that no run makes a network request.

const ROOT = '/files';

const isNode = typeof process === 'object' && typeof process.versions === 'object' &&
               typeof process.versions.node === 'string';

const utf8 = new TextEncoder();

const programs = new Map();

// The program's glue module and its compiled WebAssembly, fetched once.
function program(name) {
  if (!programs.has(name)) {
    const loading = Promise.all([
      import(`./engine/${name}.mjs`).then((glue) => glue.default),
      compile(new URL(`./engine/${name}.wasm`, import.meta.url)),
    ]);
    loading.catch(() => programs.delete(name));
    programs.set(name, loading);
  }
  return programs.get(name);
}

async function compile(url) {
  if (isNode) {
    const [{ readFile }, { fileURLToPath }] = await Promise.all([import('node:fs/promises'), import('node:url')]);
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

export async function load() {
  await Promise.all([program('weft'), program('weft-check')]);
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
const instances = new Map();

function instance(name) {
  if (!instances.has(name)) {
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
    creating.catch(() => instances.delete(name));
    instances.set(name, creating);
  }
  return instances.get(name);
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

// Runs one program in its loaded instance, with a fresh engine, on a fresh
// copy of the files, and collects what it writes.
async function execute(name, { files = {}, args = [], time, cwd = '', env = {}, program: argument0 = name } = {}) {
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

  const engine = await instance(name);
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

  const blocks = [];
  engine._weftClearEnvironment();
  for (const [key, value] of variables) {
    const keyAt = place(engine, key);
    const valueAt = place(engine, value);
    engine._weftSetVariable(keyAt, valueAt);
    engine._free(keyAt);
    engine._free(valueAt);
  }
  // The argument vector is built in the program's memory so that every byte
  // arrives as given.
  const pointers = engine._malloc(4 * (argv.length + 1));
  argv.forEach((arg, i) => {
    const at = place(engine, arg);
    blocks.push(at);
    engine.HEAPU32[(pointers >> 2) + i] = at;
  });
  engine.HEAPU32[(pointers >> 2) + argv.length] = 0;

  const run = { stdout: new ByteSink(), stderr: new ByteSink(), combined: new ByteSink() };
  current = run;
  let status;
  try {
    status = name === 'weft' ? engine._weftRunOnce(argv.length, pointers)
                             : engine._weftCheckRunOnce(argv.length, pointers);
  } catch (error) {
    instances.delete(name);
    const failure = new Error(`${name} stopped before its end: ${error && error.message ? error.message : error}`);
    Object.assign(failure, { stdout: run.stdout.result(), stderr: run.stderr.result(), combined: run.combined.result() });
    throw failure;
  } finally {
    current = null;
  }
  for (const at of blocks) engine._free(at);
  engine._free(pointers);
  return { stdout: run.stdout.result(), stderr: run.stderr.result(), combined: run.combined.result(), status };
}

export function run(options = {}) {
  return execute('weft', options);
}

export async function check({ files = {}, args = [], cwd = '', env = {} } = {}) {
  const result = await execute('weft-check', { files, args: ['--format=json', ...args], cwd, env, program: 'weft-check' });
  const text = new TextDecoder().decode(result.stdout);
  let report;
  try {
    report = JSON.parse(text);
  } catch (error) {
    const failure = new Error(`weft-check wrote no JSON report: ${new TextDecoder().decode(result.stderr)}`);
    Object.assign(failure, result);
    throw failure;
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
// report, with the words of the text form beside each part's steps.
export async function explain({ files = {}, args = [], time = 0, cwd = '', env = {} } = {}) {
  const second = BigInt.asIntN(64, BigInt(time));
  const options = { files, cwd, env, program: 'weft-check' };
  const textRun = await execute('weft-check', { ...options, args: [`--explain=${second}`, ...args] });
  const jsonRun = await execute('weft-check', { ...options, args: [`--explain=${second}`, '--format=json', ...args] });
  const decoder = new TextDecoder();
  let report;
  try {
    report = JSON.parse(decoder.decode(jsonRun.stdout));
  } catch (error) {
    const failure = new Error(`weft-check wrote no explanation: ${decoder.decode(jsonRun.stderr)}`);
    Object.assign(failure, jsonRun);
    throw failure;
  }
  // The text form is each part's written text, then one line per step.
  const text = decoder.decode(textRun.stdout);
  let at = 0;
  for (const part of report.output) {
    const written = text.startsWith(part.written, at) ? part.written.length : 0;
    at += written;
    part.words = [];
    for (let i = 0; i < part.steps.length; ++i) {
      const end = text.indexOf('\n', at);
      part.words.push(text.slice(at, end < 0 ? text.length : end).trim());
      at = end < 0 ? text.length : end + 1;
    }
  }
  return { ...report, text, stderr: jsonRun.stderr };
}

// weft-check's language server, in the loaded instance of weft-check: one
// server for the life of the instance, which knows only the files opened in
// it (the page has no disk).
export async function languageServer() {
  const engine = await instance('weft-check');
  const decoder = new TextDecoder();
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

const weft = { run, check, explain, languageServer, load, spreadSeconds };
export default weft;
