#include "model/traps.h"

#include <algorithm>

#include "datafile/line_kind.h"
#include "model/entry_traps.h"
#include "text/quoting.h"

namespace weft::check {

namespace {

using Kind = LoadObserver::LineKind;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

void LineTraps::pieceRead(std::uint64_t line, std::string_view text, std::size_t kept,
                          bool continued, bool elementFile) {
  if (!elementFile && !continued && kept == 0) checkSectionComment(line, text);
  if (line == 1 && !continued && text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    byteOrderMark_ = true;
  }
  reading_.pieceRead(line, text, kept, continued);
}

void LineTraps::lineInterpreted(const DataFile& file, const ClassifiedLine& read,
                                std::string_view text, bool dropped, bool chdirFailed) {
  const std::uint64_t line = file.lineNumber();
  const Kind kind = read.kind;
  // An entry of blanks only has no place to point into.
  if (kind == Kind::Entry) {
    facts_->entryColumns[line] =
        static_cast<std::uint32_t>(read.begin == text.size() ? 0 : read.begin);
  }
  if (byteOrderMark_ && line == 1) {
    checkByteOrderMark(file, text, dropped);
  } else if (kind == Kind::Entry) {
    checkEntryLine(reading_, line, text, read, dropped);
  } else if (kind == Kind::ElementEntry) {
    checkElementLine(reading_, *facts_, line, text);
  } else if (kind != Kind::FileListName && kind != Kind::ElementSection) {
    directives_.check(file, kind, line, text, read.begin, chdirFailed);
  }
  checkBackslashes(file);
  directives_.lineRead(kind);
}

void LineTraps::checkByteOrderMark(const DataFile& file, std::string_view text, bool dropped) {
  std::string what;
  const std::string_view rest = text.substr(std::min(text.size(), kByteOrderMark.size()));
  if (!rest.empty() && rest[0] == '%' && !file.isElementFile()) {
    what = "so this line is not a directive but an entry";
    if (dropped) what += ", dropped for its colon";
  } else if (!rest.empty() && rest[0] == '#' && file.isElementFile()) {
    what = "so this line is not a section line but a name";
  } else {
    what = "so this line starts with those bytes, not with its first letter";
  }
  reading_.add(
      1, Severity::Warning,
      "the file starts with a byte-order mark (the bytes EF BB BF), which weft reads as text, " +
          what,
      "save the file as UTF-8 without a byte-order mark (\"UTF-8\", not \"UTF-8 with BOM\")",
      reading_.spanOf(0, kByteOrderMark.size(), true));
}

// A trailing backslash that pulls a directive or a section line into the
// line before it, and a backslash just before a comment, which joins the
// next line although it does not end the line as written.
void LineTraps::checkBackslashes(const DataFile& file) {
  for (const LineBeingRead::Piece& piece : reading_.pieces()) {
    if (piece.kept > 0 && piece.kept < piece.text.size() && piece.text[piece.kept - 1] == '\\') {
      reading_.add(piece.line, Severity::Warning,
                   "the backslash just before the \"#\" comment joins the next line to this one",
                   "remove the backslash, or put a blank between it and the \"#\"",
                   Span{static_cast<std::uint32_t>(piece.kept - 1),
                        static_cast<std::uint32_t>(piece.kept),
                        false,
                        {}});
    }
    if (!piece.continued || piece.kept == 0) continue;
    const char first = piece.text[0];
    if ((first == '%' && !file.isElementFile()) || (first == '#' && file.isElementFile())) {
      const std::string_view joined = std::string_view(piece.text).substr(0, piece.kept);
      reading_.add(piece.line, Severity::Warning,
                   "the backslash at the end of line " + std::to_string(piece.line - 1) +
                       " joins this line to it, so " + check::quoted(trimBlanks(joined)) +
                       " is part of that line, not a line of its own",
                   "remove the backslash at the end of line " + std::to_string(piece.line - 1));
    }
  }
}

// "#pre" in a file whose name lacks ".ele": a comment, so the names below it
// are whole entries of the table before it, never prefixes or suffixes.
void LineTraps::checkSectionComment(std::uint64_t line, std::string_view text) {
  const SectionLine* section = findSectionLine(trimBlanks(text));
  if (section == nullptr) return;
  const std::string_view name = trimBlanks(text);
  reading_.add(line, Severity::Warning,
               check::quoted(name) +
                   " is a comment here: only a file whose name holds \".ele\" has sections, so "
                   "the lines below it stay whole entries of the table before it",
               "to make names from prefixes and suffixes, give the file a name ending in "
               "\".ele\" (such as names.ele) and list that; in this file, use \"%table " +
                   std::to_string(section->table) + "\" and refer to (table" +
                   std::to_string(section->table) + ")");
}

std::string LineTraps::whyListed(std::string_view name) const {
  return directives_.whyListed(name);
}

}  // namespace weft::check
