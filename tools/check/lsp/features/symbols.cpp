#include "lsp/features/symbols.h"

#include "datafile/line_kind.h"
#include "lsp/features/wording.h"

namespace weft::check::lsp {

namespace {

// The kinds of symbols used, as the protocol numbers them.
enum SymbolKind {
  kSymbolFile = 1,
  kSymbolModule = 2,
  kSymbolClass = 5,
  kSymbolString = 15,
};

// Builds the symbols line by line. A table, section or file list is open
// from its line on: the lines below that belong to it extend its range.
class SymbolTree {
 public:
  SymbolTree(const Workspace& workspace, const Document& document)
      : workspace_(workspace), document_(document) {}

  Json build() {
    const auto& lines = document_.outline.lines;
    for (std::uint32_t line = 0; line < lines.size(); ++line) add(lines[line], line);
    return std::move(symbols_);
  }

 private:
  void add(const LineMark& mark, std::uint32_t line) {
    switch (mark.kind) {
      case LineMark::Kind::Title:
        // The title as weft shows it; a symbol needs a name.
        symbols_.push_back(symbol(mark.text.empty() ? "(no title)" : titleText(mark.text), "title",
                                  kSymbolString, line));
        group_.reset();
        break;
      case LineMark::Kind::Table:
      case LineMark::Kind::Section:
        table(mark, line);
        break;
      case LineMark::Kind::Directive:
        group_.reset();
        if (mark.startsList) {
          open(symbol("file list", std::string(document_.lines->line(line)), kSymbolModule, line));
          symbols_.back()["children"] = Json::array();
        }
        break;
      case LineMark::Kind::FileListName:
        if (group_ && symbols_[*group_].contains("children")) {
          symbols_[*group_]["children"].push_back(
              symbol(mark.text, "listed file", kSymbolFile, line));
          extend(line);
        }
        break;
      case LineMark::Kind::Entry:
        entry(mark, line);
        break;
      case LineMark::Kind::Blank:
      case LineMark::Kind::Continued:
        break;
    }
  }

  void table(const LineMark& mark, std::uint32_t line) {
    tableZero_ = tableZero_ || mark.table == 0;
    const std::string name = mark.kind == LineMark::Kind::Section
                                 ? std::string(document_.lines->line(line))
                                 : "table " + std::to_string(mark.table);
    open(symbol(name, isTableNumber(mark.table) ? entryLines(mark.table) : "out of range",
                kSymbolClass, line));
  }

  void entry(const LineMark& mark, std::uint32_t line) {
    // Entries before any "%table" line make table 0 without one.
    if (!group_ && mark.table == 0 && !tableZero_) {
      tableZero_ = true;
      open(symbol("table 0", entryLines(0), kSymbolClass, line));
    }
    if (group_ && !symbols_[*group_].contains("children")) extend(line);
  }

  std::string entryLines(int table) const {
    return counted(document_.outline.entryLines[static_cast<std::size_t>(table)], "entry line",
                   "entry lines");
  }

  Json symbol(std::string name, std::string detail, int kind, std::uint32_t line) const {
    const Json where = workspace_.lineRange(document_, line);
    return Json{{"name", std::move(name)},
                {"detail", std::move(detail)},
                {"kind", kind},
                {"range", where},
                {"selectionRange", where}};
  }

  void open(Json item) {
    symbols_.push_back(std::move(item));
    group_ = symbols_.size() - 1;
  }

  void extend(std::uint32_t line) {
    if (!group_) return;
    symbols_[*group_]["range"]["end"] =
        workspace_.position(document_, line, document_.lines->line(line).size());
  }

  const Workspace& workspace_;
  const Document& document_;
  Json symbols_ = Json::array();
  std::optional<std::size_t> group_;  // in symbols_, the one the lines below belong to
  bool tableZero_ = false;            // table 0 has a symbol
};

}  // namespace

std::optional<Json> documentSymbol(Workspace& workspace, const Json& params) {
  const Document* document = workspace.find(params);
  if (document == nullptr) return std::nullopt;
  return SymbolTree(workspace, *document).build();
}

}  // namespace weft::check::lsp
