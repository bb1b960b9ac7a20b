'use strict';
// weft in VS Code: starts weft-check's language server for weft files, and
// runs weft and weft-check on the file in its own folder, as weft loads it.
// Highlighting before the server answers is the grammar's.
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');
const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

let client;
let output;
let lastRoll;
let started = false;
const reported = new Set();
const detected = new Set();

// Returns the program a machine setting names, else the first `name` found
// on PATH or in the usual install folders (the extension host does not
// always see a login shell's PATH), else undefined.
function findProgram(setting, name) {
  const configured = vscode.workspace.getConfiguration('weft').get(setting);
  if (configured) {
    const file = configured.replace(/^~(?=$|[\\/])/, os.homedir());
    return isProgram(file) ? file : undefined;
  }
  const file = process.platform === 'win32' ? `${name}.exe` : name;
  const home = os.homedir();
  const folders = (process.env.PATH || '').split(path.delimiter)
    .concat([path.join(home, '.local', 'bin'), '/usr/local/bin', '/usr/bin']);
  return folders.filter((folder) => folder).map((folder) => path.join(folder, file)).find(isProgram);
}

function isProgram(file) {
  try {
    fs.accessSync(file, fs.constants.X_OK);
    return fs.statSync(file).isFile();
  } catch {
    return false;
  }
}

// Says once a session that a program is missing, and how to get it.
function reportMissing(name, setting) {
  if (reported.has(name)) return;
  reported.add(name);
  const configured = vscode.workspace.getConfiguration('weft').get(setting);
  const where = configured ? `weft.${setting} names "${configured}", which is not a program`
    : `${name} is not on PATH, nor in ~/.local/bin, /usr/local/bin or /usr/bin`;
  vscode.window.showErrorMessage(
    `weft: ${where}. Install weft (it brings weft and weft-check: cmake --install, or its ` +
    `Debian package), or set weft.${setting} in your user settings to the program. ` +
    'Highlighting works without it.', 'Open Settings').then((choice) => {
    if (choice) vscode.commands.executeCommand('workbench.action.openSettings', `weft.${setting}`);
  });
}

// Starts the language client for the first weft document: the extension
// also wakes for plain text, to look at .dat files.
function startForDocument(document) {
  if (document.languageId === 'weft' && !started) {
    started = true;
    startClient();
  }
}

async function startClient() {
  const command = findProgram('checkPath', 'weft-check');
  if (!command) {
    reportMissing('weft-check', 'checkPath');
    return;
  }
  client = new LanguageClient('weft', 'weft-check', { command, args: ['--lsp'] }, {
    documentSelector: [{ language: 'weft', scheme: 'file' }, { language: 'weft', scheme: 'untitled' }],
  });
  try {
    await client.start();
  } catch (error) {
    vscode.window.showErrorMessage(`weft: ${command} --lsp did not start: ${error.message}`);
  }
}

async function restartClient() {
  const old = client;
  client = undefined;
  reported.delete('weft-check');
  if (old) await old.stop();
  await startClient();
}

// A .dat file opened as plain text becomes weft when its start holds
// something only weft's files hold; each file is looked at once a session,
// so that choosing another language for it sticks.
const WEFT_MARKS = /^%(title:|table|files?\b|file list|chdir:)|\((table\s*[+-]?\d*|random\b[^)]*)\)/im;
function detectLanguage(document) {
  if (document.languageId !== 'plaintext' || !/\.dat$/i.test(document.uri.path)) return;
  const key = document.uri.toString();
  if (detected.has(key) || !vscode.workspace.getConfiguration('weft', document).get('detectDatFiles')) return;
  detected.add(key);
  if (WEFT_MARKS.test(document.getText().slice(0, 8192))) {
    vscode.languages.setTextDocumentLanguage(document, 'weft');
  }
}

// Runs a program in a folder; resolves to what it wrote on both streams, in
// the order it arrived, and its exit status.
function run(program, args, cwd) {
  return new Promise((resolve) => {
    let text = '';
    const child = childProcess.spawn(program, args, { cwd });
    child.stdout.on('data', (chunk) => { text += chunk; });
    child.stderr.on('data', (chunk) => { text += chunk; });
    child.on('error', (error) => resolve({ text: `${error.message}\n`, status: -1 }));
    child.on('close', (status) => resolve({ text, status }));
  });
}

// Returns the active weft document, saved (weft reads the file on disk), or
// undefined after saying why not.
async function savedDocument() {
  const editor = vscode.window.activeTextEditor;
  const document = editor && editor.document;
  if (!document || document.languageId !== 'weft') {
    vscode.window.showInformationMessage('weft: open a weft data file first.');
    return undefined;
  }
  if (document.isUntitled || (document.isDirty && !(await document.save()))) {
    vscode.window.showInformationMessage('weft: save the file first; weft reads it from its folder.');
    return undefined;
  }
  return document;
}

// Runs a program on the document from the document's folder and shows what
// it wrote; the statuses in `told` are those whose meaning the program's own
// output already says.
async function runOnDocument(document, setting, name, options, told) {
  const program = findProgram(setting, name);
  if (!program) {
    reportMissing(name, setting);
    return undefined;
  }
  const folder = path.dirname(document.uri.fsPath);
  const args = options.concat(['--', path.basename(document.uri.fsPath)]);
  output.appendLine(`$ ${name} ${args.join(' ')}    (in ${folder})`);
  output.show(true);
  const result = await run(program, args, folder);
  output.append(result.text);
  if (!told.includes(result.status)) output.appendLine(`(${name} ended with exit status ${result.status})`);
  output.appendLine('');
  return result;
}

async function roll() {
  const document = await savedDocument();
  if (!document) return undefined;
  const count = vscode.workspace.getConfiguration('weft', document).get('lines');
  const before = Math.floor(Date.now() / 1000);
  const result = await runOnDocument(document, 'weftPath', 'weft', ['-n', String(count)], [1]);
  if (!result) return undefined;
  lastRoll = { uri: document.uri.toString(), count, before, after: Math.floor(Date.now() / 1000), text: result.text };
  return result.text;
}

// Explains the last roll of this file (weft seeds its random numbers with
// the second it starts in), or else a new line at the current second.
async function explain() {
  const document = await savedDocument();
  if (!document) return undefined;
  const roll = lastRoll && lastRoll.uri === document.uri.toString() ? lastRoll : undefined;
  let second = roll ? roll.before : Math.floor(Date.now() / 1000);
  if (roll && roll.after !== roll.before && !(await rolledAt(document, roll, second))) second = roll.after;
  const options = [`--explain=${second}`, '-n', String(roll ? roll.count : 1)];
  const result = await runOnDocument(document, 'checkPath', 'weft-check', options, [0, 2]);
  return result && result.text;
}

// Whether weft, started at `second`, writes what the roll wrote.
async function rolledAt(document, roll, second) {
  const program = findProgram('checkPath', 'weft-check');
  if (!program) return false;
  const args = [`--explain=${second}`, '-j', '-n', String(roll.count), '--', path.basename(document.uri.fsPath)];
  const result = await run(program, args, path.dirname(document.uri.fsPath));
  try {
    return JSON.parse(result.text).output.map((part) => part.written).join('') === roll.text;
  } catch {
    return false;
  }
}

async function showOdds() {
  const document = await savedDocument();
  if (!document) return undefined;
  const result = await runOnDocument(document, 'checkPath', 'weft-check', ['-S'], [0, 1, 2]);
  return result && result.text;
}

function activate(context) {
  output = vscode.window.createOutputChannel('weft');
  context.subscriptions.push(
    output,
    vscode.commands.registerCommand('weft.roll', roll),
    vscode.commands.registerCommand('weft.explain', explain),
    vscode.commands.registerCommand('weft.showOdds', showOdds),
    vscode.workspace.onDidOpenTextDocument((document) => {
      detectLanguage(document);
      startForDocument(document);
    }),
    vscode.workspace.onDidChangeConfiguration((event) => {
      if (started && event.affectsConfiguration('weft.checkPath')) restartClient();
    }));
  vscode.workspace.textDocuments.forEach((document) => {
    detectLanguage(document);
    startForDocument(document);
  });
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
