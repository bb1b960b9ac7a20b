#include "obsidian/obsidian_escape.h"

namespace weft::exporter {

namespace {

constexpr std::string_view kMarkup = "|\\`[]^<>&*_~=$%#@!";

bool startsWith(std::string_view text, std::size_t at, std::string_view part) {
  return text.substr(at, part.size()) == part;
}

}  // namespace

std::string obsidianText(std::string_view text, bool& lineEnd) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      out += ' ';
      lineEnd = true;
      continue;
    }
    const bool leading = out.find_first_not_of(' ') == std::string::npos;
    const bool escaped = kMarkup.find(c) != std::string_view::npos ||
                         (leading && (c == '-' || c == '+')) ||
                         (c == ':' && startsWith(text, i + 1, "//")) ||
                         (c == '.' && i >= 3 && text.substr(i - 3, 3) == "www");
    if (escaped) out += '\\';
    out += c;
  }
  return out;
}

std::string obsidianNoteName(std::string_view name) {
  std::string out;
  for (const char c : name) {
    const bool banned = std::string_view("\\/:*?\"<>|#^[]`").find(c) != std::string_view::npos ||
                        (out.empty() && c == '.');
    out += banned ? '-' : c;
  }
  return out;
}

}  // namespace weft::exporter
