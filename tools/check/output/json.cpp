#include "output/json.h"

#include <cstdint>

#include "output/explain_text.h"
#include "output/json_text.h"
#include "output/odds_text.h"
#include "output/report_text.h"
#include "output/step_json.h"
#include "support/console.h"
#include "support/random_source.h"

namespace weft::check {

namespace {

Json diagnosticJson(const Diagnostic& d) {
  Json json;
  json["file"] = jsonText(d.file);
  json["line"] = d.line;
  json["severity"] = severityName(d.severity);
  json["message"] = jsonText(d.message);
  json["note"] = d.note.empty() ? Json(nullptr) : jsonText(d.note);
  return json;
}

Json entryJson(const EntryOdds& e, const TableOdds& table) {
  constexpr std::uint64_t kDraws = kDrawRange;
  const double p = static_cast<double>(e.draws) / kDraws;
  Json json;
  json["text"] = jsonText(e.text);
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
  json["shown_text"] = jsonText(entryShown(e));
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
  json["shown"] = jsonText(tableHeading(table));
  json["shown_name"] = tableName(table);
  const std::string remainder = remainderText(table);
  json["shown_remainder"] = remainder.empty() ? Json(nullptr) : Json(remainder);
  return json;
}

Json diceJson(const DiceOdds& dice) {
  Json json;
  json["reference"] = jsonText("(random" + dice.expression + ")");
  json["expression"] = jsonText(dice.expression);
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
  json["shown"] = jsonText(diceHeading(dice));
  return json;
}

Json tiedRollJson(const TiedRoll& roll) {
  Json json;
  json["reference"] = jsonText("(random" + roll.expression + ")");
  json["expression"] = jsonText(roll.expression);
  json["own"] = roll.own;
  json["through"] = jsonText(roll.via);
  json["file"] = roll.file.empty() ? Json(nullptr) : jsonText(roll.file);
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
    json["shown"] = jsonText(tiedRollsHeading(entry, pair));
    json["shown_rows"] = Json::array();
    for (const std::string& row : tiedRollsRows(pair)) json["shown_rows"].push_back(jsonText(row));
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
      item["message"] = jsonText(ending.message);
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
  for (const std::string& line : linesText(odds, false)) json["shown"].push_back(jsonText(line));
  return json;
}

Json fileJson(const FileOdds& odds) {
  Json json;
  json["file"] = jsonText(odds.path);
  json["title"] = jsonText(odds.title);
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
  json["shown"] = jsonText(fileHeading(odds));
  return json;
}

}  // namespace

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
  summary["text"] = jsonText(formatSummary(diagnostics, fileCount));
  json["status"] = status;
  json["stats"] = nullptr;
  if (stats != nullptr) {
    json["stats"] = Json::array();
    for (const FileOdds& odds : *stats) json["stats"].push_back(fileJson(odds));
  }
  return jsonDump(json) + "\n";
}

std::string jsonExplanation(const Explanation& explanation) {
  Json json;
  json["second"] = explanation.second;
  json["seed"] = static_cast<std::uint32_t>(explanation.second);
  json["output"] = Json::array();
  for (const ExplainedPart& part : explanation.parts) {
    Json item;
    item["written"] = jsonText(part.written);
    item["steps"] = Json::array();
    for (const LineStep& step : part.steps) item["steps"].push_back(stepJson(step));
    json["output"].push_back(std::move(item));
  }
  json["status"] = explanation.status;
  json["ending"] = explanation.ending ? jsonText(*explanation.ending) : Json(nullptr);
  json["status_words"] = exitStatusText(explanation.status);
  json["ending_words"] = explanation.ending ? Json(endingWords(explanation)) : Json(nullptr);
  return jsonDump(json) + "\n";
}

}  // namespace weft::check
