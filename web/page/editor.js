// The editor of the selected file: CodeMirror 5 with line numbers, and what
// weft's language server (server.js) knows of every file of the set:
// highlighting from its semantic tokens, its diagnostics as they change
// (CodeMirror's lint add-on), hover, go to definition (F12 or Ctrl+click),
// completion after "(" (the show-hint add-on), quick fixes and an outline.
// One box at a time tells of a place: the hover box shows the problems
// there above what the server says of it, and the lint add-on's own tooltip
// opens only on the gutter's marks, where no hover box opens. On a touch
// screen a tap opens the box at the caret, with a button to go to the
// table or file named there.
// The names of the token types and the URIs of the files are the server's.
// Without CodeMirror the text area stays a plain editor.

import {LanguageClient} from './server.js';
import {uris} from './weft.js';

const CM = globalThis.CodeMirror;
// Lines around the visible ones that are painted ahead of scrolling.
const PAINT_MARGIN = 60;

// The server's severity as a word: 1 error, 2 warning, 3 (or 4) a note,
// which tells how weft reads text that works.
function severityName(severity) {
  return severity === 1 ? 'error' : severity === 2 ? 'warning' : 'note';
}
const GRAVITY = {note: 0, warning: 1, error: 2};

export class Editor {
  // `hooks`: edit(text) after each change of the shown file, caret() after
  // each move, open(path) to show another file of the set, problems(path,
  // {errors, warnings, notes}) when the server's count for a file changes.
  constructor(textarea, {outline, fixes, note}, hooks) {
    this.textarea = textarea;
    this.outlineList = outline;
    this.fixesBox = fixes;
    this.noteBox = note;
    this.hooks = hooks;
    this.path = null;
    this.touched = 0;  // when the screen was last touched
    this.docs = new Map();  // path -> CodeMirror document
    this.opened = new Map();  // uri -> {version, text} the server holds
    this.diagnostics = new Map();  // uri -> the server's diagnostics
    this.tokens = null;
    this.tokenTypes = [];
    this.painted = [];
    this.files = {};
    this.names = null;  // the server's URIs of the files, once loaded
    if (!CM) {
      this.cm = null;
      textarea.addEventListener('input', () => this.hooks.edit(textarea.value));
      for (const type of ['keyup', 'click', 'select', 'focus']) textarea.addEventListener(type, () => this.hooks.caret());
      this.ready = Promise.resolve();
      return;
    }
    this.cm = CM.fromTextArea(textarea, {
      lineNumbers: true,
      gutters: ['CodeMirror-lint-markers'],
      lint: {getAnnotations: () => this.annotations(), lintOnChange: false, tooltips: 'gutter'},
      inputStyle: 'textarea',
      indentWithTabs: true,
      smartIndent: false,
      extraKeys: {
        // Tab leaves the editor, as in any text field; Enter breaks the line
        // and nothing else, since blanks at a line's start mean something.
        'Tab': false,
        'Shift-Tab': false,
        'Enter': (cm) => cm.replaceSelection('\n'),
        'F12': (cm) => this.goToDefinition(cm.getCursor()),
        'Ctrl-Space': (cm) => this.complete(),
        'Ctrl-I': (cm) => this.hover(cm.getCursor(), null),
        'Esc': () => this.hideHover(),
      },
    });
    this.cm.getWrapperElement().setAttribute('aria-label', textarea.getAttribute('aria-label') ?? 'Editor');
    this.cm.getInputField().setAttribute('aria-labelledby', textarea.getAttribute('aria-labelledby') ?? '');
    this.cm.getInputField().setAttribute('aria-describedby', textarea.getAttribute('aria-describedby') ?? '');
    this.connectServer();
    this.connectEvents();
  }

  // Starts the language server; once it has answered, the names of its
  // token types and its URIs of the files are known, and the files go to it.
  connectServer() {
    this.client = new LanguageClient(new URL('./server_worker.js', import.meta.url));
    this.client.on('textDocument/publishDiagnostics', (params) => this.published(params));
    this.client.on('weft/failed', ({message}) => this.showNote(`The language server stopped (${message}); rolling still works.`));
    this.ready = Promise.all([this.client.ready, uris()]).then(([initialized, names]) => {
      this.tokenTypes = initialized?.capabilities?.semanticTokensProvider?.legend?.tokenTypes ?? [];
      this.names = names;
      this.sync(this.files);
      this.refreshFromServer();
    }).catch(() => {});
  }

  // The server's URI of a file of the set; null until the names are loaded.
  uriOf(path) {
    return this.names === null ? null : this.names.uriOfPath(path);
  }

  connectEvents() {
    const cm = this.cm;
    cm.on('changes', () => {
      if (this.path === null) return;
      this.hooks.edit(cm.getValue());
      this.scheduleSync();
    });
    cm.on('cursorActivity', () => {
      this.hooks.caret();
      this.hideHover();
      clearTimeout(this.fixTimer);
      this.fixTimer = setTimeout(() => this.offerFixes(), 250);
    });
    cm.on('viewportChange', () => this.paint());
    cm.on('inputRead', (cm, change) => {
      // After the input's own cursor move, which would close the list.
      if (change.text.join('').endsWith('(')) setTimeout(() => this.complete(), 0);
    });
    cm.on('mousedown', (cm, event) => {
      if (!(event.ctrlKey || event.metaKey)) return;
      event.preventDefault();
      this.goToDefinition(cm.coordsChar({left: event.clientX, top: event.clientY}, 'window'));
    });
    const wrapper = cm.getWrapperElement();
    wrapper.addEventListener('mousemove', (event) => {
      clearTimeout(this.hoverTimer);
      if (this.hoverBox && this.hoverBox.contains(event.target)) return;
      // The mouse events a browser makes of a touch leave the tap's box be.
      if (Date.now() - this.touched < 1500) return;
      if (event.target.closest('.CodeMirror-gutters, .CodeMirror-gutter-wrapper')) return this.hideHover();
      this.hoverTimer = setTimeout(() => {
        const pos = cm.coordsChar({left: event.clientX, top: event.clientY}, 'window');
        const end = cm.charCoords({line: pos.line, ch: cm.getLine(pos.line).length}, 'window');
        if (event.clientX <= end.right) this.hover(pos, event);
      }, 300);
    });
    wrapper.addEventListener('mouseleave', () => {
      clearTimeout(this.hoverTimer);
      if (Date.now() - this.touched < 1500) return;
      this.hideHover();
    });
    cm.on('scroll', () => this.hideHover());
    this.connectTouch(wrapper);
  }

  // A tap (a touch that neither moves nor lasts) opens the box of the place
  // it put the caret at, once CodeMirror has moved the caret there.
  connectTouch(wrapper) {
    let start = null;
    wrapper.addEventListener('touchstart', (event) => {
      const touch = event.touches[0];
      this.touched = Date.now();
      start = event.touches.length === 1 ? {x: touch.clientX, y: touch.clientY, at: Date.now()} : null;
    }, {passive: true});
    wrapper.addEventListener('touchend', (event) => {
      const touch = event.changedTouches[0];
      const tap = start && Math.hypot(touch.clientX - start.x, touch.clientY - start.y) < 10 &&
                  Date.now() - start.at < 600;
      start = null;
      if (tap && !event.target.closest('.CodeMirror-gutters, .CodeMirror-gutter-wrapper')) {
        setTimeout(() => this.hover(this.cm.getCursor(), null, {touch: true}), 50);
      }
    }, {passive: true});
  }

  // Shows `path` with `text`; `note` says why a file is read-only.
  show(path, text, note = null) {
    if (!this.cm) {
      if (path !== this.path) {
        this.textarea.value = text ?? '';
        this.textarea.setSelectionRange(0, 0);
        this.textarea.scrollTop = 0;
      }
      this.path = path;
      this.textarea.disabled = path === null;
      this.textarea.readOnly = note !== null;
      this.showNote(note);
      return;
    }
    if (path === this.path && (path === null || this.cm.getValue() === text)) return;
    let doc = path === null ? null : this.docs.get(path);
    if (path !== null && (!doc || doc.getValue() !== text)) {
      doc = new CM.Doc(text, null);
      this.docs.set(path, doc);
    }
    this.path = path;
    this.cm.swapDoc(doc ?? new CM.Doc('', null));
    this.cm.setOption('readOnly', path === null ? 'nocursor' : note !== null);
    this.cm.getWrapperElement().classList.toggle('disabled', path === null);
    this.showNote(note);
    this.tokens = null;
    this.paint();
    this.cm.performLint();
    this.refreshFromServer();
  }

  showNote(note) {
    this.noteBox.textContent = note ?? '';
    this.noteBox.hidden = !note;
  }

  // Forgets the undo history of files no longer in the set.
  keepOnly(paths) {
    for (const path of this.docs.keys()) if (!paths.has(path)) this.docs.delete(path);
  }

  // Tells the server the files of the set: opened, changed and closed.
  sync(files) {
    this.files = files;
    if (!this.cm || this.names === null) return;
    const known = new Set();
    for (const [path, text] of Object.entries(files)) {
      const uri = this.uriOf(path);
      known.add(uri);
      const contents = typeof text === 'string' ? text : new TextDecoder().decode(text);
      const open = this.opened.get(uri);
      if (!open) {
        this.opened.set(uri, {version: 1, text: contents});
        this.client.notify('textDocument/didOpen', {textDocument: {uri, languageId: 'weft', version: 1, text: contents}});
      } else if (open.text !== contents) {
        open.text = contents;
        open.version += 1;
        this.client.notify('textDocument/didChange',
                           {textDocument: {uri, version: open.version}, contentChanges: [{text: contents}]});
      }
    }
    for (const uri of [...this.opened.keys()]) {
      if (known.has(uri)) continue;
      this.opened.delete(uri);
      this.diagnostics.delete(uri);
      this.client.notify('textDocument/didClose', {textDocument: {uri}});
    }
    this.keepOnly(new Set(Object.keys(files)));
  }

  // Sends the shown file's text a moment after the last keystroke.
  scheduleSync() {
    clearTimeout(this.syncTimer);
    this.syncTimer = setTimeout(() => this.flush(), 120);
  }

  // Sends the shown file's text now, if the server does not hold it yet, so
  // that a request about a position sees the text the person sees.
  flush() {
    clearTimeout(this.syncTimer);
    if (this.path === null || this.names === null) return;
    const uri = this.uriOf(this.path);
    const open = this.opened.get(uri);
    const text = this.cm.getValue();
    if (!open || open.text === text) return;
    open.text = text;
    open.version += 1;
    this.client.notify('textDocument/didChange',
                       {textDocument: {uri, version: open.version}, contentChanges: [{text}]});
  }


  // The shown file's text is what the server last analysed.
  current() {
    const open = this.path === null ? null : this.opened.get(this.uriOf(this.path));
    return open !== undefined && open !== null && open.text === this.cm.getValue();
  }

  published({uri, diagnostics}) {
    this.diagnostics.set(uri, diagnostics);
    const path = this.names.pathOfUri(uri);
    if (path !== null) {
      const count = {errors: 0, warnings: 0, notes: 0};
      for (const d of diagnostics) count[`${severityName(d.severity)}s`] += 1;
      this.hooks.problems(path, count);
    }
    if (this.path !== null && uri === this.uriOf(this.path) && this.current()) {
      this.cm.performLint();
      this.refreshFromServer();
    }
  }

  // The lint add-on's marks: the server's diagnostics of the shown file,
  // the gravest last, since the add-on marks a line of several with the
  // severity of its last one unless an error comes before it.
  annotations() {
    if (this.path === null) return [];
    const found = this.diagnostics.get(this.uriOf(this.path)) ?? [];
    const marks = found.map((d) => ({
      from: CM.Pos(d.range.start.line, d.range.start.character),
      to: CM.Pos(d.range.end.line, Math.max(d.range.end.character, d.range.start.character + 1)),
      message: d.message,
      severity: severityName(d.severity),
    }));
    return marks.sort((a, b) => GRAVITY[a.severity] - GRAVITY[b.severity]);
  }

  // The parameters of a request about `pos` of the shown file.
  at(pos) {
    this.flush();
    return {textDocument: {uri: this.uriOf(this.path)}, position: {line: pos.line, character: pos.ch}};
  }

  // Asks for the tokens and the outline of the shown file.
  async refreshFromServer() {
    if (this.path === null || this.names === null) return;
    const path = this.path;
    const generation = this.cm.getDoc().changeGeneration();
    const textDocument = {uri: this.uriOf(path)};
    try {
      const [tokens, symbols] = await Promise.all([
        this.client.request('textDocument/semanticTokens/full', {textDocument}),
        this.client.request('textDocument/documentSymbol', {textDocument}),
      ]);
      if (path !== this.path || !this.cm.getDoc().isClean(generation)) return;
      this.tokens = decodeTokens(tokens?.data ?? []);
      this.paint();
      this.showOutline(symbols ?? []);
    } catch (error) {
      // A file closed meanwhile has nothing to show.
    }
  }

  // Paints the tokens of the lines in view, and some lines around them.
  paint() {
    const cm = this.cm;
    cm.operation(() => {
      for (const mark of this.painted) mark.clear();
      this.painted = [];
      if (!this.tokens) return;
      const view = cm.getViewport();
      const from = Math.max(0, view.from - PAINT_MARGIN);
      const to = Math.min(cm.lineCount(), view.to + PAINT_MARGIN);
      for (let line = from; line < to; ++line) {
        for (const [start, length, type] of this.tokens.get(line) ?? []) {
          this.painted.push(cm.markText(CM.Pos(line, start), CM.Pos(line, start + length),
                                        {className: `weft-${this.tokenTypes[type] ?? 'other'}`}));
        }
      }
    });
  }

  showOutline(symbols) {
    const list = this.outlineList;
    list.replaceChildren();
    const add = (symbol, depth) => {
      const item = document.createElement('li');
      item.style.setProperty('--depth', depth);
      const button = document.createElement('button');
      button.type = 'button';
      button.className = 'symbol';
      button.textContent = symbol.name;
      if (symbol.detail) {
        const detail = document.createElement('span');
        detail.className = 'detail';
        detail.textContent = ` ${symbol.detail}`;
        button.append(detail);
      }
      button.addEventListener('click', () => this.selectRange(symbol.selectionRange ?? symbol.range));
      item.append(button);
      list.append(item);
      for (const child of symbol.children ?? []) add(child, depth + 1);
    };
    for (const symbol of symbols) add(symbol, 0);
  }

  // The diagnostics of the shown file whose range holds `pos`.
  problemsAt(pos) {
    if (this.path === null) return [];
    return (this.diagnostics.get(this.uriOf(this.path)) ?? []).filter(({range: {start, end}}) =>
      (pos.line > start.line || (pos.line === start.line && pos.ch >= start.character)) &&
      (pos.line < end.line || (pos.line === end.line && pos.ch <= Math.max(end.character, start.character + 1))));
  }

  // Opens the box of `pos`: the problems there, then what the server says
  // of it; by a tap (`touch`), with a button to go where the server's
  // definition of the place is.
  async hover(pos, event, {touch = false} = {}) {
    if (this.path === null) return;
    let result, definition;
    try {
      [result, definition] = await Promise.all([
        this.client.request('textDocument/hover', this.at(pos)),
        touch ? this.client.request('textDocument/definition', this.at(pos)) : null]);
    } catch (error) {
      return;
    }
    const contents = result?.contents;
    const value = typeof contents === 'string' ? contents : contents?.value;
    const problems = this.problemsAt(pos);
    const target = Array.isArray(definition) ? definition[0] : definition;
    if (!value && problems.length === 0 && !target) return;
    this.hideHover();
    const box = document.createElement('div');
    box.className = touch ? 'weft-hover touch' : 'weft-hover';
    box.setAttribute('role', 'tooltip');
    for (const problem of problems) {
      const line = document.createElement('span');
      line.className = `problem ${severityName(problem.severity)}`;
      line.textContent = problem.message;
      box.append(line);
    }
    // The server writes Markdown: its fences and bold marks are dropped.
    if (value) box.append(value.replace(/^```\w*\n?/gm, '').replaceAll('**', '').trimEnd());
    if (target) box.append(this.goButton(target));
    const where = this.cm.charCoords(pos, 'window');
    box.style.left = `${Math.max(4, Math.min(event ? event.clientX : where.left, innerWidth - 320)) + scrollX}px`;
    box.style.top = `${where.bottom + 4 + scrollY}px`;
    document.body.append(box);
    this.hoverBox = box;
  }

  // The button of a tapped place that goes to its definition `target`.
  goButton(target) {
    const path = this.names.pathOfUri(target.uri);
    const button = document.createElement('button');
    button.type = 'button';
    const line = target.range.start.line;
    button.textContent = path === this.path ? `Go to line ${line + 1}: ${this.cm.getLine(line)}` : `Open ${path ?? 'the file'}`;
    button.addEventListener('click', () => {
      this.hideHover();
      this.goTo(target);
    });
    return button;
  }

  hideHover() {
    this.hoverBox?.remove();
    this.hoverBox = null;
  }

  async goToDefinition(pos) {
    if (this.path === null) return;
    let result;
    try {
      result = await this.client.request('textDocument/definition', this.at(pos));
    } catch (error) {
      return;
    }
    const location = Array.isArray(result) ? result[0] : result;
    if (location) this.goTo(location);
  }

  // Shows the file and range of a location the server gave.
  goTo(location) {
    const path = this.names.pathOfUri(location.uri);
    if (path === null) return;
    if (path !== this.path) this.hooks.open(path);
    if (path === this.path) this.selectRange(location.range);
  }

  complete() {
    if (this.path === null || !this.cm.showHint) return;
    const hint = (cm, callback) => {
      const cursor = cm.getCursor();
      const before = cm.getLine(cursor.line).slice(0, cursor.ch);
      const open = before.lastIndexOf('(');
      if (open < 0 || before.slice(open + 1).includes(')')) return callback(null);
      const typed = before.slice(open + 1);
      const textDocument = {uri: this.uriOf(this.path)};
      Promise.all([this.client.request('textDocument/completion', this.at(cursor)),
                   this.client.request('textDocument/documentSymbol', {textDocument})]).then(([result, symbols]) => {
        const items = Array.isArray(result) ? result : result?.items ?? [];
        const own = ownTable(symbols ?? [], cursor.line);
        const list = items.filter((item) => item.label.startsWith(typed)).map((item) => ({
          text: item.insertText ?? item.label,
          displayText: item.detail ? `${item.label} · ${item.detail}` : item.label,
          own: item.label === own,
        }));
        // A reference to the table the caret stands in brings the same
        // table in again, so a line of it may never end: it comes last.
        list.sort((a, b) => a.own - b.own);
        for (const item of list.filter((entry) => entry.own)) item.displayText += ' · this table again';
        if (list.length === 0) return callback(null);
        const data = {list, from: CM.Pos(cursor.line, open + 1), to: cursor};
        CM.on(data, 'shown', keepHintsInside);
        callback(data);
      }, () => callback(null));
    };
    hint.async = true;
    this.cm.showHint({hint, completeSingle: false, closeCharacters: /[\s)\]{};:>,]/});
  }

  // Offers the quick fixes of the diagnostics on the caret's line.
  async offerFixes() {
    this.fixesBox.replaceChildren();
    if (this.path === null || !this.current()) return;
    const line = this.cm.getCursor().line;
    const uri = this.uriOf(this.path);
    const here = (this.diagnostics.get(uri) ?? []).filter((d) => d.range.start.line === line);
    if (here.length === 0) return;
    let actions;
    try {
      actions = await this.client.request('textDocument/codeAction', {
        textDocument: {uri},
        range: {start: {line, character: 0}, end: {line, character: this.cm.getLine(line).length}},
        context: {diagnostics: here},
      });
    } catch (error) {
      return;
    }
    if (this.uriOf(this.path) !== uri) return;
    for (const action of actions ?? []) {
      const edits = action.edit?.changes?.[uri];
      if (!edits) continue;
      const button = document.createElement('button');
      button.type = 'button';
      button.className = 'fix';
      button.textContent = `Fix: ${action.title}`;
      button.addEventListener('click', () => {
        this.cm.operation(() => {
          // From the end back, so that each range still stands where it was.
          for (const edit of [...edits].reverse()) {
            this.cm.replaceRange(edit.newText, CM.Pos(edit.range.start.line, edit.range.start.character),
                                 CM.Pos(edit.range.end.line, edit.range.end.character));
          }
        });
        this.cm.focus();
      });
      this.fixesBox.append(button);
    }
  }

  selectRange(range) {
    if (!this.cm) return;
    const from = CM.Pos(range.start.line, range.start.character);
    const to = CM.Pos(range.end.line, range.end.character);
    this.cm.setSelection(from, to);
    this.cm.scrollIntoView({from, to}, 60);
    this.cm.focus();
  }

  // Selects line `line` (from 1) and scrolls it into view.
  selectLine(line) {
    if (!this.cm) {
      const lines = this.textarea.value.split('\n');
      const at = Math.max(1, Math.min(line, lines.length));
      let start = 0;
      for (let i = 0; i < at - 1; ++i) start += lines[i].length + 1;
      this.textarea.focus();
      this.textarea.setSelectionRange(start, start + lines[at - 1].length);
      return;
    }
    const at = Math.max(0, Math.min(line - 1, this.cm.lineCount() - 1));
    this.selectRange({start: {line: at, character: 0}, end: {line: at, character: this.cm.getLine(at).length}});
  }

  // Where the caret stands, as line and column counted from 1.
  caret() {
    if (!this.cm) {
      const before = this.textarea.value.slice(0, this.textarea.selectionStart);
      return {line: before.split('\n').length, column: before.length - before.lastIndexOf('\n')};
    }
    const cursor = this.cm.getCursor('from');
    return {line: cursor.line + 1, column: cursor.ch + 1};
  }

  // Lays the editor out again after its box changed size.
  refresh() {
    this.cm?.refresh();
  }

  focus() {
    if (this.cm) this.cm.focus();
    else this.textarea.focus();
  }
}

// Moves the completion list left until it ends inside the page, whose width
// leaves out the scroll bar that the add-on counts in.
function keepHintsInside() {
  const box = document.querySelector('.CodeMirror-hints');
  if (!box) return;
  const room = document.documentElement.clientWidth - 4;
  const over = box.getBoundingClientRect().right - room;
  if (over > 0) box.style.left = `${Math.max(4, parseFloat(box.style.left) - over)}px`;
}

// The label that completes a reference to the table whose lines, in the
// server's outline `symbols`, hold line `line` ("table2" for its "table 2"),
// or null.
function ownTable(symbols, line) {
  const table = symbols.find((symbol) => /^table \d+$/.test(symbol.name) && symbol.range &&
                              symbol.range.start.line <= line && line <= symbol.range.end.line);
  return table ? table.name.replace(' ', '') : null;
}

// The server's tokens by line: [start, length, type] each.
function decodeTokens(data) {
  const lines = new Map();
  let line = 0;
  let start = 0;
  for (let i = 0; i + 4 < data.length; i += 5) {
    if (data[i] !== 0) start = 0;
    line += data[i];
    start += data[i + 1];
    if (!lines.has(line)) lines.set(line, []);
    lines.get(line).push([start, data[i + 2], data[i + 3]]);
  }
  return lines;
}
