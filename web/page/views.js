// The views of a run's results. Each lays out what weft or weft-check
// produced: the bytes printed, the diagnostics, the odds, each in the words
// the programs gave them; none of them makes up output of its own.

const decoder = new TextDecoder('utf-8');

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
  view.status.textContent = result.statusWords;
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
  for (const step of part.steps) {
    if (step.pick) picks[step.depth] = step.pick;
    const place = step.pick ?? (step.step === 'enter' ? {file: step.file, line: 1} : picks[step.depth]);
    const item = element('li');
    item.style.setProperty('--depth', step.depth - 1);
    const button = element('button', 'step', step.words);
    button.type = 'button';
    if (place) {
      button.title = `Select ${place.file} line ${place.line}`;
      button.addEventListener('click', () => jump(place.file, place.line));
    }
    item.append(button);
    list.append(item);
  }
  box.append(list);
  if (last && report.ending_words) box.append(element('p', 'failed', report.ending_words));
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
    if (result.status !== 1) item.append(element('span', 'failed', ' ' + result.statusWords));
    view.list.append(item);
  });
}

// weft-check's findings; `jump(file, line)` opens the file at the line.
export function showDiagnostics(view, {args, diagnostics, summary}, jump) {
  view.summary.textContent = `weft-check ${args.join(' ')}: ${summary.text}`;
  view.list.replaceChildren();
  for (const d of diagnostics) {
    const item = element('li', `diagnostic ${d.severity}`);
    const place = d.line ? `${d.file}:${d.line}` : d.file;
    const button = element('button', 'place', place);
    button.type = 'button';
    button.setAttribute('aria-label', `Go to ${place}`);
    button.addEventListener('click', () => jump(d.file, d.line));
    item.append(button, element('span', 'severity', d.severity), element('span', 'message', d.message));
    if (d.note) item.append(element('span', 'note', d.note));
    view.list.append(item);
  }
}

// The odds of every table of every file, from weft-check --stats, in its
// words: per table each distinct entry's chance ("40.0%", "1 in 2.5") and
// weight out of the table's ("2 of 5"), with a bar, and how the remainder of
// the draws falls where it shows; then the totals of its dice and what it
// says of table 0's lines.
export function showOdds(view, {args, stats}) {
  view.summary.textContent = `weft-check ${args.join(' ')}`;
  view.tables.replaceChildren();
  for (const file of stats ?? []) {
    const section = element('section', 'odds-file');
    section.append(element('h3', '', file.shown));
    for (const line of file.lines?.shown ?? []) section.append(element('p', 'variety', line));
    if (file.lines?.rolls_dice) {
      section.append(element('p', 'hint', 'For lines that each roll afresh, use Roll independent lines.'));
    }
    for (const table of file.tables ?? []) {
      section.append(oddsTable(table));
      if (table.shown_remainder) section.append(element('p', 'hint', table.shown_remainder));
    }
    for (const dice of file.dice ?? []) section.append(diceTable(dice));
    view.tables.append(section);
  }
  if (view.tables.childElementCount === 0) view.tables.append(element('p', 'hint', 'No odds to show.'));
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
  wrapper.append(element('caption', '', table.shown));
  const head = element('thead');
  const headRow = element('tr');
  for (const name of ['Entry', 'Chance', '', 'Weight', '']) headRow.append(element('th', '', name));
  head.append(headRow);
  const body = element('tbody');
  const largest = Math.max(0, ...entries.map((e) => e.probability ?? 0));
  for (const entry of entries) {
    const row = element('tr');
    row.append(element('td', 'entry', entry.shown_text));
    row.append(element('td', 'percent', entry.shown_percent));
    row.append(element('td', 'one-in', entry.shown_one_in));
    row.append(element('td', 'weight', entry.shown_weight));
    row.append(barCell(largest > 0 ? (entry.probability ?? 0) / largest : 0));
    body.append(row);
  }
  wrapper.append(head, body);
  return wrapper;
}

function diceTable(dice) {
  const wrapper = element('table', 'odds dice');
  wrapper.append(element('caption', '', dice.shown));
  const totals = dice.totals ?? [];
  const largest = Math.max(0, ...totals.map((t) => t.probability));
  const body = element('tbody');
  for (const total of totals) {
    const row = element('tr');
    row.append(element('td', 'total', String(total.total)));
    row.append(element('td', 'percent', total.shown_percent));
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
