// The lines Roll makes: each the one line of a run of weft at a clock second
// of its own, from the spread of seconds weft's WebAssembly build chooses,
// with no line twice when asked; a line made again at a new second, or with
// one part rolled again; and the lines as text or Markdown for one's notes.
// Every line shown is what weft prints at the second shown beside it.

import {run, casedLines, reroll} from './weft.js';
import {independentSeconds} from './seconds.js';
import {text} from './views.js';

// The nearest seconds asked for when a part is rolled again, of which the
// first whose line is not shown is taken.
const REROLL_SECONDS = 8;
// How far No repeats looks: seconds of the spread tried for each line asked
// for (and at least a few hundred), and time.
const SECONDS_PER_LINE = 20;
const FEWEST_SECONDS = 300;
const SEARCH_MILLISECONDS = 4000;
// The seconds asked of the spread at a time.
const CHUNK = 64;

export class RolledTable {
  // `args`: weft's arguments for one line; `start` and `seedOffset`: where
  // the spread starts; `unique`: no line twice; `keepCase`: the author's
  // capitals. `roller` ({operand, maxFrequency, seedOffset}), when the run
  // has one data file, is what the engine's rolling of one file is told.
  constructor({files, args, start, seedOffset, unique, keepCase, roller = null}) {
    Object.assign(this, {files, args, start, seedOffset, unique, roller, keepCase: keepCase && roller !== null});
    this.runs = [];     // {time, result, line} of each line shown
    this.tried = 0;     // the seconds of the spread used so far
    this.seconds = [];  // the spread's first seconds, as far as asked
  }

  // The line a run printed: its standard output, without the line end.
  static lineOf(result) {
    return text(result.stdout).replace(/\n$/, '');
  }

  // The run at `time`; with `keepCase`, its line is shown in the author's
  // case (`shown`), which differs from weft's only in its capitals.
  async runAt(time) {
    const result = await run({files: this.files, args: this.args, time, cwd: ''});
    const made = {time, result, line: RolledTable.lineOf(result)};
    if (this.keepCase) {
      const [{line, cased}] = await casedLines({files: this.files, cwd: '', ...this.roller, seconds: [time]});
      const printed = text(result.combined);
      const at = printed.lastIndexOf(line);
      if (at >= 0) {
        made.shown = printed.slice(0, at) + cased + printed.slice(at + line.length);
        made.line = RolledTable.lineOf({stdout: new TextEncoder().encode(made.shown)});
      }
    }
    return made;
  }

  async secondAt(index) {
    if (index >= this.seconds.length) {
      this.seconds = await independentSeconds(index + CHUNK, {start: this.start, seedOffset: this.seedOffset});
    }
    return this.seconds[index];
  }

  // Runs weft at the next seconds of the spread until `wanted` lines are
  // found; with `unique`, a line in `shown` or found already is passed over,
  // and so is a run that ends on a problem. Returns the runs found, fewer
  // when the budget runs out.
  async more(wanted, shown = new Set(this.runs.map((r) => r.line)), unique = this.unique) {
    const found = [];
    const limit = this.tried + (unique ? Math.max(FEWEST_SECONDS, wanted * SECONDS_PER_LINE) : wanted);
    const until = Date.now() + SEARCH_MILLISECONDS;
    while (found.length < wanted && this.tried < limit && (!unique || Date.now() < until)) {
      const made = await this.runAt(await this.secondAt(this.tried++));
      if (unique && (shown.has(made.line) || made.result.status !== 1)) continue;
      shown.add(made.line);
      found.push(made);
    }
    return found;
  }

  // Rolls `count` lines; resolves to how many were found.
  async fill(count) {
    this.runs = await this.more(count);
    return this.runs.length;
  }

  // Makes line `index` again at a second of the spread not used yet: a line
  // other than this one (with `unique`, other than all shown); false when
  // none is found.
  async renew(index) {
    const shown = new Set(this.unique ? this.runs.map((r) => r.line) : [this.runs[index].line]);
    const [made] = await this.more(1, shown, true);
    if (!made) return false;
    this.runs[index] = made;
    return true;
  }

  // Makes line `index` again with the part that begins at step `part` rolled
  // again and the rest kept, at the nearest second weft prints such a line
  // (with `unique`, none shown); false when none is found in time.
  async rerollPart(index, part) {
    const shown = new Set(this.unique ? this.runs.map((r) => r.line) : [this.runs[index].line]);
    const {seconds} = await reroll({files: this.files, cwd: '', ...this.roller, second: this.runs[index].time,
                                    part, count: REROLL_SECONDS});
    for (const second of seconds) {
      const made = await this.runAt(second);
      if (shown.has(made.line)) continue;
      this.runs[index] = made;
      return true;
    }
    return false;
  }

  // The lines, one a line.
  asText() {
    return this.runs.map((r) => r.line + '\n').join('');
  }

  // The lines as a Markdown table of their seconds and lines, Markdown's
  // marks in a line escaped.
  asMarkdown() {
    const escape = (line) => line.replace(/[\\`*_[\]<>|#]/g, '\\$&').replaceAll('\n', ' ');
    return '| second | line |\n|---:|---|\n' + this.runs.map((r) => `| ${r.time} | ${escape(r.line)} |\n`).join('');
  }
}
