#include "output/json.h"

#include <cstdint>
#include <nlohmann/json.hpp>

#include "output/explain_text.h"
#include "output/odds_text.h"
#include "output/report_text.h"
#include "support/console.h"
#include "support/random_source.h"
#include "text/utf8.h"

namespace weft::check {

namespace {

using Json = nlohmann::ordered_json;

// The report's strings are bytes, and the library writes valid UTF-8 only:
// it would replace or drop the rest. So every byte that the report writes as
// an escape \u0080 to \u00ff (a byte outside valid UTF-8), and the three that
// it escapes otherwise than the library (backspace, form feed and DEL, as
// \u0008, \u000c and \u007f), goes into the library as a marker: the code
// point U+10FF00 plus the byte, in the last private-use block of Unicode.
// A code point of that block that the text itself holds goes in behind the
// marker U+10FF00 (the byte 0, which is never marked). The library writes
// markers unescaped, as any character (ensure_ascii off), and unmark() then
// turns each marker back into its escape and each code point kept behind
// one back into its own UTF-8; nothing else in the library's output is a
// code point of that block, since outside strings it is ASCII.
constexpr char32_t kMarker = 0x10FF00;

// True when `text` starts with the UTF-8 of a code point from U+10FF00 on.
bool startsInMarkerBlock(std::string_view text) {
  return text.size() >= 4 && static_cast<unsigned char>(text[0]) == 0xF4 &&
         static_cast<unsigned char>(text[1]) == 0x8F && static_cast<unsigned char>(text[2]) >= 0xBC;
}

void appendMarker(std::string& out, unsigned byte) {
  const char32_t code = kMarker + byte;
  out += static_cast<char>(0xF0 | (code >> 18));
  out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
  out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (code & 0x3F));
}

// Returns `text` as valid UTF-8 with markers, ready for the library.
std::string marked(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x80) {
      if (const std::size_t length = utf8Length(text.substr(i)); length > 0) {
        if (startsInMarkerBlock(text.substr(i))) appendMarker(out, 0);
        out.append(text.substr(i, length));
        i += length;
        continue;
      }
    }
    if (byte == '\b' || byte == '\f' || byte >= 0x7F) {
      appendMarker(out, byte);
    } else {
      out += static_cast<char>(byte);
    }
    ++i;
  }
  return out;
}

// Returns the library's output with each marker turned back into what it
// stands for.
std::string unmarked(std::string_view json) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(json.size());
  for (std::size_t i = 0; i < json.size();) {
    if (!startsInMarkerBlock(json.substr(i))) {
      out += json[i++];
      continue;
    }
    const unsigned byte = ((static_cast<unsigned char>(json[i + 2]) & 0x3Fu) << 6 |
                           (static_cast<unsigned char>(json[i + 3]) & 0x3Fu)) -
                          (kMarker & 0xFFF);
    i += 4;
    if (byte == 0) {
      out.append(json.substr(i, 4));
      i += 4;
    } else {
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

Json text(std::string_view bytes) { return Json(marked(bytes)); }

Json diagnosticJson(const Diagnostic& d) {
  Json json;
  json["file"] = text(d.file);
  json["line"] = d.line;
  json["severity"] = severityName(d.severity);
  json["message"] = text(d.message);
  json["note"] = d.note.empty() ? Json(nullptr) : text(d.note);
  return json;
}

Json entryJson(const EntryOdds& e, const TableOdds& table) {
  constexpr std::uint64_t kDraws = kDrawRange;
  const double p = static_cast<double>(e.draws) / kDraws;
  Json json;
  json["text"] = text(e.text);
  json["prefix_and_suffix"] = e.builtIn;
  json["positions"] = e.positions;
  json["draws"] = e.draws;
  json["numerator"] = e.draws / (kDraws / table.denominator);
  json["denominator"] = table.denominator;
  json["probability"] = p;
  json["percent"] = 100 * p;
  json["one_in"] = p > 0 ? Json(1 / p) : Json(nullptr);
  json["shown"] = percentText(p) + ", " + oneInText(p);
  // The two parts of "shown", so that a reader need not split it.
  json["shown_percent"] = percentText(p);
  json["shown_one_in"] = oneInText(p);
  json["shown_text"] = text(entryShown(e));
  json["shown_weight"] = weightText(e, table);
  return json;
}

Json tableJson(const TableOdds& table) {
  Json json;
  json["table"] = table.number;
  json["section"] = table.section.empty() ? Json(nullptr) : Json(table.section);
  json["positions"] = table.positions;
  json["draws"] = std::uint64_t{kDrawRange};
  json["denominator"] = table.denominator;
  json["entries"] = Json::array();
  for (const EntryOdds& e : table.entries) json["entries"].push_back(entryJson(e, table));
  json["shown"] = text(tableHeading(table));
  json["shown_name"] = tableName(table);
  const std::string remainder = remainderText(table);
  json["shown_remainder"] = remainder.empty() ? Json(nullptr) : Json(remainder);
  return json;
}

Json diceJson(const DiceOdds& dice) {
  Json json;
  json["reference"] = text("(random" + dice.expression + ")");
  json["expression"] = text(dice.expression);
  json["table"] = dice.table;
  json["line"] = dice.line;
  json["reads"] = dice.reads;
  json["lowest"] = dice.lowest;
  json["highest"] = dice.highest;
  json["exact"] = dice.exact;
  Json totals = Json::array();
  for (const auto& [total, p] : dice.totals) {
    Json item;
    item["total"] = total;
    item["probability"] = p;
    item["percent"] = 100 * p;
    item["shown_percent"] = percentText(p);
    totals.push_back(std::move(item));
  }
  json["totals"] = dice.totals.empty() && dice.reads ? Json(nullptr) : totals;
  json["shown"] = text(diceHeading(dice));
  return json;
}

Json tiedRollJson(const TiedRoll& roll) {
  Json json;
  json["reference"] = text("(random" + roll.expression + ")");
  json["expression"] = text(roll.expression);
  json["own"] = roll.own;
  json["through"] = text(roll.via);
  json["file"] = roll.file.empty() ? Json(nullptr) : text(roll.file);
  json["table"] = roll.table;
  json["line"] = roll.line == 0 ? Json(nullptr) : Json(roll.line);
  return json;
}

Json tiedRollsJson(const TiedEntry& entry) {
  Json all = Json::array();
  for (const TiedPair& pair : entry.pairs) {
    Json json;
    json["table"] = entry.table;
    json["line"] = entry.line == 0 ? Json(nullptr) : Json(entry.line);
    json["first"] = tiedRollJson(pair.first);
    json["second"] = tiedRollJson(pair.second);
    json["same_difference"] = pair.sameDifference;
    json["difference"] = pair.sameDifference ? Json(pair.difference) : Json(nullptr);
    json["pairs"] = pair.pairs;
    json["possible"] = pair.possible;
    json["exact"] = pair.exact;
    json["totals"] = Json::array();
    for (const TotalPair& t : pair.totals) {
      json["totals"].push_back({{"first", t.first},
                                {"second", t.second},
                                {"probability", t.chance},
                                {"shown_percent", percentText(t.chance)}});
    }
    json["shown"] = text(tiedRollsHeading(entry, pair));
    json["shown_rows"] = Json::array();
    for (const std::string& row : tiedRollsRows(pair)) json["shown_rows"].push_back(text(row));
    all.push_back(std::move(json));
  }
  return all;
}

Json linesJson(const FileOdds& odds) {
  const LineOdds& lines = odds.lines;
  Json json;
  json["distinct"] = std::uint64_t{lines.lines.size()};
  json["complete"] = lines.complete;
  json["exact"] = lines.complete && !lines.estimated;
  json["estimated"] = lines.estimated;
  json["variety"] = odds.variety;
  json["bits"] = odds.bits;
  json["search_variety"] = odds.searchVariety;
  json["search_bits"] = odds.searchBits;
  json["empty_line"] = lines.emptyLine;
  json["empty_table"] = lines.emptyTable;
  json["unexplored"] = lines.unexplored;
  json["rolls_dice"] = lines.rollsDice;
  if (odds.sampled) {
    const SampledLines& sampled = *odds.sampled;
    Json sample;
    sample["rolls"] = sampled.rolls;
    sample["distinct"] = sampled.distinct;
    sample["most_repeats"] = sampled.mostRepeats;
    sample["endings"] = Json::array();
    for (const SampledEnding& ending : sampled.endings) {
      Json item;
      item["line"] = ending.line;
      item["message"] = text(ending.message);
      item["rolls"] = ending.rolls;
      item["picked"] = ending.picked;
      item["status"] = static_cast<int>(ending.status);
      sample["endings"].push_back(std::move(item));
    }
    sample["estimate"] = {{"variety", odds.estimate.variety},
                          {"bits", odds.estimate.bits},
                          {"coverage", odds.estimate.coverage}};
    json["sampled"] = std::move(sample);
  } else {
    json["sampled"] = nullptr;
  }
  json["shown"] = Json::array();
  for (const std::string& line : linesText(odds, false)) json["shown"].push_back(text(line));
  return json;
}

Json fileJson(const FileOdds& odds) {
  Json json;
  json["file"] = text(odds.path);
  json["title"] = text(odds.title);
  json["element_file"] = odds.elementFile;
  json["tables"] = Json::array();
  for (const TableOdds& table : odds.tables) json["tables"].push_back(tableJson(table));
  json["dice"] = Json::array();
  for (const DiceOdds& d : odds.dice) json["dice"].push_back(diceJson(d));
  // Each pair of rolls whose totals go together, entry by entry.
  json["tied_rolls"] = Json::array();
  for (const TiedEntry& entry : odds.tiedRolls) {
    for (Json& pair : tiedRollsJson(entry)) json["tied_rolls"].push_back(std::move(pair));
  }
  json["lines"] = linesJson(odds);
  json["shown"] = text(fileHeading(odds));
  return json;
}

std::string dump(const Json& json) { return unmarked(json.dump(-1, ' ', false)); }

Json pickJson(const PickFacts& pick) {
  Json json;
  json["file"] = text(pick.file);
  json["line"] = pick.line == 0 ? Json(nullptr) : Json(pick.line);
  json["table"] = pick.table;
  json["position"] = pick.position;
  json["draws"] = pick.draws;
  json["chance"] = static_cast<double>(pick.draws) / kDrawRange;
  json["entry"] = text(pick.entry);
  return json;
}

Json rollJson(const RollFacts& roll) {
  Json json;
  json["expression"] = text(roll.expression);
  json["read"] = roll.read;
  json["dice"] = roll.dice;
  json["modifier"] = roll.modifier;
  json["total"] = roll.total;
  json["seed"] = roll.seed;
  return json;
}

Json stepJson(const ExplainStep& step) {
  static constexpr const char* kKinds[] = {"pick", "enter", "leave", "empty_table", "reference"};
  static constexpr const char* kReferences[] = {"dice", "table", "name"};
  Json json;
  json["step"] = kKinds[static_cast<int>(step.kind)];
  json["depth"] = step.depth;
  json["file"] = text(step.file);
  switch (step.kind) {
    case ExplainStep::Kind::Pick:
      json["pick"] = pickJson(*step.pick);
      break;
    case ExplainStep::Kind::Leave:
      json["line"] = text(step.text);
      break;
    case ExplainStep::Kind::Reference:
      json["reference"] = kReferences[static_cast<int>(step.reference)];
      json["inner"] = text(step.inner);
      json["replacement"] = text(step.text);
      json["resolved"] = step.resolved;
      if (step.pick) json["pick"] = pickJson(*step.pick);
      if (step.roll) json["roll"] = rollJson(*step.roll);
      if (step.reference == ReferenceTarget::Kind::Name) json["listed_lines"] = step.listed;
      break;
    case ExplainStep::Kind::Enter:
    case ExplainStep::Kind::EmptyTable:
      break;
  }
  json["words"] = text(stepWords(step));
  return json;
}

}  // namespace

std::string jsonString(std::string_view bytes) { return dump(text(bytes)); }

std::string jsonReport(const std::vector<Diagnostic>& diagnostics, std::size_t fileCount,
                       int status, const std::vector<FileOdds>* stats) {
  Json json;
  json["diagnostics"] = Json::array();
  for (const Diagnostic& d : diagnostics) json["diagnostics"].push_back(diagnosticJson(d));
  const SeverityCounts counts = countSeverities(diagnostics);
  Json& summary = json["summary"];
  summary["errors"] = std::uint64_t{counts.errors};
  summary["warnings"] = std::uint64_t{counts.warnings};
  summary["notes"] = std::uint64_t{counts.notes};
  summary["files"] = std::uint64_t{fileCount};
  summary["text"] = text(formatSummary(diagnostics, fileCount));
  json["status"] = status;
  json["stats"] = nullptr;
  if (stats != nullptr) {
    json["stats"] = Json::array();
    for (const FileOdds& odds : *stats) json["stats"].push_back(fileJson(odds));
  }
  return dump(json) + "\n";
}

std::string jsonExplanation(const Explanation& explanation) {
  Json json;
  json["second"] = explanation.second;
  json["seed"] = static_cast<std::uint32_t>(explanation.second);
  json["output"] = Json::array();
  for (const ExplainedPart& part : explanation.parts) {
    Json item;
    item["written"] = text(part.written);
    item["steps"] = Json::array();
    for (const ExplainStep& step : part.steps) item["steps"].push_back(stepJson(step));
    json["output"].push_back(std::move(item));
  }
  json["status"] = explanation.status;
  json["ending"] = explanation.ending ? text(*explanation.ending) : Json(nullptr);
  json["status_words"] = exitStatusText(explanation.status);
  json["ending_words"] = explanation.ending ? Json(endingWords(explanation)) : Json(nullptr);
  return dump(json) + "\n";
}

}  // namespace weft::check
