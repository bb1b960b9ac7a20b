'use strict';
// Looks at weft's extension through VS Code's own API, on the folder that
// tests/vscode/vscode_test.py opens, and writes what it saw as JSON to the
// file WEFT_VSCODE_REPORT names; the test judges it.
const vscode = require('vscode');
const fs = require('fs');

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
async function until(get, seconds = 30) {
  for (let waited = 0; waited < seconds * 1000; waited += 100) {
    const value = await get();
    if (value) return value;
    await sleep(100);
  }
  return undefined;
}

// Opens a file of the folder and returns its document once its language has
// settled (a .dat file starts as plain text).
async function open(name, language, seconds) {
  const uri = vscode.Uri.joinPath(vscode.workspace.workspaceFolders[0].uri, name);
  await vscode.window.showTextDocument(await vscode.workspace.openTextDocument(uri));
  const settled = () => vscode.workspace.textDocuments.find((d) => d.uri.toString() === uri.toString());
  await until(() => settled().languageId === language, seconds);
  return settled();
}

function position(document, pattern, offset) {
  const line = document.getText().split('\n').findIndex((text) => pattern.test(text));
  const column = line < 0 ? 0 : document.lineAt(line).text.search(pattern);
  return new vscode.Position(Math.max(line, 0), column + offset);
}

async function look() {
  const seen = { version: vscode.version, trusted: vscode.workspace.isTrusted };
  const document = await open('faults.dat', 'weft', 20);
  seen.language = document.languageId;
  seen.plain = (await open('numbers.dat', 'weft', 2)).languageId;
  await vscode.window.showTextDocument(document);
  const uri = document.uri;
  await until(() => vscode.languages.getDiagnostics(uri).length >= 2);
  seen.diagnostics = vscode.languages.getDiagnostics(uri).map((d) => ({
    line: d.range.start.line + 1, start: d.range.start.character, end: d.range.end.character, message: d.message,
  }));
  const hovers = await vscode.commands.executeCommand('vscode.executeHoverProvider', uri, position(document, /^hero/, 1));
  seen.hover = hovers.flatMap((h) => h.contents.map((c) => c.value || String(c))).join('\n');
  const reference = position(document, /\(table2\)/, 2);
  const targets = await vscode.commands.executeCommand('vscode.executeDefinitionProvider', uri, reference);
  seen.definition = targets.map((t) => (t.targetRange || t.range).start.line + 1);
  const after = reference.translate(0, -1);
  const list = await vscode.commands.executeCommand('vscode.executeCompletionItemProvider', uri, after, '(');
  seen.completion = list.items.map((item) => (typeof item.label === 'string' ? item.label : item.label.label));
  seen.roll = await vscode.commands.executeCommand('weft.roll');
  seen.explain = await vscode.commands.executeCommand('weft.explain');
  seen.odds = await vscode.commands.executeCommand('weft.showOdds');
  return seen;
}

function activate() {
  look().catch((error) => ({ error: String(error && error.stack) })).then((seen) => {
    fs.writeFileSync(process.env.WEFT_VSCODE_REPORT, JSON.stringify(seen, null, 2));
  });
}

module.exports = { activate };
