// The export's own view of loaded data files: every table that has entries,
// each entry as text, references to other tables and dice, with the weight
// that the target is to give it. Writers of every format read this and know
// nothing of data files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "model/loading.h"
#include "model/notes.h"

namespace weft::exporter {

// One piece of an entry.
struct Piece {
  enum class Kind {
    Text,   // words, in valid UTF-8
    Table,  // a draw from another table
    Dice,   // a roll, such as "3d6+1" or "4dF-1"
  };
  Kind kind = Kind::Text;
  std::string text;       // Text: the words; Dice: the expression
  std::size_t table = 0;  // Table: the index in ExportModel::tables
};

struct ExportEntry {
  std::vector<Piece> pieces;  // adjacent texts merged; none for an empty entry
  std::uint64_t weight = 0;   // at least 1

  // Returns the table the entry draws when it is that one reference alone.
  std::optional<std::size_t> soleTable() const;
};

struct ExportTable {
  std::size_t file = 0;  // the index in ExportModel::files
  int number = 0;
  std::string name;  // "Tavern" for table 0, "Tavern: table 1"
  std::string key;   // stable across exports: the file's stem and the number
  std::vector<ExportEntry> entries;
  std::uint64_t total = 0;  // the sum of the weights
};

struct ExportFile {
  std::string path;  // as shown
  std::string name;  // the title, or the file's name without its extension; unique
  std::string stem;  // the file's name without its extension, for file names; unique
  bool elementFile = false;
  std::vector<std::size_t> tables;  // indexes in ExportModel::tables, in table order
};

struct ExportOptions {
  // Weights that give each entry weight's own chance to the draw, out of
  // kDrawRange, instead of the author's weights.
  bool exact = false;
  // Names to use instead of a data file's title, by the data file's name.
  std::map<std::string, std::string> titles;
};

struct ExportModel {
  std::vector<ExportFile> files;
  std::vector<ExportTable> tables;
  Notes notes;
};

// Returns the model of `loaded`, with a note for each thing weft does that a
// target cannot.
ExportModel buildModel(const LoadedFiles& loaded, const ExportOptions& options);

// Returns `bytes` as valid UTF-8: valid sequences stay, every other byte
// becomes the character of the same number (as if it were Latin-1). Sets
// `changed` when a byte was not UTF-8.
std::string toUtf8(std::string_view bytes, bool& changed);

}  // namespace weft::exporter
