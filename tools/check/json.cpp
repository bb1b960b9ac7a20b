#include "json.h"

#include <cmath>
#include <cstdio>
#include "support/random_source.h"

namespace weft::check {

namespace {

// Returns the length of the valid UTF-8 sequence at the start of `text`, or
// 0 when it does not start with one (overlong forms and surrogates count as
// invalid).
std::size_t utf8Length(std::string_view text) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

std::string number(double value) {
  if (!std::isfinite(value)) return "null";
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

std::string number(std::uint64_t value) { return std::to_string(value); }
std::string number(std::int64_t value) { return std::to_string(value); }
std::string boolean(bool value) { return value ? "true" : "false"; }

// Builds one JSON object, member by member.
class Object {
 public:
  Object& add(std::string_view key, const std::string& json) {
    text_ += text_.size() > 1 ? "," : "";
    text_ += jsonString(key) + ":" + json;
    return *this;
  }
  std::string done() { return text_ + "}"; }

 private:
  std::string text_ = "{";
};

std::string array(const std::vector<std::string>& items) {
  std::string text = "[";
  for (std::size_t i = 0; i < items.size(); ++i) text += (i > 0 ? "," : "") + items[i];
  return text + "]";
}

std::string diagnosticJson(const Diagnostic& d) {
  return Object()
      .add("file", jsonString(d.file))
      .add("line", number(d.line))
      .add("severity", jsonString(d.severity == Severity::Error ? "error" : "warning"))
      .add("message", jsonString(d.message))
      .add("note", d.note.empty() ? "null" : jsonString(d.note))
      .done();
}

std::string tableJson(const TableOdds& table) {
  std::vector<std::string> entries;
  constexpr std::uint64_t kDraws = kDrawRange;
  const std::uint64_t scale = kDraws / table.denominator;
  for (const EntryOdds& e : table.entries) {
    const double p = static_cast<double>(e.draws) / kDraws;
    entries.push_back(Object()
                          .add("text", jsonString(e.text))
                          .add("prefix_and_suffix", boolean(e.builtIn))
                          .add("positions", number(e.positions))
                          .add("draws", number(e.draws))
                          .add("numerator", number(e.draws / scale))
                          .add("denominator", number(table.denominator))
                          .add("probability", number(p))
                          .add("percent", number(100 * p))
                          .add("one_in", p > 0 ? number(1 / p) : "null")
                          .add("shown", jsonString(percentText(p) + ", " + oneInText(p)))
                          .done());
  }
  return Object()
      .add("table", number(static_cast<std::int64_t>(table.number)))
      .add("positions", number(table.positions))
      .add("draws", number(kDraws))
      .add("denominator", number(table.denominator))
      .add("entries", array(entries))
      .done();
}

std::string diceJson(const DiceOdds& dice) {
  std::vector<std::string> totals;
  for (const auto& [total, p] : dice.totals) {
    totals.push_back(Object()
                         .add("total", number(static_cast<std::int64_t>(total)))
                         .add("probability", number(p))
                         .add("percent", number(100 * p))
                         .done());
  }
  return Object()
      .add("reference", jsonString("(random" + dice.expression + ")"))
      .add("expression", jsonString(dice.expression))
      .add("table", number(static_cast<std::int64_t>(dice.table)))
      .add("line", number(dice.line))
      .add("reads", boolean(dice.reads))
      .add("lowest", number(dice.lowest))
      .add("highest", number(dice.highest))
      .add("exact", boolean(dice.exact))
      .add("totals", dice.totals.empty() && dice.reads ? "null" : array(totals))
      .done();
}

std::string linesJson(const FileOdds& odds) {
  const LineOdds& lines = odds.lines;
  return Object()
      .add("distinct", number(static_cast<std::uint64_t>(lines.lines.size())))
      .add("complete", boolean(lines.complete))
      .add("exact", boolean(lines.complete && !lines.estimated))
      .add("estimated", boolean(lines.estimated))
      .add("variety", number(odds.variety))
      .add("bits", number(odds.bits))
      .add("empty_line", number(lines.emptyLine))
      .add("empty_table", number(lines.emptyTable))
      .add("unexplored", number(lines.unexplored))
      .add("rolls_dice", boolean(lines.rollsDice))
      .done();
}

std::string fileJson(const FileOdds& odds) {
  std::vector<std::string> tables;
  for (const TableOdds& table : odds.tables) tables.push_back(tableJson(table));
  std::vector<std::string> dice;
  for (const DiceOdds& d : odds.dice) dice.push_back(diceJson(d));
  return Object()
      .add("file", jsonString(odds.path))
      .add("title", jsonString(odds.title))
      .add("element_file", boolean(odds.elementFile))
      .add("tables", array(tables))
      .add("dice", array(dice))
      .add("lines", linesJson(odds))
      .done();
}

}  // namespace

std::string jsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  out.reserve(text.size() + 2);
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x80) {
      if (const std::size_t length = utf8Length(text.substr(i)); length > 0) {
        out.append(text.substr(i, length));
        i += length;
        continue;
      }
    }
    ++i;
    switch (byte) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (byte < 0x20 || byte >= 0x7F) {
          out += "\\u00";
          out += kHex[byte >> 4];
          out += kHex[byte & 15];
        } else {
          out += static_cast<char>(byte);
        }
    }
  }
  return out + "\"";
}

std::string jsonReport(const std::vector<Diagnostic>& diagnostics, std::size_t fileCount,
                       int status, const std::vector<FileOdds>* stats) {
  std::vector<std::string> items;
  std::uint64_t errors = 0;
  for (const Diagnostic& d : diagnostics) {
    items.push_back(diagnosticJson(d));
    errors += d.severity == Severity::Error ? 1 : 0;
  }
  std::string statsJson = "null";
  if (stats != nullptr) {
    std::vector<std::string> files;
    for (const FileOdds& odds : *stats) files.push_back(fileJson(odds));
    statsJson = array(files);
  }
  return Object()
             .add("diagnostics", array(items))
             .add("summary", Object()
                                 .add("errors", number(errors))
                                 .add("warnings", number(diagnostics.size() - errors))
                                 .add("files", number(static_cast<std::uint64_t>(fileCount)))
                                 .add("text", jsonString(formatSummary(diagnostics, fileCount)))
                                 .done())
             .add("status", number(static_cast<std::int64_t>(status)))
             .add("stats", statsJson)
             .done() +
         "\n";
}

}  // namespace weft::check
