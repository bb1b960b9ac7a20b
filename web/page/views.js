// The views of a run's results. Each lays out what weft or weft-check
// produced: the bytes printed, the diagnostics, the odds; none of them makes
// up output of its own.

const decoder = new TextDecoder('utf-8');

// What weft's exit status means, in words.
const STATUS_WORDS = new Map([
  [1, 'ended normally'],
  [-2, 'stopped: a data file could not be read'],
  [-3, 'stopped: a generated line came out empty'],
  [-4, 'stopped: a %chdir: failed'],
  [-5, 'stopped: the starting folder could not be read'],
  [-6, 'stopped: a table reference named an empty table'],
  [-7, 'stopped: a bad -n, or a file-list line containing "table"'],
  [-8, 'stopped: a file list leads back to a file being loaded'],
  [-9, 'stopped: file lists nested too deep, or too many files'],
  [-10, 'stopped: a line\'s expansion never ends'],
  [-11, 'stopped: standard output could not be written'],
  [-12, 'stopped: the data files asked for more memory than there is'],
]);

export function statusWords(status) {
  const words = STATUS_WORDS.get(status) ?? 'ended';
  const shown = status < 0 ? `${status}, shown by a shell as ${status & 0xff}` : `${status}`;
  return `weft ${words} (exit status ${shown}).`;
}

export function text(bytes) {
  return decoder.decode(bytes);
}

function element(tag, className, content) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (content !== undefined) node.textContent = content;
  return node;
}

// The command line a run stands for, as a person would type it.
export function commandLine(args) {
  return ['weft', ...args.map(quote)].join(' ');
}

function quote(arg) {
  return /^[\w.\/\\:+=@%-]+$/.test(arg) ? arg : `'${arg.replaceAll("'", "'\\''")}'`;
}

function utc(second) {
  const date = new Date(second * 1000);
  return Number.isNaN(date.getTime()) ? '' : date.toISOString().replace('.000Z', ' UTC').replace('T', ' ');
}

// What weft printed, line by line; each line opens to show how weft made it.
// `why(end)` resolves to the explanation of the line that ends at character
// `end` of the printed text; `jump(file, line)` opens a file at a line.
export function showOutput(view, {args, time, result}, why, jump) {
  view.command.textContent = `${commandLine(args)}   at clock second ${time} (${utc(time)})`;
  explainedLines(view.output, text(result.combined), why, jump);
  view.output.classList.toggle('nothing', result.combined.length === 0);
  if (result.combined.length === 0) view.output.textContent = '(nothing printed)';
  view.status.textContent = statusWords(result.status);
  view.status.classList.toggle('failed', result.status !== 1);
}

export function showFailure(view, message) {
  view.command.textContent = '';
  view.output.textContent = '';
  view.status.textContent = message;
  view.status.classList.add('failed');
}

// Lays out `printed` as lines that open to show how each was made.
function explainedLines(container, printed, why, jump) {
  container.replaceChildren();
  let end = 0;
  for (const line of printed.match(/[^\n]*\n|[^\n]+$/g) ?? []) {
    end += line.length;
    const lineEnd = end;
    const item = element('details', 'why');
    const summary = element('summary', 'printed', line.replace(/\n$/, ''));
    summary.title = 'How weft made this line';
    // The line's end stays in the text, so that the view holds exactly the
    // bytes printed.
    if (line.endsWith('\n')) summary.append(element('span', 'eol', '\n'));
    item.append(summary);
    item.addEventListener('toggle', () => {
      if (!item.open || item.dataset.asked) return;
      item.dataset.asked = 'true';
      const steps = element('div', 'steps', 'Asking weft-check --explain ...');
      item.append(steps);
      why(lineEnd).then((found) => showSteps(steps, found, jump),
                        (error) => { steps.textContent = `weft-check --explain failed: ${error.message ?? error}`; });
    });
    container.append(item);
  }
}

// The steps that made one line, in weft-check --explain's words; a click on
// a step selects the line of the data file it came from.
function showSteps(box, {part, last, report}, jump) {
  box.replaceChildren();
  if (!part) {
    box.append(element('p', 'hint', 'weft wrote this line on its way to the next generated line, whose steps show how.'));
    return;
  }
  const list = element('ol', 'step-list');
  list.setAttribute('aria-label', `weft-check --explain=${report.second}`);
  const picks = [];
  part.steps.forEach((step, i) => {
    if (step.pick) picks[step.depth] = step.pick;
    const place = step.pick ?? (step.step === 'enter' ? {file: step.file, line: 1} :
                                step.line ? {file: step.file, line: step.line} : picks[step.depth]);
    const item = element('li');
    item.style.setProperty('--depth', step.depth - 1);
    const button = element('button', 'step', part.words[i]);
    button.type = 'button';
    if (place) {
      button.title = `Select ${place.file} line ${place.line}`;
      button.addEventListener('click', () => jump(place.file, place.line));
    }
    item.append(button);
    list.append(item);
  });
  box.append(list);
  if (last && report.ending !== null && report.ending !== undefined) {
    box.append(element('p', 'failed', report.text.trimEnd().split('\n').pop().trim()));
  }
}

// Independent lines: one run each; `repeat(second)` rolls one of them again,
// `why(index)` gives the explainer of run `index`.
export function showLines(view, {args, runs}, repeat, why, jump) {
  view.summary.textContent = `${runs.length} runs of ${commandLine(args)}, each at its own clock second.`;
  view.list.replaceChildren();
  runs.forEach(({time, result}, index) => {
    const item = element('li');
    const button = element('button', 'second', String(time));
    button.type = 'button';
    button.title = `Repeat: roll again at clock second ${time}`;
    button.setAttribute('aria-label', `Repeat at second ${time}`);
    button.addEventListener('click', () => repeat(time));
    const printed = text(result.combined);
    const line = element('div', 'line', printed === '' ? '(nothing printed)' : undefined);
    if (printed !== '') explainedLines(line, printed, why(index), jump);
    item.append(button, line);
    if (result.status !== 1) item.append(element('span', 'failed', ' ' + statusWords(result.status)));
    view.list.append(item);
  });
}

// weft-check's findings; `jump(file, line)` opens the file at the line.
export function showDiagnostics(view, {args, diagnostics, summary}, jump) {
  view.summary.textContent = `weft-check ${args.join(' ')}: ${summary?.text ?? plural(diagnostics.length, 'problem')}`;
  view.list.replaceChildren();
  for (const d of diagnostics) {
    const item = element('li', `diagnostic ${d.severity}`);
    const place = d.line ? `${d.file}:${d.line}` : d.file;
    const button = element('button', 'place', place);
    button.type = 'button';
    button.setAttribute('aria-label', `Go to ${place}`);
    button.addEventListener('click', () => jump(d.file, d.line));
    item.append(button, element('span', 'severity', d.severity), element('span', 'message', d.message));
    for (const note of notesOf(d)) item.append(element('span', 'note', note));
    view.list.append(item);
  }
}

function notesOf(diagnostic) {
  const notes = diagnostic.notes ?? (diagnostic.note ? [diagnostic.note] : []);
  return notes.map((note) => (typeof note === 'string' ? note : note.message ?? ''));
}

function plural(n, word) {
  return `${n} ${word}${n === 1 ? '' : 's'}`;
}

// The odds of every table of every file, from weft-check --stats: per table
// each distinct entry's chance in weft-check's own words ("40.0%, 1 in 2.5")
// and as an exact fraction, a bar, then the distributions of dice totals.
export function showOdds(view, {args, stats}) {
  view.summary.textContent = `weft-check ${args.join(' ')}`;
  view.tables.replaceChildren();
  for (const file of stats ?? []) {
    const section = element('section', 'odds-file');
    section.append(element('h3', '', file.title ? `${file.file}: ${file.title}` : file.file));
    const lines = linesSummary(file.lines);
    if (lines) section.append(element('p', 'variety', lines));
    const sampled = sampledSummary(file.lines?.sampled);
    if (sampled) section.append(element('p', 'variety', sampled));
    if (file.lines?.rolls_dice) {
      section.append(element('p', 'note', 'Its lines roll dice. Every roll restarts weft\'s random numbers from the clock\'s second, so the lines made after a roll repeat within one run: use Roll independent lines.'));
    }
    for (const table of file.tables ?? []) section.append(oddsTable(table));
    for (const dice of file.dice ?? []) section.append(diceTable(dice));
    view.tables.append(section);
  }
  if (view.tables.childElementCount === 0) view.tables.append(element('p', 'hint', 'No odds to show.'));
}

function linesSummary(lines) {
  if (!lines || lines.distinct === undefined) return '';
  const bound = lines.complete ? '' : 'at least ';
  const variety = lines.variety < 10 ? lines.variety.toFixed(1) : String(Math.round(lines.variety));
  return `Table 0 makes ${bound}${lines.distinct} different lines, ${bound || 'about '}as varied as ` +
      `${variety} equally likely lines${lines.estimated ? ' (estimated)' : ''}.`;
}

// What weft itself made of table 0 where the odds could not be followed to
// the end, in weft-check's own words.
function sampledSummary(sampled) {
  if (!sampled) return '';
  const count = (n) => n.toLocaleString('en-US');
  const ended = (sampled.endings ?? []).reduce((sum, ending) => sum + ending.rolls, 0);
  let text = `Weft's own lines: in ${count(sampled.rolls)} rolls, ${count(sampled.distinct)} ` +
      (sampled.distinct === 1 ? 'line' : 'different lines');
  if (sampled.most_repeats > 1) text += `; none came up more than ${count(sampled.most_repeats)} times`;
  else if (sampled.most_repeats === 1) text += '; none came up twice';
  if (ended > 0) text += `; ${count(ended)} ended the run (see the warnings)`;
  return `${text}.`;
}

function barCell(share) {
  const cell = element('td', 'bar-cell');
  const bar = element('span', 'odds-bar');
  bar.style.width = `${Math.max(0, Math.min(1, share)) * 100}%`;
  bar.setAttribute('aria-hidden', 'true');
  cell.append(bar);
  return cell;
}

function oddsTable(table) {
  const wrapper = element('table', 'odds');
  const entries = table.entries ?? [];
  wrapper.append(element('caption', '', `Table ${table.table}: ${entries.length} ${entries.length === 1 ? 'entry' : 'entries'}`));
  const head = element('thead');
  const headRow = element('tr');
  for (const name of ['Entry', 'Chance', '', 'Exactly', '']) headRow.append(element('th', '', name));
  head.append(headRow);
  const body = element('tbody');
  const largest = Math.max(0, ...entries.map((e) => e.probability ?? 0));
  for (const entry of entries) {
    const row = element('tr');
    row.append(element('td', 'entry', entry.prefix_and_suffix ? 'prefix + suffix' : entry.text));
    // The words weft-check shows ("40.0%" and "1 in 2.5"), each as it wrote it.
    row.append(element('td', 'percent', entry.shown_percent));
    row.append(element('td', 'one-in', entry.shown_one_in));
    row.append(element('td', 'fraction', `${entry.numerator}/${entry.denominator}`));
    row.append(barCell(largest > 0 ? (entry.probability ?? 0) / largest : 0));
    body.append(row);
  }
  wrapper.append(head, body);
  return wrapper;
}

function diceTable(dice) {
  const wrapper = element('table', 'odds dice');
  const place = dice.line ? `, line ${dice.line}` : '';
  const caption = !dice.reads
    ? `${dice.reference}${place}: does not read; weft rolls 0`
    : `${dice.reference}${place}: totals ${dice.lowest} to ${dice.highest}` +
      (dice.exact ? '' : ' (the dice taken as independent)');
  wrapper.append(element('caption', '', caption));
  const totals = dice.totals ?? [];
  const largest = Math.max(0, ...totals.map((t) => t.probability));
  const body = element('tbody');
  for (const total of totals) {
    const row = element('tr');
    row.append(element('td', 'total', String(total.total)));
    row.append(element('td', 'percent', `${Number(total.percent).toFixed(2)}%`));
    row.append(barCell(largest > 0 ? total.probability / largest : 0));
    body.append(row);
  }
  wrapper.append(body);
  return wrapper;
}

// Shows one result view and marks its tab.
export function showView(name) {
  for (const tab of document.querySelectorAll('[role="tab"]')) {
    const selected = tab.id === `tab-${name}`;
    tab.setAttribute('aria-selected', String(selected));
    tab.tabIndex = selected ? 0 : -1;
    document.getElementById(tab.getAttribute('aria-controls')).hidden = !selected;
  }
}

// Brings the results into sight after a run (below the form on a phone).
export function reveal() {
  document.querySelector('.results').scrollIntoView({block: 'nearest'});
}
