#include "foundry/foundry_escape.h"

#include "support/ascii.h"

namespace weft::exporter {

namespace {

constexpr std::string_view kWordJoiner = "\u2060";

bool isBracket(char c) { return c == '[' || c == ']'; }

}  // namespace

std::string foundryHtml(std::string_view text, bool markupBefore, bool markupAfter, bool& broken) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  if (markupBefore && !text.empty() && isBracket(text.front())) {
    out += kWordJoiner;
    broken = true;
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
        break;
    }
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    const bool joins = (isBracket(c) && next == c) || ((c == '@' || c == '&') && isLetter(next)) ||
                       (c == ':' && text.substr(i + 1, 2) == "//") ||
                       (markupAfter && i + 1 == text.size() && isBracket(c));
    if (joins) {
      out += kWordJoiner;
      broken = true;
    }
  }
  return out;
}

std::string foundryLabel(std::string_view name) {
  std::string kept;
  for (const char c : name) {
    if (c != '{' && c != '}') kept += c;
  }
  bool broken = false;
  return foundryHtml(kept, false, false, broken);
}

}  // namespace weft::exporter
