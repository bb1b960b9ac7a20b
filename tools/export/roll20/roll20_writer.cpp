#include "roll20/roll20_writer.h"

#include <algorithm>
#include <vector>

#include "roll20/roll20_escape.h"
#include "support/ascii.h"

namespace weft::exporter {

namespace {

constexpr std::string_view kChat = "roll20-chat";
constexpr std::string_view kChatText =
    "texts that Roll20's chat would read as a roll, a query, an attribute or a macro (\"[[\", "
    "\"]]\", \"?{\", \"@{\", \"%{\", \"&{\", \"#\" before a letter): kept as text by an invisible "
    "word joiner";
constexpr std::string_view kLineEnd = "line-end";
constexpr std::string_view kLineEndText =
    "line ends inside entries: written as blanks, so that each command stays on its line";

class Roll20Writer {
 public:
  Roll20Writer(const ExportModel& model, Notes& notes) : model_(model), notes_(notes) {
    for (const ExportTable& table : model_.tables) {
      std::string name = roll20Name(table.name);
      if (name.empty()) name = "table";
      std::string candidate = name;
      for (int n = 2; std::find(names_.begin(), names_.end(), candidate) != names_.end(); ++n) {
        candidate = name + "-" + std::to_string(n);
      }
      names_.push_back(candidate);
    }
  }

  OutputFiles write() {
    std::string out;
    for (std::size_t i = 0; i < model_.tables.size(); ++i) {
      out += "!import-table --" + names_[i] + " --show\n";
      for (const ExportEntry& entry : model_.tables[i].entries) {
        out += "!import-table-item --" + names_[i] + " --" + tableExportEscape(item(entry)) +
               " --" + std::to_string(entry.weight) + "\n";
      }
    }
    return {{"tables.txt", out}};
  }

 private:
  // Returns the entry as the text of a table item, before escaping.
  std::string item(const ExportEntry& entry) {
    std::string out;
    for (std::size_t i = 0; i < entry.pieces.size(); ++i) {
      const Piece& piece = entry.pieces[i];
      if (piece.kind == Piece::Kind::Table) {
        out += "[[1t[" + names_[piece.table] + "]]]";
      } else if (piece.kind == Piece::Kind::Dice) {
        out += "[[" + piece.text + "]]";
      } else {
        bool broken = false;
        bool lineEnd = false;
        out += roll20Text(piece.text, i > 0, i + 1 < entry.pieces.size(), broken, lineEnd);
        if (broken) notes_.add(kChat, kChatText);
        if (lineEnd) notes_.add(kLineEnd, kLineEndText);
      }
    }
    return out;
  }

  const ExportModel& model_;
  Notes& notes_;
  std::vector<std::string> names_;
};

}  // namespace

OutputFiles writeRoll20(const ExportModel& model, Notes& notes) {
  return Roll20Writer(model, notes).write();
}

std::string roll20Name(std::string_view name) {
  std::string out;
  bool gap = false;
  for (const char c : name) {
    if (isLetter(c) || isDigit(c)) {
      if (gap && !out.empty()) out += '-';
      out += toLower(c);
      gap = false;
    } else {
      gap = true;
    }
  }
  return out;
}

}  // namespace weft::exporter
