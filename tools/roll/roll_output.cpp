#include "roll_output.h"

#include <string>

#include "output/explain_text.h"
#include "output/json_text.h"
#include "output/step_json.h"

namespace weft::roll {

namespace {

using check::Json;
using check::jsonText;

class TextWriter final : public LineWriter {
 public:
  TextWriter(const RollCommand& command, Console& console) : command_(command), out_(console) {}

  void line(std::string_view, const RolledLine& rolled) override {
    std::string out;
    if (command_.seconds) out += std::to_string(rolled.second) + "  ";
    out += shownLine(rolled);
    out += '\n';
    if (command_.steps) {
      // Each step numbered, the number behind its indent.
      for (std::size_t i = 0; i < rolled.steps.size(); ++i) {
        out += check::stepLine(rolled.steps[i], std::to_string(i + 1) + ". ") + "\n";
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

class JsonWriter final : public LineWriter {
 public:
  JsonWriter(const RollCommand& command, Console& console)
      : keepCase_(command.settings.keepCase), out_(console) {}
  void begin() override { out_.writeOut("["); }
  void line(std::string_view file, const RolledLine& rolled) override {
    Json json;
    json["file"] = jsonText(file);
    json["second"] = rolled.second;
    json["line"] = jsonText(shownLine(rolled));
    if (keepCase_) json["weft_line"] = jsonText(rolled.line);
    json["steps"] = Json::array();
    for (std::size_t i = 0; i < rolled.steps.size(); ++i) {
      json["steps"].push_back(check::stepJson(rolled.steps[i], i));
    }
    out_.writeOut((first_ ? "\n" : ",\n") + check::jsonDump(json));
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
