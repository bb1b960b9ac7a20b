#include "obsidian/obsidian_writer.h"

#include <algorithm>
#include <string>
#include <vector>

#include "obsidian/obsidian_escape.h"

namespace weft::exporter {

namespace {

constexpr std::string_view kLineEnd = "line-end";
constexpr std::string_view kLineEndText =
    "line ends inside entries: written as blanks, so that each entry stays on its row";

class ObsidianWriter {
 public:
  ObsidianWriter(const ExportModel& model, Notes& notes) : model_(model), notes_(notes) {
    std::vector<std::string> taken;
    for (const ExportFile& file : model_.files) {
      std::string name = obsidianNoteName(file.stem);
      std::string candidate = name;
      for (int n = 2; std::find(taken.begin(), taken.end(), candidate) != taken.end(); ++n) {
        candidate = name + "-" + std::to_string(n);
      }
      taken.push_back(candidate);
    }
    noteNames_ = std::move(taken);
  }

  OutputFiles write() {
    OutputFiles files;
    for (std::size_t i = 0; i < model_.files.size(); ++i) {
      files.push_back({noteNames_[i] + ".md", note(model_.files[i])});
    }
    return files;
  }

 private:
  std::string text(std::string_view words) {
    bool lineEnd = false;
    std::string out = obsidianText(words, lineEnd);
    if (lineEnd) notes_.add(kLineEnd, kLineEndText);
    return out;
  }

  std::string note(const ExportFile& file) {
    std::string out =
        "# " + text(file.name) + "\n\nMade by weft-export from " + text(file.path) + ".\n";
    for (const std::size_t table : file.tables) out.append("\n").append(lookupTable(table));
    return out;
  }

  std::string lookupTable(std::size_t index) {
    const ExportTable& table = model_.tables[index];
    const std::string name = text(table.name);
    std::string out = "## " + name + "\n\n| dice: 1d" + std::to_string(table.total) + " | " + name +
                      " |\n| --- | --- |\n";
    std::uint64_t low = 1;
    for (const ExportEntry& entry : table.entries) {
      const std::uint64_t high = low + entry.weight - 1;
      std::string range = std::to_string(low);
      if (high > low) range.append("-").append(std::to_string(high));
      out += "| " + range + " | " + cell(entry) + " |\n";
      low = high + 1;
    }
    return out + "\n^table-" + std::to_string(table.number) + "\n";
  }

  // Returns the entry as a cell: its texts escaped, a roller for each table
  // it draws from and each roll.
  std::string cell(const ExportEntry& entry) {
    std::string out;
    bool code = false;  // the last piece written is a roller
    for (const Piece& piece : entry.pieces) {
      if (piece.kind == Piece::Kind::Text) {
        out += text(piece.text);
        code = false;
        continue;
      }
      // Two rollers in a row would read as one run of backticks: a
      // zero-width space stands between them.
      if (code) out += "&#8203;";
      if (piece.kind == Piece::Kind::Table) {
        const ExportTable& target = model_.tables[piece.table];
        out += "`dice: [[" + noteNames_[target.file] + "^table-" + std::to_string(target.number) +
               "]]`";
      } else {
        out += "`dice: " + piece.text + "`";
      }
      code = true;
    }
    return out;
  }

  const ExportModel& model_;
  Notes& notes_;
  std::vector<std::string> noteNames_;
};

}  // namespace

OutputFiles writeObsidian(const ExportModel& model, Notes& notes) {
  return ObsidianWriter(model, notes).write();
}

}  // namespace weft::exporter
