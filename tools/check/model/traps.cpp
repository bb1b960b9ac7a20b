#include "model/traps.h"

#include <algorithm>

#include "generate/case_rules.h"
#include "support/ascii.h"
#include "support/numbers.h"
#include "text/quoting.h"

namespace weft::check {

namespace {

using Kind = LoadObserver::LineKind;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The key that would decide the directive `text` if "file" were no key.
Kind keyBesideFile(std::string_view text) {
  for (const DirectiveKey& key : kDirectiveKeys) {
    if (key.kind != Kind::FileList && text.find(key.text) != std::string_view::npos)
      return key.kind;
  }
  return Kind::NoKey;
}

// The run of digits that ends at `end` (exclusive) in `text`.
std::string_view digitsBefore(std::string_view text, std::size_t end) {
  std::size_t start = end;
  while (start > 0 && isDigit(text[start - 1])) --start;
  return text.substr(start, end - start);
}

// The word around `pos`: letters on both sides.
std::string_view wordAt(std::string_view text, std::size_t pos, std::size_t length) {
  std::size_t start = pos;
  std::size_t end = pos + length;
  while (start > 0 && isLetter(text[start - 1])) --start;
  while (end < text.size() && isLetter(text[end])) ++end;
  return text.substr(start, end - start);
}

// Returns the section line that `text` (a "#" line that is not one) seems to
// mean: the same with blanks taken out, or a longer word that starts like
// one ("#prefix", "#suffixes"), or a near miss ("#sufix"). Empty when none.
const SectionLine* meantSection(std::string_view text) {
  std::string compact;
  for (const char c : text) {
    if (!isSpace(c)) compact += c;
  }
  if (const SectionLine* section = findSectionLine(compact)) return section;
  if (compact.size() < 4 || compact[0] != '#') return nullptr;
  const std::string_view word = std::string_view(compact).substr(1);
  if (!std::all_of(word.begin(), word.end(), isLetter)) return nullptr;
  for (const SectionLine& section : kSectionLines) {
    const std::string_view name = section.line.substr(1);
    if (word.substr(0, name.size()) == name && word.size() <= name.size() + 5) return &section;
    // A letter doubled, dropped or changed: "#sufix", "#prre", "#pref".
    if (word.size() >= 3 && word.substr(0, 2) == name.substr(0, 2) && word.size() <= 7 &&
        (name == "pre" || name == "suf") && word.find(name.substr(2)) != std::string_view::npos) {
      return &section;
    }
  }
  return nullptr;
}

}  // namespace

void LineTraps::add(std::uint64_t line, Severity severity, std::string message, std::string note,
                    Span span) {
  report_->add(path_, line, severity, std::move(message), std::move(note), std::move(span));
}

Span LineTraps::spanOf(std::size_t begin, std::size_t end, bool hasFix, std::string fix) const {
  if (pieces_.empty() || end > pieces_.front().kept || begin > end) return {};
  return Span{static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end), hasFix,
              std::move(fix)};
}

void LineTraps::pieceRead(std::uint64_t line, std::string_view text, std::size_t kept,
                          bool continued) {
  if (!continued) pieces_.clear();
  if (line == 1 && !continued && text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    byteOrderMark_ = true;
  }
  pieces_.push_back(Piece{line, std::string(text), kept, continued});
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
    add(line, Severity::Warning,
        "the file starts with a byte-order mark (the bytes EF BB BF), which weft reads as text, " +
            what,
        "save the file as UTF-8 without a byte-order mark (\"UTF-8\", not \"UTF-8 with BOM\")",
        spanOf(0, kByteOrderMark.size(), true));
  } else if (kind == Kind::Entry) {
    checkEntry(line, text, read, dropped);
  } else if (kind == Kind::ElementEntry) {
    checkElementLine(line, text);
  } else if (kind != Kind::FileListName && kind != Kind::ElementSection) {
    checkDirective(file, kind, line, text, read.begin, chdirFailed);
  }
  // A trailing backslash that pulls a directive or a section line into the
  // line before it, and a backslash just before a comment, which joins the
  // next line although it does not end the line as written.
  for (const Piece& piece : pieces_) {
    if (piece.kept > 0 && piece.kept < piece.text.size() && piece.text[piece.kept - 1] == '\\') {
      add(piece.line, Severity::Warning,
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
      add(piece.line, Severity::Warning,
          "the backslash at the end of line " + std::to_string(piece.line - 1) +
              " joins this line to it, so " + check::quoted(trimBlanks(joined)) +
              " is part of that line, not a line of its own",
          "remove the backslash at the end of line " + std::to_string(piece.line - 1));
    }
  }
  if (kind == Kind::FileList) {
    inFileList_ = true;
  } else if (kind != Kind::FileListName && kind != Kind::Entry) {
    inFileList_ = false;
  }
}

void LineTraps::checkEntry(std::uint64_t line, std::string_view text, const ClassifiedLine& read,
                           bool dropped) {
  const std::size_t start = read.begin;
  if (start < text.size() && start > 0 && text[start] == '%') {
    add(line, Severity::Warning,
        "a directive must start in the first column: after the blank, this " +
            check::quoted(trimBlanks(text.substr(start))) + " is an entry line" +
            (dropped ? " (dropped for its colon)" : ""),
        "remove the blanks before \"%\"", spanOf(0, start, true));
    return;
  }
  // An indented comment leaves the blanks before it: an entry of blanks.
  if (start == text.size() && !pieces_.empty() &&
      pieces_.front().kept < pieces_.front().text.size()) {
    add(line, Severity::Warning,
        "the blanks before the \"#\" stay, so this comment line is an entry of blanks, which "
        "ends weft's run (\"Zero length string\") when it is picked",
        "start the comment in the first column", spanOf(0, pieces_.front().kept));
    return;
  }
  checkNumberSign();
  checkColon(line, text, read, dropped);
}

// A "#" that cuts a number sign out of the text: "room #4 is locked".
void LineTraps::checkNumberSign() {
  if (!pieces_.empty()) {
    const Piece& first = pieces_.front();
    const std::string_view raw = first.text;
    const std::size_t hash = first.kept;
    if (hash < raw.size() && hash + 1 < raw.size() && isDigit(raw[hash + 1]) &&
        !trimBlanks(raw.substr(0, hash)).empty()) {
      std::size_t digits = hash + 1;
      while (digits < raw.size() && isDigit(raw[digits])) ++digits;
      add(first.line, Severity::Warning,
          "the \"#\" starts a comment, so weft keeps only " + check::quoted(raw.substr(0, hash)) +
              " of this line",
          "write \"number " + std::string(raw.substr(hash + 1, digits - hash - 1)) +
              "\" or the number in words: an entry cannot hold a \"#\"",
          Span{static_cast<std::uint32_t>(hash), static_cast<std::uint32_t>(digits), false, {}});
    }
  }
}

void LineTraps::checkColon(std::uint64_t line, std::string_view text, const ClassifiedLine& read,
                           bool dropped) {
  const std::size_t colon = read.colon;
  if (colon == std::string_view::npos) return;
  const std::string_view after = text.substr(colon + 1);
  const std::string_view entry = read.text(text);
  const std::size_t end = decimalEnd(after);
  const std::string_view rest = trimBlanks(after.substr(end));
  const std::string_view leftDigits = digitsBefore(text, colon);
  std::string note = "an entry cannot hold a colon: leave it out or write the words";
  if (!leftDigits.empty() && end > 0) {
    const std::string_view rightDigits = trimBlanks(after.substr(0, end));
    note = "an entry cannot hold a colon: write \"" + std::string(leftDigits) + " to " +
           std::string(rightDigits) + "\", or leave the colon out";
  }
  // The mend of a colon inside the text: "3:1" becomes "3 to 1"; elsewhere
  // the colon goes, leaving a blank between words.
  std::string mend = " to ";
  if (leftDigits.empty() || end == 0) {
    mend = after.empty() || isBlank(after.front()) || colon == 0 || isBlank(text[colon - 1]) ? ""
                                                                                             : " ";
  }
  const Span atColon = spanOf(colon, colon + 1, true, mend);
  if (dropped) {
    if (end > 0 && rest.empty()) {
      add(line, Severity::Warning, "frequency below 1; the entry is dropped",
          "a frequency of 0 or less drops the line; leave the line out, or give it 1 or more",
          spanOf(colon, text.size()));
    } else if (trimBlanks(after).empty()) {
      add(line, Severity::Warning,
          "the colon starts a frequency, and no number follows it: weft drops the whole line",
          "write a frequency after the colon, or leave the colon out", atColon);
    } else {
      add(line, Severity::Warning,
          "the colon starts a frequency, and " + check::quoted(after) +
              " does not start with a number above 0: weft drops the whole line",
          note, atColon);
    }
    return;
  }
  if (!rest.empty()) {
    add(line, Severity::Warning,
        "the colon starts a frequency: weft keeps " + check::quoted(entry) + " (frequency " +
            std::to_string(read.written) + ") and drops " +
            check::quoted(text.substr(colon).substr(0, 1 + after.size())),
        note, atColon);
    return;
  }
  // "at 10:30": digits on both sides, two behind the colon, read as a time.
  if (!leftDigits.empty() && end > 0 && trimBlanks(after.substr(0, end)).size() == 2 &&
      isDigit(after[0])) {
    add(line, Severity::Warning,
        "the colon starts a frequency: weft keeps " + check::quoted(entry) + " with frequency " +
            std::to_string(read.written),
        note, atColon);
    return;
  }
  if (!entry.empty() && isBlank(entry.back()) && !trimBlanks(entry).empty()) {
    const std::string_view words = trimBlanks(entry);
    add(line, Severity::Warning,
        "the blank before the frequency's colon stays part of the entry: weft keeps " +
            check::quoted(entry) + ", so where it stands in a line two blanks follow it",
        "write " + check::quoted(std::string(words) + ":" + std::string(trimBlanks(after))),
        spanOf(static_cast<std::size_t>(words.data() + words.size() - text.data()), colon, true));
  }
}

void LineTraps::checkDirective(const DataFile& file, Kind kind, std::uint64_t line,
                               std::string_view text, std::size_t argument, bool chdirFailed) {
  switch (kind) {
    case Kind::FileList:
      checkFileListStart(line, text, argument);
      break;
    case Kind::Title:
      checkTitle(line, text, argument);
      break;
    case Kind::Table:
      checkTableLine(line, text, argument);
      break;
    case Kind::ChangeDirectory:
      checkChangeDirectory(file, line, text, argument, chdirFailed);
      break;
    case Kind::NoKey:
      checkNoKey(line, text);
      break;
    default:
      break;
  }
}

void LineTraps::checkFileListStart(std::uint64_t line, std::string_view text,
                                   std::size_t argument) {
  listStartLine_ = line;
  listStart_ = std::string(text);
  listStartIsOdd_ = false;
  const std::string_view word = wordAt(text, argument, kDirectiveKeys[0].text.size());
  const char* meant = nullptr;
  switch (keyBesideFile(text)) {
    case Kind::Title:
      meant = "setting the title";
      break;
    case Kind::Table:
      meant = "choosing a table";
      break;
    case Kind::ChangeDirectory:
      meant = "changing the folder";
      break;
    default:
      break;
  }
  if (meant != nullptr) {
    listStartIsOdd_ = true;
    add(line, Severity::Warning,
        "this directive holds \"file\" (in " + check::quoted(word) +
            "), so it starts a file list instead of " + meant +
            ": every line below it, up to the next \"%\" line, names a data file",
        "reword it without \"file\" (any directive holding those four letters starts a file "
        "list)",
        spanOf(static_cast<std::size_t>(word.data() - text.data()),
               static_cast<std::size_t>(word.data() - text.data()) + word.size()));
  }
}

void LineTraps::checkTitle(std::uint64_t line, std::string_view text, std::size_t argument) {
  if (titleLine_ > 0) {
    add(line, Severity::Warning,
        "a second \"%title:\" replaces the title set at line " + std::to_string(titleLine_),
        "keep one \"%title:\" line in each file");
  }
  titleLine_ = line;
  if (argument < text.size() && isBlank(text[argument])) {
    add(line, Severity::Warning,
        "the blank after \"%title:\" is part of the title: weft shows " +
            check::quoted(text.substr(argument)) + ", without a capital",
        "write " + check::quoted("%title:" + std::string(trimBlanks(text.substr(argument)))),
        spanOf(argument,
               text.find_first_not_of(" \t", argument) == std::string_view::npos
                   ? text.size()
                   : text.find_first_not_of(" \t", argument),
               true));
  }
}

void LineTraps::checkTableLine(std::uint64_t line, std::string_view text, std::size_t argument) {
  const std::string_view number = text.substr(argument);
  if (decimalEnd(number) > 0 || trimBlanks(number).empty()) return;
  const std::size_t digit = number.find_first_of("0123456789");
  std::string note = "write \"%table N\" with N from 0 to 19 right after the key";
  Span span = spanOf(argument, text.size());
  if (digit != std::string_view::npos) {
    // "%table: 2" mends to "%table 2": what stands between the key and the
    // digits goes.
    std::size_t sign = digit;
    if (sign > 0 && number[sign - 1] == '-') --sign;
    span = spanOf(argument, argument + sign, true, " ");
    const std::int32_t meant = readDecimal(number.substr(digit));
    note = "write \"%table " + std::to_string(meant) + "\"";
    if (meant >= 0 && meant < TABLE_COUNT) {
      facts_->missedTable[static_cast<std::size_t>(meant)] =
          "the entries meant for it at line " + std::to_string(line) + " (" + check::quoted(text) +
          ") went to table 0: the number must follow \"%table\"";
    }
  }
  add(line, Severity::Warning,
      "no number follows \"%table\" in " + check::quoted(text) +
          ", so weft sends the entries below to table 0",
      note, std::move(span));
}

void LineTraps::checkChangeDirectory(const DataFile& file, std::uint64_t line,
                                     std::string_view text, std::size_t argument,
                                     bool chdirFailed) {
  const std::string_view directory = text.substr(argument);
  if (!chdirFailed) {
    lastDirectory_ = "the \"%chdir:\" at line " + std::to_string(line) +
                     " moved the folder names are looked for in to " + check::quoted(directory);
    return;
  }
  const bool moved = !lastDirectory_.empty();
  lastDirectory_ = "the \"%chdir:\" at line " + std::to_string(line) +
                   " failed, so names are looked for in the folder before it";
  std::string note;
  if (!directory.empty() && (isBlank(directory.front()) || isBlank(directory.back()))) {
    note = "the blanks are part of the folder's name: write " +
           check::quoted("%chdir:" + std::string(trimBlanks(directory)));
  } else if (file.parent() == nullptr && file.filename().find('/') != std::string::npos) {
    note = "a data file named with \"/\" is read from the starting folder: name it " +
           check::quoted(file.filename().substr(0, file.filename().rfind('/')) + "\\" +
                         file.filename().substr(file.filename().rfind('/') + 1)) +
           " so that weft reads it from inside its folder";
  } else if (moved) {
    note = "folders are taken from the working folder, which earlier \"%chdir:\" lines move";
  }
  add(line, Severity::Error,
      "can't change directory to " + check::quoted(directory) + "; weft ends the run", note,
      spanOf(argument, text.size()));
}

void LineTraps::checkNoKey(std::uint64_t line, std::string_view text) {
  if (inFileList_) return;  // it ends the file list, which is its use
  std::string note = "a directive holds one of \"%title:\", \"%table\", \"%chdir:\" or \"file\"";
  if (text.substr(0, 6) == "%title") note = "write \"%title:\" with its colon";
  if (text.substr(0, 6) == "%chdir") note = "write \"%chdir:\" with its colon";
  if (text.substr(0, 4) == "%tab") note = "write \"%table N\"";
  add(line, Severity::Warning,
      "weft does nothing with the directive " + check::quoted(text) + ": it holds no key", note);
}

void LineTraps::checkElementLine(std::uint64_t line, std::string_view text) {
  std::string printed(text);
  capitalizeWords(printed);
  if (text[0] == '#') {
    if (const SectionLine* meant = meantSection(text)) {
      facts_->sectionTypos.push_back(FileFacts::SectionTypo{line, std::string(text), meant->table});
      add(line, Severity::Warning,
          check::quoted(text) +
              " is not a section line (only exact lines such as \"#pre\" and \"#suf\" "
              "are), so weft reads it as a name and prints " +
              check::quoted(printed),
          "write " + check::quoted(meant->line) +
              " alone on its line, with nothing before or after it");
    } else {
      add(line, Severity::Warning,
          "an element file has no comments: " + check::quoted(text) + " is a name, printed " +
              check::quoted(printed),
          "leave the line out; keep notes about an element file in another file");
    }
    return;
  }
  if (text[0] == '%') {
    add(line, Severity::Warning,
        "an element file has no directives: " + check::quoted(text) + " is a name, printed " +
            check::quoted(printed),
        "leave the line out; an element file has no title, tables or file lists");
    return;
  }
  const std::size_t colon = text.rfind(':');
  if (colon != std::string_view::npos) {
    const std::string_view after = text.substr(colon + 1);
    const std::size_t end = decimalEnd(after);
    if (end > 0 && trimBlanks(after.substr(end)).empty()) {
      add(line, Severity::Warning,
          "an element file has no frequencies: " + check::quoted(text) + " is a name, printed " +
              check::quoted(printed),
          "write the line " + std::string(trimBlanks(after)) +
              " times to make it that much likelier");
    }
  }
}

std::string LineTraps::whyListed(std::string_view name) const {
  std::string why;
  // A name without a dot, or with blanks inside, looks like an entry that a
  // file list never ended took in.
  const std::string_view trimmed = trimBlanks(name);
  const bool looksLikeEntry = trimmed.find('.') == std::string_view::npos ||
                              trimmed.find_first_of(" \t") != std::string_view::npos;
  if (listStartLine_ > 0 && (listStartIsOdd_ || looksLikeEntry)) {
    why = "line " + std::to_string(listStartLine_) + " (" + check::quoted(listStart_) + ")";
    why +=
        listStartIsOdd_ ? " holds \"file\" and so started a file list" : " started the file list";
    why += ", which names a data file on every line up to the next \"%\" line";
  }
  const auto also = [&why](const std::string& more) { why += why.empty() ? more : "; " + more; };
  if (!name.empty() && isBlank(name.back())) {
    also("the name ends with a blank, which is part of it (a blank before a \"#\" comment too)");
  }
  if (const std::size_t colon = name.find(':'); colon != std::string_view::npos) {
    also("a file list has no frequencies: the colon and number are part of the name");
  }
  if (!lastDirectory_.empty()) also(lastDirectory_);
  return why;
}

}  // namespace weft::check
