// The working set of data files: a map of relative paths ('/' between
// folders) to their text (or, for a file that is not UTF-8, its bytes), and
// the list that shows them as a tree. The set is kept in the browser's IndexedDB, which
// gives room for large files (local storage holds about 5 MB); a write the
// browser refuses is reported at once.

import {counted} from './views.js';

const STORAGE_KEY = 'weft-playground/files';
const PREVIOUS_KEY = 'weft-playground/previous-files';
const DATABASE = 'weft-playground';
const STORE = 'sets';

let database = null;

function openDatabase() {
  if (database === null) {
    database = new Promise((resolve, reject) => {
      const request = indexedDB.open(DATABASE, 1);
      request.onupgradeneeded = () => request.result.createObjectStore(STORE);
      request.onsuccess = () => resolve(request.result);
      request.onerror = () => reject(request.error);
    });
    database.catch(() => { database = null; });
  }
  return database;
}

async function put(key, value) {
  const db = await openDatabase();
  await new Promise((resolve, reject) => {
    const transaction = db.transaction(STORE, 'readwrite');
    transaction.objectStore(STORE).put(value, key);
    transaction.oncomplete = () => resolve();
    transaction.onerror = () => reject(transaction.error);
    transaction.onabort = () => reject(transaction.error ?? new Error('the write was refused'));
  });
}

async function get(key) {
  const db = await openDatabase();
  return new Promise((resolve, reject) => {
    const request = db.transaction(STORE, 'readonly').objectStore(STORE).get(key);
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
}

// A path names a file below the top folder: segments of at least one
// character, no '.' or '..' segment, no backslash (weft splits operands at
// backslashes, so a file name cannot hold one).
export function pathProblem(path) {
  if (path === '') return 'Give the file a path, such as tables.dat or lore/monsters.dat.';
  if (path.includes('\\')) return 'Use / between folders; a backslash cannot be part of a name.';
  if (path.startsWith('/')) return 'Paths start inside the top folder: leave out the leading /.';
  for (const segment of path.split('/')) {
    if (segment === '') return 'A path cannot have an empty folder name (//) or end with /.';
    if (segment === '.' || segment === '..') return 'A path cannot hold . or .. as a folder.';
  }
  return null;
}

// Sorts paths so that each folder's files come together, after the files
// of the folder above: 'a.dat', 'b.dat', 'lore/x.dat', 'lore/deep/y.dat'.
function treeOrder(a, b) {
  const as = a.split('/'), bs = b.split('/');
  for (let i = 0; ; ++i) {
    const aFile = i === as.length - 1, bFile = i === bs.length - 1;
    if (aFile !== bFile) return aFile ? -1 : 1;
    if (as[i] !== bs[i]) return as[i] < bs[i] ? -1 : 1;
    if (aFile) return 0;
  }
}

export class FileSet {
  constructor() {
    this.files = new Map();
    this.selected = null;
    this.listeners = [];
    this.storeListeners = [];
    // Per key: the write in progress, and the newest set waiting behind it.
    this.writing = new Map();
    this.waiting = new Map();
    this.storeFailed = false;
  }

  paths() { return [...this.files.keys()].sort(treeOrder); }

  toObject() { return Object.fromEntries(this.paths().map((p) => [p, this.files.get(p)])); }

  // Replaces the whole set (from storage, an example or a shared link).
  replace(files, selected) {
    this.files = new Map(Object.entries(files).filter(([path, text]) =>
      pathProblem(path) === null && (typeof text === 'string' || text instanceof Uint8Array)));
    this.selected = this.files.has(selected) ? selected : (this.paths()[0] ?? null);
    this.changed();
  }

  add(path, text = '') {
    const problem = pathProblem(path) ?? this.clash(path);
    if (problem) return problem;
    this.files.set(path, text);
    this.selected = path;
    this.changed();
    return null;
  }

  rename(from, to) {
    if (from === to) return null;
    const problem = pathProblem(to) ?? this.clash(to);
    if (problem) return problem;
    const text = this.files.get(from);
    this.files.delete(from);
    this.files.set(to, text);
    this.selected = to;
    this.changed();
    return null;
  }

  remove(path) {
    const order = this.paths();
    const at = order.indexOf(path);
    this.files.delete(path);
    const rest = this.paths();
    this.selected = rest[Math.min(at, rest.length - 1)] ?? null;
    this.changed();
  }

  edit(path, text) {
    this.files.set(path, text);
    this.save();
  }

  select(path) {
    if (!this.files.has(path)) return;
    this.selected = path;
    this.changed();
  }

  // A file and a folder cannot share a name, nor two files.
  clash(path) {
    if (this.files.has(path)) return `There is already a file ${path}.`;
    for (const other of this.files.keys()) {
      if (other.startsWith(path + '/')) return `${path} is already a folder.`;
      if (path.startsWith(other + '/')) return `${other} is a file, not a folder.`;
    }
    return null;
  }

  changed() {
    this.save();
    for (const listener of this.listeners) listener();
  }

  onChange(listener) { this.listeners.push(listener); }

  // `listener(error)` hears of every write the browser refuses, and
  // `listener(null)` of the next one that succeeds after it.
  onStoreResult(listener) { this.storeListeners.push(listener); }

  save() { this.store(STORAGE_KEY); }

  // Loads the stored set; false when there is none.
  restore() { return this.load(STORAGE_KEY); }

  // Keeps the current set aside before an example or a shared link
  // replaces it, so that Restore can bring it back.
  keepPrevious() {
    if (this.files.size > 0) this.store(PREVIOUS_KEY);
  }

  restorePrevious() { return this.load(PREVIOUS_KEY); }

  // Writes the set under `key`. Writes of one key go one at a time, each
  // with the newest set, so that typing never queues a write per key press.
  store(key) {
    this.waiting.set(key, {files: this.toObject(), selected: this.selected});
    if (!this.writing.has(key)) this.writing.set(key, this.writeWaiting(key));
  }

  async writeWaiting(key) {
    while (this.waiting.has(key)) {
      const set = this.waiting.get(key);
      this.waiting.delete(key);
      try {
        await put(key, set);
        if (this.storeFailed) {
          this.storeFailed = false;
          for (const listener of this.storeListeners) listener(null);
        }
      } catch (error) {
        this.storeFailed = true;
        for (const listener of this.storeListeners) listener(error ?? new Error('the write was refused'));
      }
    }
    this.writing.delete(key);
  }

  // Resolves once every write asked for so far has ended.
  async flushed() {
    while (this.writing.size > 0) await Promise.all(this.writing.values());
  }

  async load(key) {
    const stored = await readStored(key);
    if (!stored) return false;
    this.replace(stored.files, stored.selected);
    return true;
  }
}

function isSet(stored) {
  return stored && typeof stored.files === 'object' && stored.files !== null;
}

// The set stored under `key`: from IndexedDB, else from the local storage
// where earlier versions of the page kept it.
async function readStored(key) {
  try {
    const stored = await get(key);
    if (isSet(stored)) return stored;
  } catch (error) {
    // Without IndexedDB only the older store can be read.
  }
  try {
    const stored = JSON.parse(localStorage.getItem(key) ?? 'null');
    if (isSet(stored)) return stored;
  } catch (error) {
    // A damaged entry is ignored.
  }
  return null;
}

// The list of files as a tree: folders as headings, files as buttons, each
// with the count of problems the language server found in it (`problems`
// maps a path to {errors, warnings, notes}).
export function renderFileList(list, fileSet, problems = new Map()) {
  list.replaceChildren();
  let previous = [];
  for (const path of fileSet.paths()) {
    const parts = path.split('/');
    const folders = parts.slice(0, -1);
    let same = 0;
    while (same < folders.length && same < previous.length && folders[same] === previous[same]) ++same;
    for (let depth = same; depth < folders.length; ++depth) {
      const item = document.createElement('li');
      item.className = 'folder';
      item.style.setProperty('--depth', depth);
      item.textContent = folders[depth] + '/';
      list.append(item);
    }
    previous = folders;
    const item = document.createElement('li');
    item.style.setProperty('--depth', folders.length);
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'file';
    button.dataset.path = path;
    button.textContent = parts[parts.length - 1];
    button.title = path;
    button.setAttribute('aria-label', path);
    button.setAttribute('aria-current', path === fileSet.selected ? 'true' : 'false');
    item.append(button);
    list.append(item);
  }
  showProblems(list, problems);
  if (fileSet.files.size === 0) {
    const item = document.createElement('li');
    item.className = 'empty';
    item.textContent = 'No files yet: add one, or open an example.';
    list.append(item);
  }
}

// Marks each file's button with its count of problems, in place, so that
// the focus stays where it is. Notes are no problems: the editor and the
// check show them, the list does not count them.
export function showProblems(list, problems) {
  for (const button of list.querySelectorAll('button.file')) {
    const path = button.dataset.path;
    const {errors = 0, warnings = 0} = problems.get(path) ?? {};
    let badge = button.querySelector('.problems');
    if (errors + warnings === 0) {
      badge?.remove();
      button.setAttribute('aria-label', path);
      continue;
    }
    if (!badge) {
      badge = document.createElement('span');
      button.append(badge);
    }
    badge.className = errors > 0 ? 'problems error' : 'problems warning';
    badge.textContent = String(errors + warnings);
    const words = [errors && counted(errors, 'error'), warnings && counted(warnings, 'warning')];
    button.setAttribute('aria-label', `${path}: ${words.filter(Boolean).join(', ')}`);
  }
}
