#include "model/directive_traps.h"

#include <string>
#include <string_view>

#include "support/ascii.h"
#include "support/numbers.h"
#include "text/quoting.h"

namespace weft::check {

namespace {

using Kind = LoadObserver::LineKind;

// The key that would decide the directive `text` if "file" were no key.
Kind keyBesideFile(std::string_view text) {
  for (const DirectiveKey& key : kDirectiveKeys) {
    if (key.kind != Kind::FileList && text.find(key.text) != std::string_view::npos)
      return key.kind;
  }
  return Kind::NoKey;
}

// The word around `pos`: letters on both sides.
std::string_view wordAt(std::string_view text, std::size_t pos, std::size_t length) {
  std::size_t start = pos;
  std::size_t end = pos + length;
  while (start > 0 && isLetter(text[start - 1])) --start;
  while (end < text.size() && isLetter(text[end])) ++end;
  return text.substr(start, end - start);
}

}  // namespace

void DirectiveTraps::check(const DataFile& file, Kind kind, std::uint64_t line,
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

void DirectiveTraps::checkFileListStart(std::uint64_t line, std::string_view text,
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
    reading_.add(
        line, Severity::Warning,
        "this directive holds \"file\" (in " + check::quoted(word) +
            "), so it starts a file list instead of " + meant +
            ": every line below it, up to the next \"%\" line, names a data file",
        "reword it without \"file\" (any directive holding those four letters starts a file "
        "list)",
        reading_.spanOf(static_cast<std::size_t>(word.data() - text.data()),
                        static_cast<std::size_t>(word.data() - text.data()) + word.size()));
  }
}

void DirectiveTraps::checkTitle(std::uint64_t line, std::string_view text, std::size_t argument) {
  if (titleLine_ > 0) {
    reading_.add(
        line, Severity::Warning,
        "a second \"%title:\" replaces the title set at line " + std::to_string(titleLine_),
        "keep one \"%title:\" line in each file");
  }
  titleLine_ = line;
  if (argument < text.size() && isBlank(text[argument])) {
    reading_.add(
        line, Severity::Warning,
        "the blank after \"%title:\" is part of the title: weft shows " +
            check::quoted(text.substr(argument)) + ", without a capital",
        "write " + check::quoted("%title:" + std::string(trimBlanks(text.substr(argument)))),
        reading_.spanOf(argument,
                        text.find_first_not_of(" \t", argument) == std::string_view::npos
                            ? text.size()
                            : text.find_first_not_of(" \t", argument),
                        true));
  }
}

void DirectiveTraps::checkTableLine(std::uint64_t line, std::string_view text,
                                    std::size_t argument) {
  const std::string_view number = text.substr(argument);
  if (decimalEnd(number) > 0 || trimBlanks(number).empty()) return;
  const std::size_t digit = number.find_first_of("0123456789");
  std::string note = "write \"%table N\" with N from 0 to 19 right after the key";
  Span span = reading_.spanOf(argument, text.size());
  if (digit != std::string_view::npos) {
    // "%table: 2" mends to "%table 2": what stands between the key and the
    // digits goes.
    std::size_t sign = digit;
    if (sign > 0 && number[sign - 1] == '-') --sign;
    span = reading_.spanOf(argument, argument + sign, true, " ");
    const std::int32_t meant = readDecimal(number.substr(digit));
    note = "write \"%table " + std::to_string(meant) + "\"";
    if (meant >= 0 && meant < TABLE_COUNT) {
      facts_.missedTable[static_cast<std::size_t>(meant)] =
          "the entries meant for it at line " + std::to_string(line) + " (" + check::quoted(text) +
          ") went to table 0: the number must follow \"%table\"";
    }
  }
  reading_.add(line, Severity::Warning,
               "no number follows \"%table\" in " + check::quoted(text) +
                   ", so weft sends the entries below to table 0",
               note, std::move(span));
}

void DirectiveTraps::checkChangeDirectory(const DataFile& file, std::uint64_t line,
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
  reading_.add(line, Severity::Error,
               "can't change directory to " + check::quoted(directory) + "; weft ends the run",
               note, reading_.spanOf(argument, text.size()));
}

void DirectiveTraps::checkNoKey(std::uint64_t line, std::string_view text) {
  if (inFileList_) return;  // it ends the file list, which is its use
  std::string note = "a directive holds one of \"%title:\", \"%table\", \"%chdir:\" or \"file\"";
  if (text.substr(0, 6) == "%title") note = "write \"%title:\" with its colon";
  if (text.substr(0, 6) == "%chdir") note = "write \"%chdir:\" with its colon";
  if (text.substr(0, 4) == "%tab") note = "write \"%table N\"";
  reading_.add(line, Severity::Warning,
               "weft does nothing with the directive " + check::quoted(text) + ": it holds no key",
               note);
}

std::string DirectiveTraps::whyListed(std::string_view name) const {
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

void DirectiveTraps::lineRead(Kind kind) {
  if (kind == Kind::FileList) {
    inFileList_ = true;
  } else if (kind != Kind::FileListName && kind != Kind::Entry) {
    inFileList_ = false;
  }
}

}  // namespace weft::check
