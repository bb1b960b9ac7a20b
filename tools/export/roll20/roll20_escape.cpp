#include "roll20/roll20_escape.h"

#include "support/ascii.h"

namespace weft::exporter {

namespace {

constexpr std::string_view kWordJoiner = "\u2060";

bool isBracket(char c) { return c == '[' || c == ']'; }

}  // namespace

std::string roll20Text(std::string_view text, bool markupBefore, bool markupAfter, bool& broken,
                       bool& lineEnd) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  const auto join = [&out, &broken] {
    out += kWordJoiner;
    broken = true;
  };
  if (markupBefore && !text.empty() && isBracket(text.front())) join();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      out += ' ';
      lineEnd = true;
      continue;
    }
    out += c;
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if ((isBracket(c) && next == c) ||
        (next == '{' && std::string_view("?@%&").find(c) != std::string_view::npos) ||
        (c == '#' && isLetter(next)) || (markupAfter && i + 1 == text.size() && isBracket(c))) {
      join();
    }
  }
  return out;
}

std::string tableExportEscape(std::string_view argument) {
  std::string out;
  for (std::size_t i = 0; i < argument.size(); ++i) {
    const char c = argument[i];
    if (c == '[') {
      out += "<%%91%%>";
    } else if (c == ']') {
      out += "<%%93%%>";
    } else if (c == '<') {
      out += "<%%60%%>";
    } else if (c == '>') {
      out += "<%%62%%>";
    } else if (argument.substr(i, 2) == "--") {
      out += "<%%-%%>";
      ++i;
    } else if (argument.substr(i, 3) == " --") {
      out += "[TABLEEXPORT:ESCAPE]";
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace weft::exporter
