#include "model/reference_checks.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "generate/dice.h"
#include "model/line_being_read.h"
#include "support/ascii.h"
#include "text/quoting.h"

namespace weft::check {

namespace {

std::string diceNote(std::string_view expression) {
  std::string_view text = expression;
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  // "3d6" without its sign and modifier.
  std::size_t i = 0;
  while (i < text.size() && isDigit(text[i])) ++i;
  const bool count = i > 0;
  if (i < text.size() && (text[i] == 'd' || text[i] == 'D')) {
    std::size_t j = i + 1;
    while (j < text.size() && (isDigit(text[j]) || text[j] == 'f' || text[j] == 'F')) ++j;
    if (count && j == text.size() && j > i + 1) {
      return "the sign and the number after it are required: write (random " + std::string(text) +
             "+0)";
    }
    if (!count) {
      return "the number of dice is required: write (random 1" + std::string(text) + ")";
    }
  }
  return "write (random NdS+M) or (random NdS-M), such as (random 3d6+0), or (random NdF+M) "
         "for Fudge dice, with no blank before the \"d\" or the sign";
}

// Whether the text behind "table" in a table reference starts with a number.
bool hasTableNumber(std::string_view after) {
  while (!after.empty() && (after.front() == ' ' || after.front() == '\t')) after.remove_prefix(1);
  return !after.empty() &&
         (isDigit(after.front()) || ((after.front() == '+' || after.front() == '-') &&
                                     after.size() > 1 && isDigit(after[1])));
}

// Dice that can show only one total: no dice, dice of one side or of none.
void checkFixedRoll(AnalysedFile& file, const CheckedEntry& entry, const ResolvedReference& r,
                    const DiceParts& parts) {
  std::string why;
  std::uint32_t total = 0;
  if (parts.count <= 0) {
    why = "no dice are rolled, so only the modifier counts";
  } else if (parts.sides == 0) {
    why = "a die of no sides always shows 0";
  } else if (parts.sides == 1) {
    why = "a die of one side always shows 1";
    total = static_cast<std::uint32_t>(parts.count);
  } else {
    return;
  }
  const auto m = static_cast<std::uint32_t>(parts.modifier);
  total = parts.positive ? total + m : total - m;
  const std::string value = std::to_string(static_cast<std::int32_t>(total));
  file.add(entry.line, Severity::Warning,
           shown(r.reference) + " always rolls " + value + ": " + why,
           "write " + value +
               " in place of the reference, or give the dice sides, such as "
               "(random 1d6+0)");
}

// A dice expression that does not read, or text after its modifier.
void checkDice(AnalysedFile& file, const CheckedEntry& entry, const ResolvedReference& r) {
  const std::string_view inner = r.reference.inner;
  const std::string_view expression = r.reference.target.dice;
  DiceParts parts{};
  const bool listed = file.listedFile(inner) != nullptr;
  if (!readDiceExpression(expression, parts)) {
    file.add(entry.line, Severity::Warning,
             "dice expression \"" + std::string(expression) +
                 "\" does not read (it needs the form 3d6+1 or 4df+0); weft writes \"Didn't "
                 "grok\" and rolls 0",
             listed
                 ? "a reference holding \"random\" is always a dice roll, so the listed file \"" +
                       std::string(inner) + "\" can never be referred to: rename it"
                 : diceNote(expression));
    return;
  }
  checkFixedRoll(file, entry, r, parts);
  // Whatever follows the modifier's digits is ignored.
  std::string_view rest = expression.substr(parts.end);
  while (!rest.empty() && isSpace(rest.front())) rest.remove_prefix(1);
  while (!rest.empty() && isSpace(rest.back())) rest.remove_suffix(1);
  if (!rest.empty()) {
    file.add(entry.line, Severity::Warning,
             "the text after the dice expression in " + shown(r.reference) +
                 " is ignored: weft prints only the total, without \"" + std::string(rest) + "\"",
             "move it out of the parentheses: (random" +
                 std::string(expression.substr(0, parts.end)) + ") " + std::string(rest));
  }
}

void checkEmptyTable(AnalysedFile& file, const CheckedEntry& entry, const ResolvedReference& r) {
  const std::string name = shown(r.reference);
  if (entry.builtIn) return;  // reported as a missing section
  const int table = r.reference.target.table;
  const std::string& why = file.facts().missedTable[static_cast<std::size_t>(table)];
  file.add(entry.line, Severity::Error,
           "reference " + name + " names table " + std::to_string(table) +
               ", which is empty; weft ends the run when it meets it",
           why.empty() ? "give table " + std::to_string(table) + " entries after a \"%table " +
                             std::to_string(table) + "\" line, or refer to a table that has some"
                       : "table " + std::to_string(table) + " is empty because " + why);
}

// Returns the edit distance of `a` and `b`, both short.
std::size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// Returns the table reference that a name such as "tabel1" or "tabl 2" seems
// to mean, such as "(table1)", or an empty text.
std::string meantTable(std::string_view inner) {
  std::size_t digits = inner.size();
  while (digits > 0 && isDigit(inner[digits - 1])) --digits;
  const std::string_view word = trimBlanks(inner.substr(0, digits));
  const std::string_view number = inner.substr(digits);
  if (number.empty() || number.size() > 2 || word.size() < 3 || word.size() > 7 ||
      !std::all_of(word.begin(), word.end(), isLetter) || editDistance(word, "table") > 2) {
    return {};
  }
  const int table = (number[0] - '0') * (number.size() == 2 ? 10 : 1) +
                    (number.size() == 2 ? number[1] - '0' : 0);
  if (table >= TABLE_COUNT) return {};
  return "(table" + std::to_string(table) + ")";
}

// "owners.dat": a name with no blank and a dot before its last letters.
bool looksLikeFileName(std::string_view inner) {
  const std::size_t dot = inner.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || dot + 1 == inner.size()) return false;
  if (inner.find_first_of(" \t") != std::string_view::npos) return false;
  const std::string_view extension = inner.substr(dot + 1);
  return std::all_of(extension.begin(), extension.end(), isLetter);
}

// A name that matches no listed file of this file.
void checkNoFile(AnalysedFile& file, const CheckedEntry& entry, const ResolvedReference& r) {
  const std::string name = shown(r.reference);
  constexpr const char* kRepeats =
      "weft puts in its place what the reference before it in the line was replaced with, or "
      "nothing";
  if (file.listedFile(r.reference.inner) != nullptr) {
    file.add(entry.line, Severity::Warning,
             "reference " + name +
                 " names a file listed by a listed file, which never resolves; it repeats the "
                 "previous replacement",
             "list the file in the data file named on the command line, or keep file lists one "
             "level deep");
  } else {
    const std::string meant = meantTable(r.reference.inner);
    if (!meant.empty()) {
      Span span = file.spanOf(entry, r.reference);
      span.hasFix = span.endColumn > 0;
      span.fix = meant;
      file.pointAt(span);
    }
    std::string note =
        std::string(kRepeats) +
        ": any \"(\" followed by a \")\" is a reference, so leave parentheses out of "
        "ordinary text (use commas)";
    if (!meant.empty()) {
      note = "did you mean " + meant + "? " + note;
    } else if (looksLikeFileName(r.reference.inner) && file.file().parent() == nullptr) {
      note = "list the file: put a line \"%files\" above the entries, and under it the line " +
             check::quoted(r.reference.inner) + "; a reference names only a file listed so";
    }
    file.add(entry.line, Severity::Warning,
             "reference " + name + " matches no listed file; it repeats the previous replacement",
             note);
  }
}

// "(table one)" or "(tables)": no number right after "table" reads as 0.
void checkTableNumber(AnalysedFile& file, const CheckedEntry& entry, const ResolvedReference& r) {
  const std::string_view after = trimBlanks(r.reference.target.number);
  if (after.empty() || hasTableNumber(after)) return;
  file.add(entry.line, Severity::Warning,
           "reference " + shown(r.reference) +
               " has no number right after \"table\", so it names table 0",
           "write the number right after the word, such as (table1)");
}

// What weft puts in place of a reference of `outcome`.
std::string whatWeftPrints(const ResolvedReference& r) {
  const std::string table = std::to_string(r.reference.target.table);
  switch (r.outcome) {
    case ReferenceOutcome::Dice: {
      DiceParts parts{};
      if (!readDiceExpression(r.reference.target.dice, parts)) {
        return "writes \"Didn't grok\" and puts 0 in its place";
      }
      return "puts the total of a roll in its place";
    }
    case ReferenceOutcome::Table:
      return "puts an entry of table " + table + " in its place";
    case ReferenceOutcome::EmptyTable:
      return "ends the run, since table " + table + " is empty";
    default:
      return "puts in its place what the reference before it in the line was replaced with";
  }
}

// "(a stable door)", "(tables and chairs)", "(randomly)": weft's search for
// "random" or "table" finds it inside another word, or among ordinary words
// that do not make a reference of that kind.
void checkKeywordInside(AnalysedFile& file, const CheckedEntry& entry, const ResolvedReference& r) {
  const std::string_view inner = r.reference.inner;
  const bool dice = r.reference.target.kind == ReferenceTarget::Kind::Dice;
  if (!dice && r.reference.target.kind != ReferenceTarget::Kind::Table) return;
  const std::string_view keyword = dice ? "random" : "table";
  const std::size_t at = inner.find(keyword);
  if (at == std::string_view::npos) return;
  std::size_t begin = at;
  std::size_t end = at + keyword.size();
  while (begin > 0 && isLetter(inner[begin - 1])) --begin;
  while (end < inner.size() && isLetter(inner[end])) ++end;
  const bool glued = end - begin > keyword.size();
  const bool leads = trimBlanks(inner.substr(0, at)).empty();
  DiceParts parts{};
  const bool works = dice ? readDiceExpression(r.reference.target.dice, parts)
                          : hasTableNumber(r.reference.target.number);
  if (!glued && (leads || works)) return;
  const std::string_view word = inner.substr(begin, end - begin);
  const std::string why =
      glued ? "because " + check::quoted(word) + " holds " + check::quoted(keyword)
            : "because it holds the word " + check::quoted(keyword);
  file.add(entry.line, Severity::Warning,
           "weft takes " + shown(r.reference) + " for a " +
               (dice ? "dice roll" : "table reference") + ", " + why + ": it " + whatWeftPrints(r),
           "if this is ordinary text, take the parentheses out (" +
               check::quoted(trimBlanks(inner)) + "); if it is a reference, write it plainly, " +
               (dice ? "such as (random 1d6+0)" : "such as (table1)"));
}

void checkOutcome(AnalysedFile& file, const CheckedEntry& entry, const ResolvedReference& r) {
  checkKeywordInside(file, entry, r);
  switch (r.outcome) {
    case ReferenceOutcome::Dice:
      checkDice(file, entry, r);
      break;
    case ReferenceOutcome::EmptyTable:
      checkEmptyTable(file, entry, r);
      break;
    case ReferenceOutcome::OutOfRange:
      file.add(entry.line, Severity::Warning,
               "reference " + shown(r.reference) +
                   " names a table outside 0 to 19; it repeats the previous replacement",
               "weft writes \"Invalid table referenced\" and puts in its place what the reference "
               "before it in the line was replaced with, or nothing");
      break;
    case ReferenceOutcome::NoFile:
      checkNoFile(file, entry, r);
      break;
    case ReferenceOutcome::Table:
      checkTableNumber(file, entry, r);
      break;
    case ReferenceOutcome::File:
      break;
  }
}

}  // namespace

void checkReferences(AnalysedFile& file) {
  for (int t = 0; t < TABLE_COUNT; ++t) {
    for (const CheckedEntry& entry : file.entries(t)) {
      for (const ResolvedReference& r : entry.references) {
        file.pointAt(file.spanOf(entry, r.reference));
        checkOutcome(file, entry, r);
        file.pointAt({});
      }
    }
  }
}

}  // namespace weft::check
