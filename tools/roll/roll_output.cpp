#include "roll_output.h"

#include <nlohmann/json.hpp>
#include <string>

#include "check_words.h"
#include "support/random_source.h"

namespace weft::roll {

namespace {

using Json = nlohmann::ordered_json;

// A string of bytes for the library, by weft-check's rule for bytes that are
// not UTF-8.
Json text(std::string_view bytes) { return Json::parse(jsonString(bytes)); }

class TextWriter final : public LineWriter {
 public:
  TextWriter(const RollCommand& command, Console& console) : command_(command), out_(console) {}

  void line(std::string_view, const RolledLine& rolled) override {
    std::string out;
    if (command_.seconds) out += std::to_string(rolled.second) + "  ";
    out += shownLine(rolled);
    out += '\n';
    if (command_.steps) {
      const std::vector<std::string> words = stepWords(rolled.steps);
      for (std::size_t i = 0; i < words.size(); ++i) {
        // The number goes in front of the words, behind their indent.
        const std::size_t indent = words[i].find_first_not_of(' ');
        out += words[i].substr(0, indent) + std::to_string(i + 1) + ". " +
               words[i].substr(indent == std::string::npos ? words[i].size() : indent) + "\n";
      }
    }
    out_.writeOut(out);
    out_.flushOut();
  }

 private:
  const RollCommand& command_;
  Console& out_;
};

// Markdown's characters that would otherwise format the text.
std::string markdownText(std::string_view line) {
  std::string out;
  for (const char c : line) {
    if (std::string_view("\\`*_[]<>|#").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

class MarkdownWriter final : public LineWriter {
 public:
  MarkdownWriter(const RollCommand& command, Console& console, bool showFile)
      : table_(command.seconds), showFile_(showFile), out_(console) {}

  void begin() override {
    if (!table_) return;
    out_.writeOut(showFile_ ? "| file | second | line |\n|---|---:|---|\n"
                            : "| second | line |\n|---:|---|\n");
  }

  void line(std::string_view file, const RolledLine& rolled) override {
    std::string out;
    if (!table_) {
      out = "- " + markdownText(shownLine(rolled)) + "\n";
    } else {
      out = "| ";
      if (showFile_) out += markdownText(file) + " | ";
      out += std::to_string(rolled.second) + " | " + markdownText(shownLine(rolled)) + " |\n";
    }
    out_.writeOut(out);
    out_.flushOut();
  }

  void end() override { out_.flushOut(); }

 private:
  bool table_;
  bool showFile_;
  Console& out_;
};

// A CSV field: quoted when it holds a comma, a quotation mark or a line end.
std::string csvField(std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(field);
  std::string out = "\"";
  for (const char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

class CsvWriter final : public LineWriter {
 public:
  explicit CsvWriter(Console& console) : out_(console) {}
  void begin() override { out_.writeOut("file,second,line\r\n"); }
  void line(std::string_view file, const RolledLine& rolled) override {
    out_.writeOut(csvField(file) + "," + std::to_string(rolled.second) + "," +
                  csvField(shownLine(rolled)) + "\r\n");
    out_.flushOut();
  }
  void end() override { out_.flushOut(); }

 private:
  Console& out_;
};

Json pickJson(const StepPick& pick) {
  Json json;
  json["file"] = text(pick.file);
  json["line"] = pick.line == 0 ? Json(nullptr) : Json(pick.line);
  json["table"] = pick.table;
  json["position"] = pick.position;
  json["draws"] = pickDraws(pick);
  json["chance"] = static_cast<double>(pickDraws(pick)) / kDrawRange;
  json["entry"] = text(pick.entry);
  return json;
}

Json rollJson(const StepRoll& roll) {
  Json json;
  json["expression"] = text(roll.expression);
  json["read"] = roll.read;
  json["dice"] = roll.dice;
  json["modifier"] = roll.modifier;
  json["total"] = roll.total;
  json["seed"] = roll.seed;
  return json;
}

// A step with the names of weft-check --explain's JSON, its number and the
// number of the step it hangs under.
Json stepJson(const LineStep& step, std::size_t index) {
  static constexpr const char* kKinds[] = {"pick", "enter", "leave", "empty_table", "reference"};
  static constexpr const char* kReferences[] = {"dice", "table", "name"};
  Json json;
  json["number"] = index + 1;
  json["step"] = kKinds[static_cast<int>(step.kind)];
  json["depth"] = step.depth;
  json["file"] = text(step.file);
  json["parent"] = step.parent == LineStep::kNoParent ? Json(nullptr) : Json(step.parent + 1);
  if (step.pick) json["pick"] = pickJson(*step.pick);
  if (step.kind == LineStep::Kind::Leave) json["line"] = text(step.text);
  if (step.kind == LineStep::Kind::Reference) {
    json["reference"] = kReferences[static_cast<int>(step.reference)];
    json["inner"] = text(step.inner);
    json["replacement"] = text(step.text);
    json["resolved"] = step.resolved;
    if (step.roll) json["roll"] = rollJson(*step.roll);
    if (step.reference == ReferenceTarget::Kind::Name) json["listed_lines"] = step.listed;
  }
  return json;
}

class JsonWriter final : public LineWriter {
 public:
  JsonWriter(const RollCommand& command, Console& console)
      : keepCase_(command.settings.keepCase), out_(console) {}
  void begin() override { out_.writeOut("["); }
  void line(std::string_view file, const RolledLine& rolled) override {
    Json json;
    json["file"] = text(file);
    json["second"] = rolled.second;
    json["line"] = text(shownLine(rolled));
    if (keepCase_) json["weft_line"] = text(rolled.line);
    json["steps"] = Json::array();
    for (std::size_t i = 0; i < rolled.steps.size(); ++i) {
      json["steps"].push_back(stepJson(rolled.steps[i], i));
    }
    out_.writeOut((first_ ? "\n" : ",\n") + json.dump());
    first_ = false;
    out_.flushOut();
  }
  void end() override {
    out_.writeOut(first_ ? "]\n" : "\n]\n");
    out_.flushOut();
  }

 private:
  bool keepCase_;
  bool first_ = true;
  Console& out_;
};

}  // namespace

std::string_view shownLine(const RolledLine& rolled) {
  return rolled.cased.empty() ? std::string_view(rolled.line) : std::string_view(rolled.cased);
}

std::unique_ptr<LineWriter> makeWriter(const RollCommand& command, Console& console,
                                       std::size_t files) {
  switch (command.format) {
    case Format::Markdown:
      return std::make_unique<MarkdownWriter>(command, console, files > 1);
    case Format::Csv:
      return std::make_unique<CsvWriter>(console);
    case Format::Json:
      return std::make_unique<JsonWriter>(command, console);
    case Format::Text:
      break;
  }
  return std::make_unique<TextWriter>(command, console);
}

}  // namespace weft::roll
