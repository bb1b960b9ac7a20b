// The playground page: wires the file set, the options form and the result
// views to weft and weft-check, which run in the page through ./weft.js and
// say everything shown of weft's: its output, its words and its rules.
// Rolling comes first: Roll makes lines at seconds of their own (table.js),
// and one run of weft with every option is a click further.

import {run, check, explain, load, splitOperand, joinOperand, capabilities, loadedFiles} from './weft.js';
import {RolledTable} from './table.js';
import {FileSet, renderFileList, showProblems} from './files.js';
import {Editor} from './editor.js';
import {shareLink, readFragment} from './share.js';
import {loadExamples} from './examples.js';
import * as views from './views.js';

const $ = (id) => document.getElementById(id);
const OPTIONS_KEY = 'weft-playground/options';
const WIDE_KEY = 'weft-playground/wide';
const FIRST_EXAMPLE = 'tavern.dat';

const fileSet = new FileSet();
let examples = {};
// The set a link or the examples last opened, which is no set of one's own
// while it is unchanged.
let opened = null;
// The lines Roll made last, and what this build of weft can do besides.
let table = null;
let features = {keepCase: false, reroll: false};
let shownPath = null;
let editor = null;
// What the language server found in each file: path -> {errors, warnings, notes}.
const problems = new Map();

const outputView = {command: $('output-command'), output: $('output'), status: $('output-status')};
const linesView = {summary: $('lines-summary'), list: $('lines-list')};
const checkView = {summary: $('check-summary'), list: $('check-list')};
const oddsView = {summary: $('odds-summary'), tables: $('odds-tables')};

// ---- Options ----------------------------------------------------------

const optionFields = {t: 'opt-t', n: 'opt-n', s: 'opt-s', m: 'opt-m', d: 'opt-d', clock: 'opt-clock', files: 'opt-files',
                      count: 'lines-count', unique: 'no-repeats', keepCase: 'keep-case'};

function readOptions() {
  const options = {};
  for (const [name, id] of Object.entries(optionFields)) {
    const field = $(id);
    options[name] = field.type === 'checkbox' ? field.checked : field.value;
  }
  return options;
}

function writeOptions(options) {
  for (const [name, id] of Object.entries(optionFields)) {
    if (!(name in options)) continue;
    const field = $(id);
    if (field.type === 'checkbox') field.checked = Boolean(options[name]);
    else field.value = String(options[name] ?? '');
  }
}

function saveOptions() {
  try {
    localStorage.setItem(OPTIONS_KEY, JSON.stringify(readOptions()));
  } catch (error) {
    // Without storage the options simply are not kept.
  }
}

// The operand that names a file of the set (a path with '/' between
// folders) so that weft reads it inside its folder, as weft's own rule
// joins them.
function operandOf(path) {
  const slash = path.lastIndexOf('/');
  return joinOperand(slash < 0 ? '' : path.slice(0, slash), path.slice(slash + 1));
}

// Splits the data-files field into operands at blanks; "..." or '...'
// keeps blanks inside one.
function splitOperands(textValue) {
  const operands = [];
  const pattern = /"([^"]*)"|'([^']*)'|(\S+)/g;
  for (const match of textValue.matchAll(pattern)) operands.push(match[1] ?? match[2] ?? match[3]);
  return operands;
}

async function operands(options) {
  const named = splitOperands(options.files);
  if (named.length > 0) return named;
  return fileSet.selected ? [await operandOf(fileSet.selected)] : [];
}

async function runArgs(options, lines = options.n) {
  const args = [];
  if (options.t) args.push('-t');
  for (let i = 0; i < Number(options.d); ++i) args.push('-d');
  if (lines !== '') args.push('-n', String(lines));
  if (options.s !== '') args.push('-s', options.s);
  if (options.m !== '') args.push('-m', options.m);
  return [...args, ...await operands(options)];
}

async function checkArgs(options, extra) {
  const args = [...extra];
  if (options.m !== '') args.push('-m', options.m);
  return [...args, ...await operands(options)];
}

function clockSecond(options) {
  return options.clock === '' ? Math.floor(Date.now() / 1000) : Number(options.clock);
}

// ---- Actions ----------------------------------------------------------

let busy = false;

// Runs `work` unless another action runs; `reveal` brings the results into
// sight after it.
async function withBusy(work, reveal = true) {
  if (busy) return;
  busy = true;
  document.body.setAttribute('aria-busy', 'true');
  try {
    await work();
    if (reveal) views.reveal();
  } catch (error) {
    views.showView('output');
    views.showFailure(outputView, `The playground could not run weft: ${error.message ?? error}`);
  } finally {
    busy = false;
    document.body.removeAttribute('aria-busy');
  }
}

// One run of weft with every option of the form, in the Output view.
function runOnce() {
  return withBusy(async () => {
    const options = readOptions();
    const args = await runArgs(options);
    const time = clockSecond(options);
    const files = fileSet.toObject();
    const result = await run({files, args, time, cwd: ''});
    views.showView('output');
    views.showOutput(outputView, {args, time, result}, explainer(files, args, time), await jumpFrom(args));
  });
}

// Roll: as many lines as asked, each from a run of -n 1 at a second of its
// own, in the Lines view.
function roll() {
  return withBusy(async () => {
    const options = readOptions();
    const count = Math.max(1, Math.min(1000, Math.floor(Number($('lines-count').value)) || 1));
    $('lines-count').value = String(count);
    const named = await operands(options);
    const made = new RolledTable({
      files: fileSet.toObject(), args: await runArgs(options, 1), start: clockSecond(options),
      seedOffset: Number(options.s) || 0, unique: $('no-repeats').checked,
      keepCase: features.keepCase && $('keep-case').checked, roller: rollerOf(named, options)});
    const found = await made.fill(count);
    table = made;
    table.jump = await jumpFrom(table.args);
    views.showView('lines');
    showTable();
    linesStatus(found < count
      ? `weft made only ${found} different lines at the ${made.tried} seconds tried; the file holds no more within that search.`
      : '');
  });
}

// What the engine's rolling of one data file is told of a run of `named`
// with `options`; null for a run of several files.
function rollerOf(named, options) {
  if (named.length !== 1) return null;
  const number = (value) => (value === '' ? undefined : Number(value));
  return {operand: named[0], maxFrequency: number(options.m), seedOffset: number(options.s)};
}

function showTable() {
  const {runs, args, unique, keepCase} = table;
  const how = [unique && 'none twice', keepCase && "in the author's capitals"].filter(Boolean);
  const summary = `${runs.length} lines of ${views.commandLine(args)}, each at a clock second of its own` +
                  `${how.length ? ` (${how.join(', ')})` : ''}. A line's second ↻ makes a new line in its place.`;
  views.showLines(linesView, {summary, runs}, lineActions(table));
}

// What a line of the Lines view of `made` can do.
function lineActions(made) {
  const actions = {
    jump: made.jump,
    why: (index) => explainer(made.files, made.args, made.runs[index].time),
    renew: (index) => withBusy(async () => {
      if (await made.renew(index)) {
        views.replaceLine(linesView, made.runs[index], index, actions).querySelector('button.second').focus();
        linesStatus(`Line ${index + 1} is new: weft prints it at clock second ${made.runs[index].time}.`);
      } else {
        linesStatus(`weft made no other line at the ${made.tried} seconds tried.`);
      }
    }, false),
    reroll: features.reroll && made.roller ? (index, part) => withBusy(async () => {
      if (await made.rerollPart(index, part)) {
        views.replaceLine(linesView, made.runs[index], index, actions);
        linesStatus(`Line ${index + 1} keeps the rest and rolls that part again: weft prints it at clock second ` +
                    `${made.runs[index].time}.`);
      } else {
        linesStatus('No second near this one gives a line with that part rolled again and the rest kept.');
      }
    }, false) : null,
  };
  return actions;
}

function linesStatus(message) {
  $('lines-status').textContent = message;
}

// Copies the lines Roll made, as text or as a Markdown table; where the
// browser refuses the clipboard, they are shown selected to copy by hand.
async function copyLines(markdown) {
  const area = $('copy-area');
  area.hidden = true;
  if (table === null || table.runs.length === 0) return linesStatus('Roll first: there are no lines to copy yet.');
  const copied = markdown ? table.asMarkdown() : table.asText();
  const what = `${table.runs.length} lines${markdown ? ' as a Markdown table of seconds and lines' : ''}`;
  try {
    await navigator.clipboard.writeText(copied);
    linesStatus(`Copied ${what}.`);
  } catch (error) {
    area.value = copied;
    area.hidden = false;
    area.select();
    linesStatus(`Copy the ${what} below.`);
  }
}

// How the lines of one run were made: weft-check --explain for the run's
// files, arguments and second, asked once, when a line is first opened.
// The returned function finds the part of the explanation that ends at
// character `end` of what weft printed.
function explainer(files, args, time) {
  let explanation = null;
  return async (end) => {
    explanation ??= explain({files, args, time, cwd: ''});
    const report = await explanation;
    let at = 0;
    for (const [index, part] of report.output.entries()) {
      at += part.written.length;
      if (at === end) return {part, last: index === report.output.length - 1, report};
      if (at > end) break;
    }
    return {part: null, report};
  };
}

// Opens a file named by weft as it ran with `args`: from the folder of an
// operand that weft runs inside, else from the top folder.
async function jumpFrom(args) {
  const split = await Promise.all(args.map(splitOperand));
  const folders = split.map(({directory}) => directory).filter((directory) => directory !== null);
  return (file, line) => {
    for (const folder of [...folders, '']) {
      const path = resolvePath(folder === '' ? file : `${folder}/${file}`);
      if (path !== null) return jumpTo(path, line);
    }
  };
}

function runCheck() {
  return withBusy(async () => {
    const options = readOptions();
    const args = await checkArgs(options, []);
    const result = await check({files: fileSet.toObject(), args, cwd: ''});
    views.showView('check');
    views.showDiagnostics(checkView, {args, ...result}, jumpTo);
  });
}

function runOdds() {
  return withBusy(async () => {
    const options = readOptions();
    const args = await checkArgs(options, ['--stats']);
    const result = await check({files: fileSet.toObject(), args, cwd: ''});
    views.showView('odds');
    views.showOdds(oddsView, {args, stats: result.stats});
    if (result.diagnostics?.length) {
      views.showDiagnostics(checkView, {args: await checkArgs(options, []), ...result}, jumpTo);
    }
  });
}

// Resolves a file named by weft-check (from the top folder, with / between
// folders, perhaps through ..) to a path of the set.
function resolvePath(name) {
  const parts = [];
  for (const part of name.split('/')) {
    if (part === '' || part === '.') continue;
    if (part === '..') parts.pop();
    else parts.push(part);
  }
  const path = parts.join('/');
  if (fileSet.files.has(path)) return path;
  const lower = path.toLowerCase();
  return fileSet.paths().find((p) => p.toLowerCase() === lower) ?? null;
}

function jumpTo(file, line) {
  const path = resolvePath(file);
  if (path === null) return;
  fileSet.select(path);
  editor.selectLine(line || 1);
  showCaret();
}

// ---- Files and editor -------------------------------------------------

function showFiles() {
  renderFileList($('file-list'), fileSet, problems);
  const files = fileSet.toObject();
  editor.sync(files);
  shownPath = fileSet.selected;
  const contents = shownPath === null ? null : files[shownPath];
  if (contents instanceof Uint8Array) {
    // The editor and the language server carry text: a file that is not
    // UTF-8 is shown as best it can be, and rolled from its exact bytes.
    editor.show(shownPath, new TextDecoder().decode(contents),
                `${shownPath} is not valid UTF-8, so it is shown read-only (with � for the bytes that are not text); ` +
                'weft reads its bytes exactly as they are.');
  } else {
    editor.show(shownPath, contents);
  }
  $('editor-name').textContent = shownPath ?? '(no file)';
  $('opt-files').placeholder = 'tables.dat';
  const path = shownPath;
  if (path !== null) {
    operandOf(path).then((operand) => {
      if (shownPath === path) $('opt-files').placeholder = operand;
    });
  }
  $('file-path').value = shownPath ?? '';
  showCaret();
  showRolled();
}

// Says which data files Roll and the other actions run.
async function showRolled() {
  const named = await operands(readOptions());
  $('roll-file').textContent = named.length ? `Rolling: ${named.join(' ')}` : '';
}

function showCaret() {
  if (shownPath === null) {
    $('editor-position').textContent = '';
    return;
  }
  const {line, column} = editor.caret();
  $('editor-position').textContent = `Line ${line}, column ${column}`;
}

function fileError(message) {
  $('file-error').textContent = message ?? '';
}

// ---- Notices, examples, sharing --------------------------------------

function notice(message, offerRestore) {
  $('notice-text').textContent = message;
  $('notice-restore').hidden = !offerRestore;
  $('notice').hidden = false;
}

function sameFiles(a, b) {
  if (a === null || b === null || Object.keys(a).length !== Object.keys(b).length) return false;
  return Object.entries(b).every(([path, contents]) => sameContents(a[path], contents));
}

function sameContents(a, b) {
  if (a instanceof Uint8Array && b instanceof Uint8Array) return a.length === b.length && a.every((x, i) => x === b[i]);
  return a === b;
}

// Opens the set `files` at `selected`. One's own files are kept aside,
// for Restore; the bundled examples or a set opened before, unchanged since,
// are not one's own and are not kept.
function openSet(files, selected, message) {
  const current = fileSet.toObject();
  if (sameFiles(current, files)) {
    fileSet.select(selected);
    return;
  }
  const own = fileSet.files.size > 0 && !sameFiles(current, examples) && !sameFiles(current, opened);
  if (own) fileSet.keepPrevious();
  fileSet.replace(files, selected);
  opened = fileSet.toObject();
  notice(own ? `${message} Your own files were kept.` : message, own);
}

function openExample(path) {
  openSet(examples, path, `Opened the bundled examples at ${path}.`);
  $('opt-files').value = '';
  saveOptions();
}

// The paths of the files that weft reads for the file being edited and the
// data files of the form: those files, and every file their lists name, as
// weft-check's loading finds them.
async function sharedPaths(files) {
  const operandsShared = splitOperands($('opt-files').value);
  if (fileSet.selected !== null) operandsShared.unshift(await operandOf(fileSet.selected));
  const paths = new Set(fileSet.selected === null ? [] : [fileSet.selected]);
  for (const operand of operandsShared) {
    const {directory, filename} = await splitOperand(operand);
    const cwd = directory ?? '';
    for (const {path} of await loadedFiles({files, name: filename, cwd})) {
      const found = resolvePath(cwd === '' ? path : `${cwd}/${path}`);
      if (found !== null) paths.add(found);
    }
  }
  return fileSet.paths().filter((path) => paths.has(path));
}

async function share() {
  const files = fileSet.toObject();
  const all = $('share-all').checked;
  const paths = all ? Object.keys(files) : await sharedPaths(files);
  const link = await shareLink(location.href, {
    files: Object.fromEntries(paths.map((path) => [path, files[path]])), selected: fileSet.selected, options: readOptions()});
  const box = $('share-box');
  box.hidden = false;
  const listed = paths.length - (fileSet.selected === null ? 0 : 1);
  $('share-what').textContent = all || fileSet.selected === null ? `Link to all ${paths.length} files`
    : `Link to ${fileSet.selected}${listed > 0 ? ` and ${views.counted(listed, 'file')} it reads` : ''}`;
  $('share-link').value = link;
  $('share-link').select();
  let copied = false;
  try {
    await navigator.clipboard.writeText(link);
    copied = true;
  } catch (error) {
    // Without clipboard access the link is there to copy by hand.
  }
  $('share-status').textContent = copied
    ? `Link copied (${link.length} characters). Opening it opens these files.`
    : `Copy the link above (${link.length} characters). Opening it opens these files.`;
}

async function openFragment() {
  let state;
  try {
    state = await readFragment(location.hash);
  } catch (error) {
    notice(`This link's files could not be read (${error.message}). Your own files are as they were.`, false);
    return false;
  }
  if (state === null) return false;
  const count = Object.keys(state.files).length;
  openSet(state.files, state.selected, `Opened ${count === 1 ? 'a file' : `${count} files`} from the link.`);
  if (state.options) writeOptions(state.options);
  saveOptions();
  history.replaceState(null, '', location.pathname + location.search);
  return true;
}

// ---- Start ------------------------------------------------------------

// The file list and its form.
function connectFiles() {
  fileSet.onChange(showFiles);
  fileSet.onStoreResult((error) => {
    if (error) {
      notice(`This browser refused to save your files (${error.message ?? error}). ` +
             'They stay in this page until you close it: share them or copy them out first.', false);
    } else {
      notice('Your files are saved in this browser again.', false);
    }
  });
  $('file-list').addEventListener('click', (event) => {
    const button = event.target.closest('button.file');
    if (button) {
      fileSet.select(button.dataset.path);
      fileError(null);
    }
  });
  $('file-form').addEventListener('submit', (event) => {
    event.preventDefault();
    const path = $('file-path').value.trim();
    fileError(fileSet.add(path));
    if (fileSet.selected === path) editor.focus();
  });
  $('file-rename').addEventListener('click', () => {
    if (fileSet.selected === null) return fileError('Choose a file to rename.');
    fileError(fileSet.rename(fileSet.selected, $('file-path').value.trim()));
  });
  $('file-delete').addEventListener('click', () => {
    const path = fileSet.selected;
    if (path === null) return fileError('Choose a file to delete.');
    if (confirm(`Delete ${path}?`)) fileSet.remove(path);
  });
}

function makeEditor() {
  editor = new Editor($('editor'), {outline: $('outline'), fixes: $('fixes'), note: $('editor-note')}, {
    edit(text) {
      if (shownPath !== null) fileSet.edit(shownPath, text);
      showCaret();
    },
    caret: showCaret,
    open: (path) => fileSet.select(path),
    problems(path, count) {
      const before = problems.get(path);
      if (before && ['errors', 'warnings', 'notes'].every((kind) => before[kind] === count[kind])) return;
      problems.set(path, count);
      showProblems($('file-list'), problems);
    },
  });
}

// The options form, the actions and their keys.
function connectActions() {
  $('options').addEventListener('input', saveOptions);
  document.querySelector('.roll-bar').addEventListener('input', saveOptions);
  $('options').addEventListener('input', showRolled);
  $('options').addEventListener('submit', (event) => {
    event.preventDefault();
    runOnce();
  });
  $('clock-now').addEventListener('click', () => {
    $('opt-clock').value = String(Math.floor(Date.now() / 1000));
    saveOptions();
  });
  $('roll').addEventListener('click', roll);
  $('run').addEventListener('click', runOnce);
  $('check').addEventListener('click', runCheck);
  $('odds').addEventListener('click', runOdds);
  $('copy-text').addEventListener('click', () => copyLines(false));
  $('copy-markdown').addEventListener('click', () => copyLines(true));
  $('share').addEventListener('click', share);
  $('share-all').addEventListener('change', share);
  $('wide').addEventListener('click', () => setWide($('wide').getAttribute('aria-pressed') !== 'true'));
  $('notice-close').addEventListener('click', () => { $('notice').hidden = true; });
  $('notice-restore').addEventListener('click', async () => {
    if (await fileSet.restorePrevious()) notice('Your own files are back.', false);
  });

  // A link pasted into a tab that already shows the page changes only the
  // fragment, without loading the page again.
  window.addEventListener('hashchange', openFragment);

  document.addEventListener('keydown', (event) => {
    if (event.key === 'Enter' && (event.ctrlKey || event.metaKey)) {
      event.preventDefault();
      roll();
    }
  });
}

// The tabs of the result views, with the arrow keys between them.
function connectTabs() {
  const tabs = [...document.querySelectorAll('[role="tab"]')];
  tabs.forEach((tab, index) => {
    tab.addEventListener('click', () => views.showView(tab.id.slice('tab-'.length)));
    tab.addEventListener('keydown', (event) => {
      const step = {ArrowRight: 1, ArrowLeft: -1}[event.key];
      if (!step) return;
      const next = tabs[(index + step + tabs.length) % tabs.length];
      views.showView(next.id.slice('tab-'.length));
      next.focus();
    });
  });
  views.showView('lines');
}

// The wide mode: the editor takes the width of the file list and the
// options, which it hides; the choice is kept.
function setWide(wide) {
  document.body.classList.toggle('wide', wide);
  $('wide').setAttribute('aria-pressed', String(wide));
  editor.refresh();
  try {
    localStorage.setItem(WIDE_KEY, wide ? '1' : '');
  } catch (error) {
    // Without storage the choice lasts as long as the page.
  }
}

function showExamples() {
  for (const path of Object.keys(examples).sort()) {
    const item = document.createElement('li');
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'example';
    button.textContent = path;
    button.setAttribute('aria-label', `Open example ${path}`);
    button.addEventListener('click', () => openExample(path));
    item.append(button);
    $('example-list').append(item);
  }
}

async function start() {
  connectFiles();
  makeEditor();
  connectActions();
  connectTabs();
  // Both programs are fetched and compiled now, so that no roll waits for
  // the network.
  const loading = load().catch((error) => {
    views.showFailure(outputView, `weft could not be loaded (${error.message ?? error}).`);
  });
  try {
    writeOptions(JSON.parse(localStorage.getItem(OPTIONS_KEY) ?? '{}') ?? {});
  } catch (error) {
    // Damaged options are left at their defaults.
  }
  if (localStorage.getItem(WIDE_KEY)) setWide(true);
  // One's own files first, so that a link can keep them aside.
  await fileSet.restore();
  try {
    examples = await loadExamples();
    showExamples();
  } catch (error) {
    $('example-hint').textContent = `The bundled examples could not be loaded (${error.message}).`;
  }
  const fromLink = await openFragment();
  if (!fromLink && fileSet.files.size === 0 && Object.keys(examples).length > 0) {
    fileSet.replace(examples, FIRST_EXAMPLE);
  }
  showFiles();
  const known = await capabilities().catch(() => features);
  features = known;
  $('keep-case-field').hidden = !features.keepCase;
  await loading;
  await editor.ready;
  document.body.dataset.ready = 'true';
}

start();
