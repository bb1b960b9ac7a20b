// Types of weft-tables: weft, weft-check and weft-export compiled to
// WebAssembly, run on files held in memory (weft.js).

/** A file's contents: its bytes, or a text taken as UTF-8. */
export type Contents = Uint8Array | string;

/**
 * Relative paths ('/' between folders) to their contents; a path ending in
 * '/' makes an empty folder.
 */
export type Files = Record<string, Contents>;

/** An argument or a variable's value: a text sent as UTF-8, or exact bytes. */
export type Bytes = string | Uint8Array;

export interface CheckOptions {
  files?: Files;
  /** The arguments after the program name. */
  args?: readonly Bytes[];
  /** The folder the run starts in, relative to the top of the files ('' is the top). */
  cwd?: string;
  /** The only environment variables the run sees. */
  env?: Record<string, Bytes>;
}

export interface RunOptions extends CheckOptions {
  /** The clock's second; left out (or null), the run reads the real clock. */
  time?: number | bigint | null;
  /** Argument 0 (default 'weft'). */
  program?: Bytes;
}

export interface ExplainOptions extends CheckOptions {
  /** The clock's second weft runs at (default 0). */
  time?: number | bigint;
}

/** The bytes a program wrote, exactly. */
export interface Written {
  stdout: Uint8Array;
  stderr: Uint8Array;
  /** Both streams in the order they were written, as a console shows them. */
  combined: Uint8Array;
}

export interface RunResult extends Written {
  /** The value passed to exit: 1 at a normal end, -2 for a file that cannot be read, ... */
  status: number;
  /** What the status means, in weft's words. */
  statusWords: string;
}

/** A run the program could not finish (its stack exhausted), with what it wrote. */
export interface RunError extends Error, Written {}

export interface Diagnostic {
  file: string;
  /** 0 for the file as a whole. */
  line: number;
  /** A note is no problem: it says how weft reads text that works. */
  severity: 'error' | 'warning' | 'note';
  message: string;
  note: string | null;
}

export interface Summary {
  errors: number;
  warnings: number;
  notes: number;
  files: number;
  text: string;
}

export interface EntryOdds {
  text: string;
  prefix_and_suffix: boolean;
  positions: number;
  /** How many of the 32768 draws pick it. */
  draws: number;
  numerator: number;
  denominator: number;
  probability: number;
  percent: number;
  one_in: number | null;
  shown: string;
  shown_percent: string;
  shown_one_in: string;
  shown_text: string;
  /** Its weight out of its table's, "3 of 13". */
  shown_weight: string;
}

export interface TableOdds {
  table: number;
  /** In an element file, the section line that fills it ("#pre"). */
  section: string | null;
  positions: number;
  draws: number;
  denominator: number;
  entries: EntryOdds[];
  shown: string;
  /** "table 2", "prefixes (#pre, table 1)". */
  shown_name: string;
  /** How the remainder of the draws falls, where it shows in the figures. */
  shown_remainder: string | null;
}

export interface DiceOdds {
  reference: string;
  expression: string;
  table: number;
  line: number;
  reads: boolean;
  lowest: number;
  highest: number;
  exact: boolean;
  totals: { total: number; probability: number; percent: number; shown_percent: string }[] | null;
  shown: string;
}

export interface LineOdds {
  distinct: number;
  complete: boolean;
  exact: boolean;
  estimated: boolean;
  variety: number;
  bits: number;
  empty_line: number;
  empty_table: number;
  unexplored: number;
  rolls_dice: boolean;
  sampled: {
    rolls: number;
    distinct: number;
    most_repeats: number;
    endings: { line: number; message: string; rolls: number }[];
  } | null;
  shown: string[];
}

export interface FileOdds {
  file: string;
  title: string;
  element_file: boolean;
  tables: TableOdds[];
  dice: DiceOdds[];
  lines: LineOdds;
  shown: string;
}

/** weft-check's JSON report (`--format=json`), as the native checker writes it. */
export interface CheckReport {
  diagnostics: Diagnostic[];
  summary: Summary;
  status: number;
  /** With '--stats' among the arguments; else null. */
  stats: FileOdds[] | null;
}

export interface CheckResult {
  diagnostics: Diagnostic[];
  stats: FileOdds[] | null;
  summary: Summary;
  /** weft-check's exit status. */
  status: number;
  report: CheckReport;
  stderr: Uint8Array;
}

/** One step of how weft made a line, with `words` as the text form writes it. */
export interface Step {
  step: 'pick' | 'enter' | 'leave' | 'empty_table' | 'reference';
  depth: number;
  file: string;
  words: string;
  /** The entry picked (a pick, or a reference to a table). */
  pick?: { file: string; line: number; table: number; position: number; draws: number; chance: number; entry: string };
  /** A dice reference's roll. */
  roll?: { expression: string; read: boolean; dice: number[]; modifier: number; total: number; seed: number };
  reference?: 'dice' | 'table' | 'name';
  inner?: string;
  replacement?: string;
  resolved?: boolean;
  /** The line a listed file gave back (a leave). */
  line?: string;
  /** The lines a listed file's reference ran (a reference to a name). */
  listed_lines?: number;
}

/** weft-check --explain's JSON report. */
export interface Explanation {
  second: number;
  seed: number;
  /** What weft wrote, cut after each line it printed, with the steps that made it. */
  output: { written: string; steps: Step[] }[];
  status: number;
  ending: string | null;
  status_words: string;
  ending_words: string | null;
  stderr: Uint8Array;
}

/** weft-check --lsp in the loaded instance: JSON-RPC messages in, replies out. */
export interface LanguageServer {
  handle(message: string | object): any[];
  /** The next piece of work: the analysis of an edited buffer, else the search of its lines. */
  idle(): any[];
  /** Work to do as soon as no message waits. */
  hasIdleWork(): boolean;
  /** Work to do after a longer pause. */
  hasDeferredWork(): boolean;
}

/** The tool an export is for: weft-export's --to. */
export type ExportFormat = 'foundry' | 'obsidian' | 'roll20';

export interface ExportOptions extends CheckOptions {
  format: ExportFormat;
  /** The data files, after the options below (any other argument of weft-export's too). */
  args?: readonly Bytes[];
  /** --foundry: the field layout of Foundry's table results (13 unless told). */
  foundry?: 12 | 13;
  /** --exact: weights that give each entry weft's own chance out of 32768. */
  exact?: boolean;
  /** -m: the frequency cap, as weft's (default 50). */
  maxFrequency?: number;
  /** --title: a data file's name to the name its tables get instead of its title. */
  titles?: Record<string, string>;
  /**
   * -o: the folder weft-export would write (default: the first data file's
   * name and the format, such as 'tavern-foundry'); it names a Foundry module.
   */
  output?: string;
}

export interface ExportResult extends Written {
  /** What weft-export writes, by the paths in its folder ('/' between folders). */
  files: Record<string, Uint8Array>;
  /** The folder it writes, as its command line names it. */
  folder: string;
  /** What the format cannot carry, one line per kind with a count: "note: ... (3)". */
  notes: string[];
  /** weft's own diagnostics of loading. */
  warnings: string[];
  /** 0. */
  status: number;
}

/** A failed export: its message is what weft-export wrote on standard error. */
export interface ExportError extends Error, Written {
  /** 1: the data files cannot be exported; 2: a bad command line (a format it does not know). */
  status: number;
  warnings: string[];
}

/** A program's WebAssembly: a URL, a string resolved against weft.js's URL, the bytes, or the compiled module. */
export type WasmSource = URL | string | BufferSource | WebAssembly.Module;

export interface LoadOptions {
  /** weft-export's is fetched on the first export unless named here. */
  wasm?: { weft?: WasmSource; 'weft-check'?: WasmSource; 'weft-export'?: WasmSource };
}

/** Runs weft once on a fresh engine with its own files, clock and environment. */
export function run(options?: RunOptions): Promise<RunResult>;
/** Runs weft-check with --format=json added. */
export function check(options?: CheckOptions): Promise<CheckResult>;
/** weft-check --explain=time --format=json over weft's arguments `args`. */
export function explain(options?: ExplainOptions): Promise<Explanation>;
/** weft-check's language server, one for the life of the loaded instance. */
export function languageServer(): Promise<LanguageServer>;
/**
 * weft-export on `files`: the files it writes for `format`, with its notes.
 * Rejects with an ExportError when it writes nothing.
 */
declare function exportTables(options: ExportOptions): Promise<ExportResult>;
export { exportTables as export };
/** Fetches and compiles weft, weft-check and the programs `wasm` names ahead of the first run. */
export function load(options?: LoadOptions): Promise<void>;
/**
 * `count` distinct clock seconds from `start` (default now) for runs of -n 1
 * that pick as evenly as weft's random numbers allow; `seedOffset` is the -s value.
 */
export function spreadSeconds(count: number, options?: { start?: number; seedOffset?: number }): Promise<number[]>;
/** weft's split of a data-file operand at its last backslash. */
export function splitOperand(operand: string): Promise<{ directory: string | null; filename: string }>;
/** The operand that names `filename` inside `directory` ('' for none). */
export function joinOperand(directory: string, filename: string): Promise<string>;
/** The language server's URIs of the paths of `files`, and back (null for no such path). */
export function uris(): Promise<{ uriOfPath(path: string): string; pathOfUri(uri: string): string | null }>;

declare const weft: {
  run: typeof run;
  check: typeof check;
  explain: typeof explain;
  languageServer: typeof languageServer;
  load: typeof load;
  spreadSeconds: typeof spreadSeconds;
  splitOperand: typeof splitOperand;
  joinOperand: typeof joinOperand;
  uris: typeof uris;
  export: typeof exportTables;
};
export default weft;
