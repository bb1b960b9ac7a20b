#include "output/json_text.h"

#include "text/utf8.h"

namespace weft::check {

namespace {

// weft's texts are bytes, and the library writes valid UTF-8 only:
// it would replace or drop the rest. So every byte that jsonDump writes as
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

}  // namespace

Json jsonText(std::string_view bytes) { return Json(marked(bytes)); }

std::string jsonDump(const Json& json) { return unmarked(json.dump(-1, ' ', false)); }

std::string jsonString(std::string_view bytes) { return jsonDump(jsonText(bytes)); }

}  // namespace weft::check
