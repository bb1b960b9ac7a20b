#include "model/entry_traps.h"

#include <algorithm>
#include <string>

#include "generate/case_rules.h"
#include "support/ascii.h"
#include "support/numbers.h"
#include "text/quoting.h"

namespace weft::check {

namespace {

// The run of digits that ends at `end` (exclusive) in `text`.
std::string_view digitsBefore(std::string_view text, std::size_t end) {
  std::size_t start = end;
  while (start > 0 && isDigit(text[start - 1])) --start;
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

// A "#" that cuts a number sign out of the text: "room #4 is locked".
void checkNumberSign(LineBeingRead& reading) {
  if (reading.pieces().empty()) return;
  const LineBeingRead::Piece& first = reading.pieces().front();
  const std::string_view raw = first.text;
  const std::size_t hash = first.kept;
  if (hash < raw.size() && hash + 1 < raw.size() && isDigit(raw[hash + 1]) &&
      !trimBlanks(raw.substr(0, hash)).empty()) {
    std::size_t digits = hash + 1;
    while (digits < raw.size() && isDigit(raw[digits])) ++digits;
    reading.add(
        first.line, Severity::Warning,
        "the \"#\" starts a comment, so weft keeps only " + check::quoted(raw.substr(0, hash)) +
            " of this line",
        "write \"number " + std::string(raw.substr(hash + 1, digits - hash - 1)) +
            "\" or the number in words: an entry cannot hold a \"#\"",
        Span{static_cast<std::uint32_t>(hash), static_cast<std::uint32_t>(digits), false, {}});
  }
}

// What the colon of an entry line does to it, with the note and the mend the
// findings about it carry.
struct ColonReading {
  std::size_t colon;
  std::string_view after;       // the text behind the colon
  std::string_view entry;       // the entry weft keeps
  std::size_t end;              // the end of the number behind the colon, in `after`
  std::string_view rest;        // what follows that number, blanks trimmed
  std::string_view leftDigits;  // the digits just before the colon
  bool time = false;            // "12:00", "10:30": hours and minutes
  std::string note;
  Span atColon;  // the colon, mended
};

ColonReading readColon(const LineBeingRead& reading, std::string_view text,
                       const ClassifiedLine& read) {
  ColonReading c;
  c.colon = read.colon;
  c.after = text.substr(c.colon + 1);
  c.entry = read.text(text);
  c.end = decimalEnd(c.after);
  c.rest = trimBlanks(c.after.substr(c.end));
  c.leftDigits = digitsBefore(text, c.colon);
  const bool digitsAround = !c.leftDigits.empty() && c.end > 0;
  c.note = "an entry cannot hold a colon: leave it out or write the words";
  const std::string_view minutes = c.after.substr(0, std::min<std::size_t>(c.end, 2));
  c.time = digitsAround && c.leftDigits.size() <= 2 && c.end == 2 && isDigit(c.after[0]) &&
           readDecimal(c.leftDigits) <= 24 && readDecimal(minutes) <= 59;
  if (c.time) {
    std::string written(c.leftDigits);
    written += '.';
    written.append(minutes);
    c.note = "an entry cannot hold a colon: write the time as " + check::quoted(written) +
             ", or in words";
  } else if (digitsAround) {
    const std::string_view rightDigits = trimBlanks(c.after.substr(0, c.end));
    c.note = "an entry cannot hold a colon: write \"" + std::string(c.leftDigits) + " to " +
             std::string(rightDigits) + "\", or leave the colon out";
  }
  // The mend of a colon inside the text: "3:1" becomes "3 to 1"; elsewhere
  // the colon goes, leaving a blank between words.
  std::string mend(c.time ? "." : " to ");
  if (!digitsAround) {
    const bool blankBeside =
        c.after.empty() || isBlank(c.after.front()) || c.colon == 0 || isBlank(text[c.colon - 1]);
    mend.assign(blankBeside ? 0 : 1, ' ');
  }
  c.atColon = reading.spanOf(c.colon, c.colon + 1, true, mend);
  return c;
}

// An entry line dropped for the frequency its colon starts.
void checkDroppedFrequency(LineBeingRead& reading, std::uint64_t line, std::string_view text,
                           const ColonReading& c) {
  if (c.time && c.rest.empty()) {
    reading.add(
        line, Severity::Warning,
        "the colon of the time " +
            check::quoted(text.substr(c.colon - c.leftDigits.size(), c.leftDigits.size() + 3)) +
            " starts a frequency, and " + check::quoted(c.after.substr(0, 2)) +
            " reads as 0: weft drops the whole line",
        c.note, c.atColon);
  } else if (c.end > 0 && c.rest.empty()) {
    reading.add(line, Severity::Warning, "frequency below 1; the entry is dropped",
                "a frequency of 0 or less drops the line; leave the line out, or give it 1 or more",
                reading.spanOf(c.colon, text.size()));
  } else if (trimBlanks(c.after).empty()) {
    reading.add(line, Severity::Warning,
                "the colon starts a frequency, and no number follows it: weft drops the whole line",
                "write a frequency after the colon, or leave the colon out", c.atColon);
  } else {
    reading.add(line, Severity::Warning,
                "the colon starts a frequency, and " + check::quoted(c.after) +
                    " does not start with a number above 0: weft drops the whole line",
                c.note, c.atColon);
  }
}

// An entry line kept with the frequency its colon starts.
void checkKeptFrequency(LineBeingRead& reading, std::uint64_t line, std::string_view text,
                        const ClassifiedLine& read, const ColonReading& c) {
  if (!c.rest.empty()) {
    reading.add(line, Severity::Warning,
                "the colon starts a frequency: weft keeps " + check::quoted(c.entry) +
                    " (frequency " + std::to_string(read.written) + ") and drops " +
                    check::quoted(text.substr(c.colon).substr(0, 1 + c.after.size())),
                c.note, c.atColon);
    return;
  }
  // "at 10:30", "the odds are 3:1": digits on both sides, a time or a ratio;
  // "20 by 30:2" is a frequency.
  if (!c.leftDigits.empty() && c.end > 0 && isDigit(c.after[0]) &&
      (c.end == 2 || read.written == 1)) {
    const std::string what = c.time ? "the colon of the time " +
                                          check::quoted(text.substr(c.colon - c.leftDigits.size(),
                                                                    c.leftDigits.size() + 3)) +
                                          " starts a frequency"
                                    : "the colon starts a frequency";
    reading.add(line, Severity::Warning,
                what + ": weft keeps " + check::quoted(c.entry) + " with frequency " +
                    std::to_string(read.written),
                c.note, c.atColon);
    return;
  }
  if (!c.entry.empty() && isBlank(c.entry.back()) && !trimBlanks(c.entry).empty()) {
    const std::string_view words = trimBlanks(c.entry);
    reading.add(
        line, Severity::Warning,
        "the blank before the frequency's colon stays part of the entry: weft keeps " +
            check::quoted(c.entry) + ", so where it stands in a line two blanks follow it",
        "write " + check::quoted(std::string(words) + ":" + std::string(trimBlanks(c.after))),
        reading.spanOf(static_cast<std::size_t>(words.data() + words.size() - text.data()), c.colon,
                       true));
  }
}

// "table 2" as an entry line: the "%" of "%table 2" left out.
void checkMissingPercent(LineBeingRead& reading, std::uint64_t line, std::string_view text,
                         const ClassifiedLine& read) {
  const std::string_view entry = trimBlanks(text.substr(read.begin));
  if (entry.substr(0, 5) != "table" || read.colon != std::string_view::npos) return;
  const std::string_view number = trimBlanks(entry.substr(5));
  if (number.empty() || !std::all_of(number.begin(), number.end(), isDigit)) return;
  std::string directive(1, '%');
  directive.append(entry);
  reading.add(line, Severity::Warning,
              check::quoted(entry) +
                  " is an entry line, not a directive: weft prints it as a line of the table "
                  "before it, and the entries below it stay in that table",
              "did you mean " + check::quoted(directive) + "? a directive starts with \"%\"",
              reading.spanOf(read.begin, read.begin + 5, read.begin == 0, "%table"));
}

}  // namespace

void checkEntryLine(LineBeingRead& reading, std::uint64_t line, std::string_view text,
                    const ClassifiedLine& read, bool dropped) {
  const std::size_t start = read.begin;
  if (start < text.size() && start > 0 && text[start] == '%') {
    reading.add(line, Severity::Warning,
                "a directive must start in the first column: after the blank, this " +
                    check::quoted(trimBlanks(text.substr(start))) + " is an entry line" +
                    (dropped ? " (dropped for its colon)" : ""),
                "remove the blanks before \"%\"", reading.spanOf(0, start, true));
    return;
  }
  // An indented comment leaves the blanks before it: an entry of blanks.
  const std::vector<LineBeingRead::Piece>& pieces = reading.pieces();
  if (start == text.size() && !pieces.empty() && pieces.front().kept < pieces.front().text.size()) {
    reading.add(line, Severity::Warning,
                "the blanks before the \"#\" stay, so this comment line is an entry of blanks, "
                "which ends weft's run (\"Zero length string\") when it is picked",
                "start the comment in the first column", reading.spanOf(0, pieces.front().kept));
    return;
  }
  checkNumberSign(reading);
  checkMissingPercent(reading, line, text, read);
  if (read.colon == std::string_view::npos) return;
  const ColonReading colon = readColon(reading, text, read);
  if (dropped) {
    checkDroppedFrequency(reading, line, text, colon);
  } else {
    checkKeptFrequency(reading, line, text, read, colon);
  }
}

void checkElementLine(LineBeingRead& reading, FileFacts& facts, std::uint64_t line,
                      std::string_view text) {
  std::string printed(text);
  capitalizeWords(printed);
  if (text[0] == '#') {
    if (const SectionLine* meant = meantSection(text)) {
      facts.sectionTypos.push_back(FileFacts::SectionTypo{line, std::string(text), meant->table});
      reading.add(line, Severity::Warning,
                  check::quoted(text) +
                      " is not a section line (only exact lines such as \"#pre\" and \"#suf\" "
                      "are), so weft reads it as a name and prints " +
                      check::quoted(printed),
                  "write " + check::quoted(meant->line) +
                      " alone on its line, with nothing before or after it");
    } else {
      reading.add(line, Severity::Warning,
                  "an element file has no comments: " + check::quoted(text) +
                      " is a name, printed " + check::quoted(printed),
                  "leave the line out; keep notes about an element file in another file");
    }
    return;
  }
  if (text[0] == '%') {
    reading.add(line, Severity::Warning,
                "an element file has no directives: " + check::quoted(text) +
                    " is a name, printed " + check::quoted(printed),
                "leave the line out; an element file has no title, tables or file lists");
    return;
  }
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos) return;
  const std::string_view after = text.substr(colon + 1);
  const std::size_t end = decimalEnd(after);
  if (end > 0 && trimBlanks(after.substr(end)).empty()) {
    reading.add(line, Severity::Warning,
                "an element file has no frequencies: " + check::quoted(text) +
                    " is a name, printed " + check::quoted(printed),
                "write the line " + std::string(trimBlanks(after)) +
                    " times to make it that much likelier");
  }
}

}  // namespace weft::check
