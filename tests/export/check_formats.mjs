// weft-export's output read by the targets' own tools: Foundry's command-line
// tool packs and unpacks each module unchanged and its types accept every
// document; a Markdown parser reads each note into the tables expected; the
// Roll20 commands split as the TableExport script splits them. Every example
// keeps the weights weft-check reports, and the hostile data files make no
// markup, link, roll or command of their own anywhere.
//
// Environment: WEFT_EXPORT, WEFT_CHECK, EXAMPLES, HOSTILE (folders of data
// files), NODE_DIR (where package.json's tools are installed).
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import test from "node:test";
import { createRequire } from "node:module";

const env = process.env;
const nodeDir = path.resolve(env.NODE_DIR);
const work = fs.mkdtempSync(path.join(nodeDir, "work-"));
const require = createRequire(path.join(nodeDir, "package.json"));
const MarkdownIt = require("markdown-it");
const fvtt = path.join(nodeDir, "node_modules/@foundryvtt/foundryvtt-cli/fvtt.mjs");
const tsc = path.join(nodeDir, "node_modules/typescript/bin/tsc");
process.on("exit", () => fs.rmSync(work, { recursive: true, force: true }));

const examples = fs.readdirSync(env.EXAMPLES).filter((f) => /\.(dat|ele)$/.test(f));
examples.push("wilderness\\encounters.dat");
const sets = [
  { name: "examples", cwd: env.EXAMPLES, operands: examples },
  { name: "hostile", cwd: env.HOSTILE, operands: ["hostile.dat"], hostile: true },
];

function exportTo(set, args) {
  const out = path.join(work, [set.name, ...args].join("").replace(/[^a-z0-9]+/g, "-"));
  execFileSync(env.WEFT_EXPORT, [...args, "-o", out, ...set.operands], {
    cwd: set.cwd, stdio: ["ignore", "ignore", "pipe"] });
  return out;
}

// The files of a folder but the marker of weft-export's own folders.
const files = (dir) => fs.readdirSync(dir).filter((f) => f !== ".weft-export").sort()
  .map((f) => path.join(dir, f));
const readJson = (file) => JSON.parse(fs.readFileSync(file, "utf8"));
const WORD_JOINER = /\u2060/g;

// --- Foundry -------------------------------------------------------------

test("the Foundry modules pack and unpack unchanged with the official tool", () => {
  const cli = { env: { ...env, XDG_DATA_HOME: work }, stdio: "ignore" };
  for (const set of sets) {
    for (const version of ["12", "13"]) {
      const out = exportTo(set, ["--to=foundry", `--foundry=${version}`]);
      const source = path.join(out, "src/tables");
      execFileSync(process.execPath, [fvtt, "package", "pack", "-n", "tables", "--in", source,
        "--out", path.join(out, "packs")], cli);
      const back = path.join(out, "unpacked");
      execFileSync(process.execPath, [fvtt, "package", "unpack", "-n", "tables", "--in",
        path.join(out, "packs"), "--out", back], cli);
      assert.deepEqual(fs.readdirSync(back).sort(), fs.readdirSync(source).sort());
      for (const file of fs.readdirSync(source)) {
        assert.equal(fs.readFileSync(path.join(back, file), "utf8"),
          fs.readFileSync(path.join(source, file), "utf8"), `${set.name} ${version} ${file}`);
      }
    }
  }
});

const withoutKeys = (value) => JSON.parse(JSON.stringify(value, (k, v) => (k === "_key" ? undefined : v)));

test("every Foundry document type-checks against Foundry's own types", () => {
  for (const version of ["12", "13"]) {
    const dir = fs.mkdtempSync(path.join(work, `types-${version}-`));
    const documents = [];
    for (const set of sets) {
      for (const exact of [[], ["--exact"]]) {
        const out = exportTo(set, ["--to=foundry", `--foundry=${version}`, ...exact]);
        for (const f of [...files(path.join(out, "import")), ...files(path.join(out, "src/tables"))]) {
          documents.push(`RollTable.CreateData = ${JSON.stringify(withoutKeys(readJson(f)))}`);
        }
        documents.push(`foundry.packages.BaseModule.CreateData = ${fs.readFileSync(path.join(out, "module.json"))}`);
      }
    }
    const lines = documents.map((d, i) => `export const d${i}: ${d};`);
    fs.writeFileSync(path.join(dir, "documents.ts"), lines.join("\n") + "\n");
    fs.writeFileSync(path.join(dir, "tsconfig.json"), JSON.stringify({
      compilerOptions: { target: "ES2022", module: "ESNext", moduleResolution: "bundler", strict: true,
        noEmit: true, skipLibCheck: true, types: [`foundry-vtt-types-${version}`] },
      files: ["documents.ts"] }));
    execFileSync(process.execPath, [tsc, "-p", dir], { stdio: "inherit" });
  }
});

// Returns each HTML field of a module's documents.
function htmlFields(out) {
  const fields = [];
  for (const f of files(path.join(out, "import"))) {
    const table = readJson(f);
    fields.push(table.description, ...table.results.map((r) => r.description ?? r.text));
  }
  return fields;
}

test("hostile entries make no markup, link or roll in Foundry", () => {
  for (const version of ["12", "13"]) {
    const out = exportTo(sets[1], ["--to=foundry", `--foundry=${version}`]);
    const id = readJson(path.join(out, "module.json")).id;
    const own = new RegExp(`@UUID\\[Compendium\\.${id}\\.tables\\.RollTable\\.[A-Za-z0-9]{16}\\](\\{[^}]*\\})?` +
      "|\\[\\[/r [0-9]+d([0-9]+|F)([+-][0-9]+)?\\]\\]", "g");
    for (const field of htmlFields(out)) {
      assert.doesNotMatch(field, /[<>]|&(?!(lt|gt|amp|quot|#39);)/, field);
      const text = field.replace(own, "").replace(/&(lt|gt|amp|quot|#39);/g, (m, e) =>
        ({ lt: "<", gt: ">", amp: "&", quot: '"', "#39": "'" })[e]);
      assert.doesNotMatch(text, /\[\[|\]\]|[@&][A-Za-z]|:\/\//, field);
    }
  }
});

// --- Obsidian ------------------------------------------------------------

// Returns each lookup table of a note as { id, total, rows: [{ low, high, cell, tokens }] }.
function lookupTables(markdown) {
  const md = new MarkdownIt({ html: true, linkify: true });
  const tokens = md.parse(markdown, {});
  const tables = [];
  for (let i = 0; i < tokens.length; ++i) {
    if (tokens[i].type !== "table_open") continue;
    const rows = [];
    let row = null;
    for (++i; tokens[i].type !== "table_close"; ++i) {
      if (tokens[i].type === "tr_open") row = [];
      if (tokens[i].type === "inline") row.push(tokens[i]);
      if (tokens[i].type === "tr_close") rows.push(row);
    }
    const [header, ...body] = rows;
    const id = tokens[i + 2]?.content;
    tables.push({ id, header, body });
  }
  return tables;
}

function checkNote(note, notes) {
  const tables = lookupTables(fs.readFileSync(note, "utf8"));
  assert.ok(tables.length > 0, note);
  for (const { id, header, body } of tables) {
    assert.match(id, /^\^table-[0-9]+$/, note);
    assert.equal(header.length, 2, note);
    const total = Number(header[0].content.match(/^dice: 1d([0-9]+)$/)[1]);
    let next = 1;
    for (const cells of body) {
      assert.equal(cells.length, 2, `${note}: ${cells.map((c) => c.content).join(" | ")}`);
      const [low, high = low] = cells[0].content.split("-").map(Number);
      assert.equal(low, next, note);
      next = high + 1;
      for (const child of cells[1].children) {
        assert.ok(["text", "text_special", "code_inline"].includes(child.type), `${note}: ${child.type}`);
        if (child.type !== "code_inline") continue;
        const roller = child.content.match(/^dice: (?:\[\[(.+)\^(table-[0-9]+)\]\]|[0-9]+d([0-9]+|F)([+-][0-9]+)?)$/);
        assert.ok(roller, `${note}: ${child.content}`);
        if (roller[1]) assert.ok(notes.get(roller[1])?.includes(`\n^${roller[2]}\n`), child.content);
      }
    }
    assert.equal(next - 1, total, note);
  }
}

test("the Obsidian notes parse into lookup tables whose rollers name tables that exist", () => {
  for (const set of sets) {
    const out = exportTo(set, ["--to=obsidian"]);
    const notes = new Map(files(out).map((f) => [path.basename(f, ".md"), fs.readFileSync(f, "utf8")]));
    for (const note of files(out)) {
      checkNote(note, notes);
      if (!set.hostile) continue;
      // Outside the rollers, every character Obsidian reads as markup is escaped.
      const rows = fs.readFileSync(note, "utf8").match(/^\| [0-9].* \|$/gm);
      for (const cell of rows.map((row) => row.replace(/^\| [0-9-]+ \| | \|$/g, ""))) {
        const bare = cell.replace(/`dice: [^`]*`(&#8203;(?=`dice: ))?/g, "").replace(/\\./g, "");
        assert.doesNotMatch(bare, /[[\]^#%=<>&|`*_~$@!]|:\/\//, cell);
      }
    }
  }
});

// --- Roll20 --------------------------------------------------------------

// The unescaping of the TableExport script's import command.
const UNESCAPE = { "<%%91%%>": "[", "<%%93%%>": "]", "<%%-%%>": "--", "[TABLEEXPORT:ESCAPE]": " --",
  "<%%60%%>": "<", "<%%62%%>": ">" };
const unescape = (s) => s.replace(/<%%91%%>|<%%93%%>|<%%-%%>|\[TABLEEXPORT:ESCAPE\]|<%%60%%>|<%%62%%>/g,
  (m) => UNESCAPE[m]);

function roll20Tables(out) {
  const tables = new Map();
  for (const line of fs.readFileSync(path.join(out, "tables.txt"), "utf8").split("\n").slice(0, -1)) {
    const args = line.split(/\s+--/);
    if (args[0] === "!import-table") {
      assert.deepEqual(args.slice(2), ["show"], line);
      tables.set(args[1], []);
      continue;
    }
    assert.equal(args[0], "!import-table-item", line);
    assert.equal(args.length, 4, line);
    assert.match(args[3], /^[1-9][0-9]*$/, line);
    tables.get(args[1]).push({ text: unescape(args[2]), weight: Number(args[3]) });
  }
  return tables;
}

test("the Roll20 commands split into their arguments and roll only what the export writes", () => {
  for (const set of sets) {
    const tables = roll20Tables(exportTo(set, ["--to=roll20"]));
    for (const items of tables.values()) {
      for (const { text } of items) {
        const bare = text.replace(/\[\[1t\[([a-z0-9-]+)\]\]\]/g, (m, name) => {
          assert.ok(tables.has(name), text);
          return "";
        }).replace(/\[\[[0-9]+d([0-9]+|F)([+-][0-9]+)?\]\]/g, "");
        assert.doesNotMatch(bare, /\[\[|\]\]|[?@%&]\{|#[A-Za-z]|[\r\n]/, text);
      }
    }
  }
});

// --- Weights -------------------------------------------------------------

// Returns the weights of equal texts summed, in the order of first appearance.
function grouped(entries) {
  const sums = new Map();
  for (const { text, weight } of entries) sums.set(text, (sums.get(text) ?? 0) + weight);
  return [...sums.values()];
}

let report = null;
function checkReport() {
  report ??= JSON.parse(execFileSync(env.WEFT_CHECK, ["-S", "--format=json", ...examples],
    { cwd: env.EXAMPLES, maxBuffer: 1 << 28 }));
  return report;
}

// Returns "PATH N" => the weights of table N that weft-check reports: the
// entries' positions, or with `exact` their draws.
function checkedWeights(exact) {
  const weights = new Map();
  for (const file of checkReport().stats) {
    for (const table of file.tables) {
      const counts = table.entries.map((e) => (exact ? e.draws : e.positions)).filter((n) => n > 0);
      weights.set(`${file.file} ${table.table}`, counts);
    }
  }
  return weights;
}

function exportedWeights(format, exact) {
  const out = exportTo(sets[0], [`--to=${format}`, ...(exact ? ["--exact"] : [])]);
  const weights = new Map();
  if (format === "foundry") {
    for (const f of files(path.join(out, "import"))) {
      const table = readJson(f);
      const [, number, file] = table.description.match(/^Table ([0-9]+) of (.*), made by weft-export\.$/);
      const total = table.results.reduce((sum, r) => sum + r.weight, 0);
      assert.equal(table.formula, `1d${exact ? 32768 : total}`);
      weights.set(`${file} ${number}`, grouped(table.results.map((r) => ({
        text: r.description ?? r.text, weight: r.range[1] - r.range[0] + 1 }))));
    }
  } else if (format === "obsidian") {
    for (const f of files(out)) {
      const note = fs.readFileSync(f, "utf8");
      const file = note.match(/\nMade by weft-export from (.*)\.\n/)[1];
      for (const block of note.split("\n## ").slice(1)) {
        const rows = block.split("\n").filter((l) => /^\| [0-9]/.test(l)).map((l) => {
          const [, low, high = low, cell] = l.match(/^\| ([0-9]+)(?:-([0-9]+))? \| (.*) \|$/);
          return { text: cell, weight: high - low + 1 };
        });
        weights.set(`${file} ${block.match(/\n\^table-([0-9]+)\n/)[1]}`, grouped(rows));
      }
    }
  } else {
    for (const [name, items] of roll20Tables(out)) weights.set(name, grouped(items));
  }
  return weights;
}

// Roll20's names come from the titles; weft-check names the files.
function roll20Keys(checked) {
  const keys = new Map();
  for (const file of checkReport().stats) {
    const base = file.title === "No Title" ? path.basename(file.file).replace(/\.[^.]*$/, "") : file.title;
    for (const table of file.tables) {
      const name = (table.table === 0 ? base : `${base}: table ${table.table}`)
        .toLowerCase().replace(/[^a-z0-9]+/g, "-").replace(/^-|-$/g, "");
      keys.set(name, checked.get(`${file.file} ${table.table}`));
    }
  }
  return keys;
}

test("every example keeps the weights that weft-check reports, by the author or by chance", () => {
  for (const exact of [false, true]) {
    const checked = checkedWeights(exact);
    for (const format of ["foundry", "obsidian", "roll20"]) {
      const expected = format === "roll20" ? roll20Keys(checked) : checked;
      assert.deepEqual(exportedWeights(format, exact), expected, `${format}${exact ? " --exact" : ""}`);
    }
  }
});
