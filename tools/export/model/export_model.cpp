#include "model/export_model.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "generate/case_rules.h"
#include "generate/dice.h"
#include "generate/listed_files.h"
#include "generate/pick_draws.h"
#include "model/checker_facts.h"

namespace weft::exporter {

namespace {

// The kinds of note, each with its text.
constexpr std::string_view kDice = "dice";
constexpr std::string_view kDiceText =
    "dice rolls: weft reseeds its random source from the clock at each one, so that its later "
    "picks follow the clock; here every roll is a roll of its own";
constexpr std::string_view kListed = "listed";
constexpr std::string_view kListedText =
    "references to listed files: weft folds the line such a file makes to lower case; here it "
    "keeps the case of that file's own table";
constexpr std::string_view kFirstLetter = "first-letter";
constexpr std::string_view kFirstLetterText =
    "lines that start with a reference: weft raises their first letter, which here comes from the "
    "table referred to, in lower case";
constexpr std::string_view kElement = "element";
constexpr std::string_view kElementText =
    "words an element file joins from a prefix and a suffix: here the two are drawn one beside "
    "the other";
constexpr std::string_view kUnmatched = "unmatched";
constexpr std::string_view kUnmatchedText =
    "references that match nothing (a table number outside 0 to 19, or a name that no listed file "
    "has): weft repeats the last replacement of the line there, or nothing; here they are left out";
constexpr std::string_view kEmptyTable = "empty-table";
constexpr std::string_view kEmptyTableText =
    "references to empty tables: weft ends its run when it meets one; here they are left out";
constexpr std::string_view kBadDice = "bad-dice";
constexpr std::string_view kBadDiceText =
    "dice expressions that do not read: weft writes a notice and rolls 0; here they are 0";
constexpr std::string_view kNeverPicked = "never-picked";
constexpr std::string_view kNeverPickedText =
    "entries behind the first 32768 positions of a table, which weft never picks: left out";
constexpr std::string_view kNotUtf8 = "not-utf8";
constexpr std::string_view kNotUtf8Text =
    "texts with bytes that are not UTF-8: each such byte is written as the character of the same "
    "number, as in Latin-1";
constexpr std::string_view kOpen = "open-parenthesis";
constexpr std::string_view kOpenText =
    "entries with a \"(\" that no \")\" follows: weft may pair it with a \")\" of the text around "
    "the reference that brings the entry in; here it stays text";

constexpr std::string_view kNoTitle = "No Title";

// Returns the name of a data file without its folders and its last extension.
std::string stemOf(const std::string& filename) {
  std::string name = filename.substr(filename.rfind('/') + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name.empty() ? filename : name;
}

// Returns `name`, or it with " 2", " 3" and so on behind it, whichever is not
// in `taken` yet, and adds it there.
std::string unique(std::string name, std::vector<std::string>& taken, std::string_view glue) {
  std::string candidate = name;
  for (int n = 2; std::find(taken.begin(), taken.end(), candidate) != taken.end(); ++n) {
    candidate = name + std::string(glue) + std::to_string(n);
  }
  taken.push_back(candidate);
  return candidate;
}

// Returns the expression that rolls as `parts` roll in weft, or, when they
// roll no die, the number they always give.
Piece dicePiece(const DiceParts& parts) {
  const std::int64_t modifier =
      parts.positive ? std::int64_t{parts.modifier} : -std::int64_t{parts.modifier};
  std::string tail;
  if (modifier > 0) tail.append("+").append(std::to_string(modifier));
  if (modifier < 0) tail = std::to_string(modifier);
  // No dice, and dice of no sides (each shows 0), leave the modifier alone.
  if (parts.count <= 0 || parts.sides == 0) {
    return {Piece::Kind::Text, std::to_string(static_cast<std::int32_t>(modifier)), 0};
  }
  // A die of -S sides shows 1 to S, as one of S does.
  const std::string sides = parts.sides == Dice::kFudge
                                ? std::string("F")
                                : std::to_string(parts.sides < 0 ? -std::int64_t{parts.sides}
                                                                 : std::int64_t{parts.sides});
  return {Piece::Kind::Dice, std::to_string(parts.count) + "d" + sides + tail, 0};
}

bool hasNameReferences(const DataFile& file) {
  for (int number = 0; number < TABLE_COUNT; ++number) {
    const Table& table = file.table(number);
    for (std::size_t run = 0; run < table.runCount(); ++run) {
      for (const EntryReference& ref : splitEntry(table.run(run).text).references) {
        if (ref.target.kind == ReferenceTarget::Kind::Name) return true;
      }
    }
  }
  return false;
}

class ModelBuilder {
 public:
  ModelBuilder(const LoadedFiles& loaded, const ExportOptions& options)
      : loaded_(loaded), options_(options) {}

  ExportModel build() {
    for (std::size_t i = 0; i < loaded_.files.size(); ++i) addFile(i);
    for (std::size_t i = 0; i < loaded_.files.size(); ++i) {
      if (firstOf_[i] == i) fillTables(i);
    }
    return std::move(model_);
  }

 private:
  // Adds the file loaded at `index` and the shells of its tables, unless the
  // same file came before: a listed copy reads as the file itself unless its
  // references to file names, which never resolve in a copy, make a difference.
  void addFile(std::size_t index) {
    const LoadedDataFile& loaded = loaded_.files[index];
    const std::string key =
        loaded.path + (loaded.listed && hasNameReferences(*loaded.file) ? "\n(listed)" : "");
    const auto [it, fresh] = keys_.emplace(key, index);
    firstOf_.push_back(it->second);
    fileOf_.push_back(fresh ? model_.files.size() : fileOf_[it->second]);
    if (!fresh) return;
    const DataFile& file = *loaded.file;
    ExportFile out;
    bool changed = false;
    out.path = toUtf8(loaded.path, changed);
    out.stem = unique(toUtf8(stemOf(file.filename()), changed), stems_, "-");
    std::string name =
        file.title() == kNoTitle || file.title().empty() ? stemOf(file.filename()) : file.title();
    if (const auto title = options_.titles.find(file.filename());
        title != options_.titles.end() && !title->second.empty()) {
      name = title->second;
    }
    out.name = unique(toUtf8(name, changed), names_, " ");
    if (changed) model_.notes.add(kNotUtf8, kNotUtf8Text);
    out.elementFile = file.isElementFile();
    tableIndex_.emplace_back();
    for (int number = 0; number < TABLE_COUNT; ++number) {
      tableIndex_.back()[static_cast<std::size_t>(number)] = model_.tables.size();
      if (file.table(number).empty()) continue;
      ExportTable table;
      table.file = model_.files.size();
      table.number = number;
      table.name = number == 0 ? out.name : out.name + ": table " + std::to_string(number);
      table.key = out.stem + "\n" + std::to_string(number);
      out.tables.push_back(model_.tables.size());
      model_.tables.push_back(std::move(table));
    }
    model_.files.push_back(std::move(out));
  }

  // Returns the index of table `number` of the file loaded at `index`, or
  // none when that table is empty.
  std::optional<std::size_t> tableOf(std::size_t index, int number) const {
    const std::size_t file = fileOf_[index];
    if (loaded_.files[firstOf_[index]].file->table(number).empty()) return std::nullopt;
    return tableIndex_[file][static_cast<std::size_t>(number)];
  }

  void fillTables(std::size_t index) {
    const DataFile& file = *loaded_.files[index].file;
    for (int number = 0; number < TABLE_COUNT; ++number) {
      const Table& table = file.table(number);
      if (table.empty()) continue;
      ExportTable& out = model_.tables[*tableOf(index, number)];
      std::uint64_t first = 0;
      for (std::size_t run = 0; run < table.runCount(); ++run) {
        const Table::Run entry = table.run(run);
        const std::uint64_t weight =
            options_.exact ? drawsOfPositions(table.size(), first, first + entry.count)
                           : entry.count;
        first += entry.count;
        if (weight == 0) {
          model_.notes.add(kNeverPicked, kNeverPickedText);
          continue;
        }
        if (file.isElementFile() && number == 0 && run + 1 == table.runCount() &&
            entry.text == "(table1)(table3)") {
          model_.notes.add(kElement, kElementText);
        }
        out.entries.push_back(buildEntry(index, number, entry.text));
        out.entries.back().weight = weight;
        out.total += weight;
      }
    }
  }

  ExportEntry buildEntry(std::size_t index, int number, std::string_view text);
  void addReference(std::size_t index, const EntryReference& ref, std::string_view inner,
                    std::vector<Piece>& pieces);
  void applyCase(std::size_t index, int number, std::vector<std::string>& texts,
                 const std::vector<Piece>& pieces);

  const LoadedFiles& loaded_;
  const ExportOptions& options_;
  ExportModel model_;
  std::map<std::string, std::size_t> keys_;
  std::vector<std::size_t> firstOf_;  // by loaded index: the first load of the same file
  std::vector<std::size_t> fileOf_;   // by loaded index: the index in model_.files
  std::vector<std::array<std::size_t, TABLE_COUNT>> tableIndex_;  // by model file
  std::vector<std::string> stems_;
  std::vector<std::string> names_;
};

ExportEntry ModelBuilder::buildEntry(std::size_t index, int number, std::string_view text) {
  const EntrySplit split = splitEntry(text);
  if (split.unmatchedOpen) model_.notes.add(kOpen, kOpenText);
  // The pieces with their texts as bytes first: the case rules read bytes.
  std::vector<Piece> pieces;
  std::size_t at = 0;
  for (const EntryReference& ref : split.references) {
    if (ref.open > at) {
      pieces.push_back({Piece::Kind::Text, std::string(text.substr(at, ref.open - at)), 0});
    }
    addReference(index, ref, text.substr(ref.open + 1, ref.close - ref.open - 1), pieces);
    at = ref.close + 1;
  }
  if (at < text.size()) pieces.push_back({Piece::Kind::Text, std::string(text.substr(at)), 0});
  std::vector<std::string> texts;
  for (const Piece& piece : pieces) texts.push_back(piece.text);
  applyCase(index, number, texts, pieces);

  ExportEntry entry;
  bool changed = false;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    Piece piece = std::move(pieces[i]);
    if (piece.kind == Piece::Kind::Text) {
      piece.text = toUtf8(texts[i], changed);
      if (!entry.pieces.empty() && entry.pieces.back().kind == Piece::Kind::Text) {
        entry.pieces.back().text += piece.text;
        continue;
      }
    }
    entry.pieces.push_back(std::move(piece));
  }
  if (changed) model_.notes.add(kNotUtf8, kNotUtf8Text);
  return entry;
}

void ModelBuilder::addReference(std::size_t index, const EntryReference& ref,
                                std::string_view inner, std::vector<Piece>& pieces) {
  const LoadedDataFile& loaded = loaded_.files[index];
  switch (ref.target.kind) {
    case ReferenceTarget::Kind::Dice: {
      DiceParts parts{};
      model_.notes.add(kDice, kDiceText);
      if (!readDiceExpression(ref.target.dice, parts)) {
        model_.notes.add(kBadDice, kBadDiceText);
        pieces.push_back({Piece::Kind::Text, "0", 0});
        return;
      }
      pieces.push_back(dicePiece(parts));
      return;
    }
    case ReferenceTarget::Kind::Table: {
      if (!isTableNumber(ref.target.table)) break;
      if (const auto table = tableOf(index, ref.target.table)) {
        pieces.push_back({Piece::Kind::Table, "", *table});
      } else {
        model_.notes.add(kEmptyTable, kEmptyTableText);
      }
      return;
    }
    case ReferenceTarget::Kind::Name: {
      // A listed copy has no listed files of its own.
      if (loaded.listed) break;
      const DataFile& file = *loaded.file;
      const DataFile* match = visitListedFiles(file, inner, [](const DataFile&) {});
      if (match == nullptr) break;
      const auto position = static_cast<std::size_t>(match - file.subfiles().data());
      if (position >= loaded.subfiles.size()) break;
      model_.notes.add(kListed, kListedText);
      // A listed file whose table 0 is empty makes an empty text.
      if (const auto table = tableOf(loaded.subfiles[position], 0)) {
        pieces.push_back({Piece::Kind::Table, "", *table});
      }
      return;
    }
  }
  model_.notes.add(kUnmatched, kUnmatchedText);
}

void ModelBuilder::applyCase(std::size_t index, int number, std::vector<std::string>& texts,
                             const std::vector<Piece>& pieces) {
  if (loaded_.files[index].file->isElementFile()) {
    // Every word of a line is capitalised, across the joins of its pieces; a
    // suffix continues the word of its prefix.
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      if (pieces[i].kind != Piece::Kind::Text) continue;
      // The byte the text continues, if any; a roll or a table ends in a word.
      char before = number == 3 ? 'a' : '\0';
      if (i > 0) {
        const std::string& last = texts[i - 1];
        before = pieces[i - 1].kind != Piece::Kind::Text ? 'a' : last.empty() ? '\0' : last.back();
      }
      std::string joined;
      if (before != '\0') joined += before;
      joined += texts[i];
      capitalizeWords(joined);
      texts[i] = joined.substr(before != '\0' ? 1 : 0);
    }
    return;
  }
  if (number != 0 || pieces.empty()) return;
  if (pieces[0].kind == Piece::Kind::Text) {
    capitalizeFirst(texts[0]);
  } else if (pieces[0].kind == Piece::Kind::Table &&
             model_.tables[pieces[0].table].file == fileOf_[index]) {
    // A listed file's table raises its own first letter.
    model_.notes.add(kFirstLetter, kFirstLetterText);
  }
}

}  // namespace

std::optional<std::size_t> ExportEntry::soleTable() const {
  if (pieces.size() == 1 && pieces[0].kind == Piece::Kind::Table) return pieces[0].table;
  return std::nullopt;
}

std::string toUtf8(std::string_view bytes, bool& changed) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80) {
      out += static_cast<char>(byte);
      ++i;
    } else if (const std::size_t length = utf8SequenceLength(bytes.substr(i)); length > 0) {
      out.append(bytes.substr(i, length));
      i += length;
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
      changed = true;
      ++i;
    }
  }
  return out;
}

ExportModel buildModel(const LoadedFiles& loaded, const ExportOptions& options) {
  return ModelBuilder(loaded, options).build();
}

}  // namespace weft::exporter
