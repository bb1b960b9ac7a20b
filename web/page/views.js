// The views of a run's results. Each lays out what weft or weft-check
// produced: the bytes printed, the diagnostics, the odds, each in the words
// the programs gave them; none of them makes up output of its own.

const decoder = new TextDecoder('utf-8');

export function text(bytes) {
  return decoder.decode(bytes);
}

// `n` and the word for what it counts, in the singular for 1: "1 error",
// "2 errors", "3 entries" with `plural` given.
export function counted(n, singular, plural = `${singular}s`) {
  return `${n} ${n === 1 ? singular : plural}`;
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

// Lays out `printed` as lines that open to show how each was made;
// `reroll(step)`, when given, rolls again the part of the line that begins
// at that step.
function explainedLines(container, printed, why, jump, reroll = null) {
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
      why(lineEnd).then((found) => showSteps(steps, found, jump, reroll),
                        (error) => { steps.textContent = `weft-check --explain failed: ${error.message ?? error}`; });
    });
    container.append(item);
  }
}

// The steps that made one line, in weft-check --explain's words; a click on
// a step selects the line of the data file it came from. With `reroll`,
// each step that made a choice offers to roll its part again.
function showSteps(box, {part, last, report}, jump, reroll) {
  box.replaceChildren();
  if (!part) {
    box.append(element('p', 'hint', 'weft wrote this line on its way to the next generated line, whose steps show how.'));
    return;
  }
  const list = element('ol', 'step-list');
  list.setAttribute('aria-label', `weft-check --explain=${report.second}`);
  const picks = [];
  part.steps.forEach((step, index) => {
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
    if (reroll && choice(step)) {
      const again = element('button', 'reroll', 'Reroll this part');
      again.type = 'button';
      again.title = 'A line that keeps the rest of this one and rolls this part again, at the nearest second weft prints it';
      again.addEventListener('click', () => reroll(index));
      item.append(again);
    }
    list.append(item);
  });
  box.append(list);
  if (last && report.ending_words) box.append(element('p', 'failed', report.ending_words));
}

// Whether a step makes a choice that can come out otherwise: a reference
// that picked, rolled or took a listed file's line, or a listed file's pick,
// from more than one entry.
function choice(step) {
  if (step.pick && step.pick.chance >= 1) return false;  // nothing else to pick
  return step.step === 'reference' ? Boolean(step.pick || step.roll || step.listed_lines)
                                   : step.step === 'pick' && step.depth > 1;
}

// The lines Roll made, one run each (`runs`: {time, result, shown}, where
// `shown`, when there, is the text to show for what weft printed); `summary`
// says how they were made. `actions` for line `index`: renew(index) makes a
// new line in its place, why(index) gives the explainer of its run,
// reroll(index, step) rolls a part of it again (or is null), jump(file,
// line) opens a file at a line.
export function showLines(view, {summary, runs}, actions) {
  view.summary.textContent = summary;
  view.list.replaceChildren(...runs.map((run, index) => lineItem(run, index, actions)));
}

// The item of line `index` of the Lines view.
export function lineItem({time, result, shown}, index, {renew, why, reroll, jump}) {
  const item = element('li');
  const button = element('button', 'second', String(time));
  button.type = 'button';
  button.title = `New line: roll another line in place of this one, which weft prints at clock second ${time}`;
  button.setAttribute('aria-label', `New line in place of line ${index + 1}, which weft prints at clock second ${time}`);
  button.addEventListener('click', () => renew(index));
  const printed = shown ?? text(result.combined);
  const line = element('div', 'line', printed === '' ? '(nothing printed)' : undefined);
  if (printed !== '') explainedLines(line, printed, why(index), jump, reroll && ((step) => reroll(index, step)));
  item.append(line, button);
  if (result.status !== 1) line.append(element('span', 'failed', ' ' + result.statusWords));
  return item;
}

// Replaces the item of line `index` with that of `run`, marked as new.
export function replaceLine(view, run, index, actions) {
  const item = lineItem(run, index, actions);
  item.classList.add('found');
  view.list.children[index]?.replaceWith(item);
  return item;
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
      section.append(element('p', 'hint', 'For lines that each roll afresh, use Roll: each line comes from a run at a second of its own.'));
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

// Brings the results into sight after a run.
export function reveal() {
  document.querySelector('.table .tabs').scrollIntoView({block: 'nearest'});
}
