// Unit tests of weft-check's analysis and odds. The whole program is tested
// through the corpus under tests/check/cases and cli.t.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "checker/checker.h"
#include "datafile/data_file.h"
#include "datafile/load_observer.h"
#include "generate/generation_observer.h"
#include "model/parsed_entry.h"
#include "model/report.h"
#include "model/tied_rolls.h"
#include "odds/draws.h"
#include "odds/sampling.h"
#include "odds/stats.h"
#include "odds/variety_estimate.h"
#include "output/json_text.h"
#include "output/odds_text.h"
#include "output/report_text.h"
#include "support/file_system.h"
#include "testing/test_support.h"

namespace weft::check {
namespace {

using weft::testing::ScratchDir;
using weft::testing::writeFile;

// Loads `name` as weft does, with `observer`.
DataFile load(const std::string& name, LoadObserver* observer = nullptr) {
  weft::testing::TestEngine test;
  test.engine.loadObserver = observer;
  return DataFile(test.engine, name, nullptr);
}

// Writes `content` to `name` and checks it as weft-check does: one line per
// diagnostic, without its note (the cases under tests/check/cases show the
// notes), then the bytes it points at, " [column,end)", and its mend,
// " -> \"fix\"".
std::vector<std::string> check(const std::string& content, const std::string& name = "main.dat") {
  writeFile(name, content);
  weft::testing::TestEngine test;
  std::vector<std::string> result;
  for (Diagnostic d : checkDataFile(test.engine, name, false).diagnostics) {
    d.note.clear();
    std::string line = formatDiagnostic(d);
    if (d.endColumn > 0) {
      line += " [" + std::to_string(d.column) + "," + std::to_string(d.endColumn) + ")";
    }
    if (d.hasFix) line += " -> \"" + d.fix + "\"";
    result.push_back(line);
  }
  return result;
}

TEST(ReportTest, SortsByFileAndLineAndDropsRepeats) {
  Report report;
  EXPECT_EQ(0, report.status());
  report.add("b.dat", 2, Severity::Warning, "w");
  report.add("a.dat", 10, Severity::Error, "e");
  report.add("a.dat", 9, Severity::Warning, "line\nbreak");
  report.add("b.dat", 2, Severity::Warning, "w");  // the same file loaded twice
  report.add("a.dat", 0, Severity::Warning, "whole file");
  std::vector<std::string> lines;
  for (const Diagnostic& d : report.sorted()) lines.push_back(formatDiagnostic(d));
  EXPECT_EQ(
      (std::vector<std::string>{"a.dat: warning: whole file", "a.dat:9: warning: line\\x0Abreak",
                                "a.dat:10: error: e", "b.dat:2: warning: w"}),
      lines);
  EXPECT_EQ("1 error, 3 warnings in 2 files", formatSummary(report.sorted(), 2));
  EXPECT_EQ(2, report.status());
}

TEST(JsonTest, KeepsValidUtf8AndWritesEveryOtherByteAsItsNumber) {
  const struct {
    std::string bytes, json;
  } cases[] = {
      {"caf\xc3\xa9 \xe2\x82\xbf", "\"caf\xc3\xa9 \xe2\x82\xbf\""},  // continuation bytes to 0xBF
      {"\xe2\x82\xc0", "\"\\u00e2\\u0082\\u00c0\""},                 // 0xC0 continues nothing
      {"\xe2\x82\x7f", "\"\\u00e2\\u0082\\u007f\""},
      {"\xe0\x9f\xbf \xed\xa0\x80 \xf4\x90\x80\x80",  // overlong, surrogate, above U+10FFFF
       "\"\\u00e0\\u009f\\u00bf \\u00ed\\u00a0\\u0080 \\u00f4\\u0090\\u0080\\u0080\""},
      {"\xf4\x8f\xbc\x80\xf4\x8f\xbf\xbf", "\"\xf4\x8f\xbc\x80\xf4\x8f\xbf\xbf\""},
      {std::string("\"\\\n\t\r\b\f\x7f\x01\0", 10),
       "\"\\\"\\\\\\n\\t\\r\\u0008\\u000c\\u007f\\u0001\\u0000\""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.json, jsonString(c.bytes)) << c.bytes;
}

TEST(DrawsOfPositionsTest, CountsTheDrawsThatPickEachPosition) {
  struct Case {
    std::uint64_t size, first, end, draws;
  } cases[] = {
      {1, 0, 1, 32768},         {4, 0, 1, 8192},          {4, 1, 4, 24576},
      {5, 0, 1, 6554},          {5, 4, 5, 6553},          {3, 0, 3, 32768},
      {40000, 0, 1, 1},         {40000, 32767, 32768, 1}, {40000, 32768, 40000, 0},
      {32768, 0, 32768, 32768},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.draws, drawsOfPositions(c.size, c.first, c.end))
        << c.size << " [" << c.first << ", " << c.end << ")";
  }
}

TEST(ParseEntryTest, SplitsReferencesAsGenerationWalksThem) {
  struct Case {
    const char* entry;
    std::vector<std::string> inners;
    bool hasText;
    bool unmatchedOpen;
  } cases[] = {
      {"a (table1) b", {"table1"}, true, false},
      {"(x)(y)", {"x", "y"}, false, false},
      {"a (b (c) d) e", {"b (c"}, true, false},
      {"a (b", {}, true, true},
      {"a)(b", {}, true, true},
      {"()", {""}, false, false},
      {"", {}, false, false},
  };
  for (const Case& c : cases) {
    const ParsedEntry parsed = parseEntry(c.entry);
    std::vector<std::string> inners;
    for (const Reference& r : parsed.references) inners.emplace_back(r.inner);
    EXPECT_EQ(c.inners, inners) << c.entry;
    EXPECT_EQ(c.hasText, parsed.hasText) << c.entry;
    EXPECT_EQ(c.unmatchedOpen, parsed.unmatchedOpen) << c.entry;
  }
}

TEST(ParseEntryTest, TellsTheKindOfEachReference) {
  const ParsedEntry parsed = parseEntry("(table 2)(random 3d6+1 table)(my table-1)(names.dat)");
  ASSERT_EQ(4u, parsed.references.size());
  EXPECT_EQ(ReferenceTarget::Kind::Table, parsed.references[0].target.kind);
  EXPECT_EQ(2, parsed.references[0].target.table);
  EXPECT_EQ(ReferenceTarget::Kind::Dice, parsed.references[1].target.kind);
  EXPECT_EQ(-1, parsed.references[2].target.table);
  EXPECT_EQ(ReferenceTarget::Kind::Name, parsed.references[3].target.kind);
}

TEST(AnalyzeTest, AnUnresolvedReferenceRepeatsTheLastReplacement) {
  ScratchDir dir;
  // "(note)" repeats "x": the line is never empty and ends.
  EXPECT_EQ(
      std::vector<std::string>{"main.dat:1: warning: reference (note) matches no listed file; it "
                               "repeats the previous replacement [8,14)"},
      check("(table1)(note)\n%table 1\nx\n"));
}

TEST(AnalyzeTest, AFirstUnresolvedReferenceEndsOnlyWhenPickedDirectly) {
  ScratchDir dir;
  // Picked from table 0 it yields nothing; brought in by (table0) it repeats
  // itself for ever.
  EXPECT_EQ(
      (std::vector<std::string>{
          "main.dat:2: warning: reference (note) matches no listed file; it repeats the previous "
          "replacement [0,6)",
          "main.dat:2: error: expansion can never end when a table reference brings this entry in: "
          "its first reference (note) does not resolve, so it repeats the entry itself [0,6)"}),
      check("x\n(note) (table0)\n"));
}

TEST(AnalyzeTest, TextBehindADiceExpressionIsIgnoredEvenWhenItEndsInDigits) {
  ScratchDir dir;
  const std::string ignored = "main.dat:1: warning: the text after the dice expression in ";
  const std::string total = " is ignored: weft prints only the total, without ";
  EXPECT_EQ((std::vector<std::string>{ignored + "(random 3d6+1 x2)" + total + "\"x2\" [0,17)",
                                      "main.dat:2" + ignored.substr(10) + "(random 1d6+0gold)" +
                                          total + "\"gold\" [2,20)"}),
            check("(random 3d6+1 x2)\na (random 1d6+0gold)\n(random 2d4-1 )\n"));
}

TEST(AnalyzeTest, ATableNumberOutOfRangeEitherWayRepeats) {
  ScratchDir dir;
  const std::string repeats = " names a table outside 0 to 19; it repeats the previous replacement";
  EXPECT_EQ(
      (std::vector<std::string>{"main.dat:1: warning: reference (table-1)" + repeats + " [2,11)",
                                "main.dat:1: warning: reference (table20)" + repeats + " [12,21)"}),
      check("x (table-1) (table20)\n"));
}

TEST(AnalyzeTest, ACycleWithAWayOutIsFine) {
  ScratchDir dir;
  EXPECT_EQ(std::vector<std::string>{}, check("(table1)\n%table 1\nmore (table1)\nend\n"));
  const std::string endless =
      ": error: expansion can never end: every entry of table 1 leads into a reference that never "
      "ends";
  EXPECT_EQ((std::vector<std::string>{"main.dat:1" + endless + " [0,8)",
                                      "main.dat:3" + endless + " [5,13)"}),
            check("(table1)\n%table 1\nmore (table1)\n"));
}

TEST(AnalyzeTest, EmptinessFollowsTables) {
  ScratchDir dir;
  EXPECT_EQ(
      std::vector<std::string>{"main.dat:1: error: entry can expand to an empty line; weft ends "
                               "the run then (\"Zero length string\")"},
      check("(table1)(table2)\n%table 1\nx\n \n%table 2\n(table1)\n"));
  EXPECT_EQ(std::vector<std::string>{},
            check("(table1)(table2)\n%table 1\n \n%table 2\n(random 1d6+0)\n"));
}

// Each trap and fault, with the bytes it points at and its mend.
TEST(CheckTest, FindsEachTrapWhereItStands) {
  ScratchDir dir;
  const struct {
    const char *name, *content;
    std::vector<std::string> found;
  } cases[] = {
      {"main.dat",
       " %title: x\n",
       {"main.dat:1: warning: a directive must start in the first column: after the blank, this "
        "\"%title: x\" is an entry line (dropped for its colon) [0,1) -> \"\""}},
      {"main.dat",
       "a\n  # note\n",
       {"main.dat:2: warning: the blanks before the \"#\" stay, so this comment line is an entry "
        "of blanks, which ends weft's run (\"Zero length string\") when it is picked [0,2)",
        "main.dat:2: error: empty entry; weft ends the run when it picks it (\"Zero length "
        "string\")"}},
      {"main.dat",
       "room #4 is locked\n",
       {"main.dat:1: warning: the \"#\" starts a comment, so weft keeps only \"room \" of this "
        "line [5,7)"}},
      {"main.dat",
       "a:0\nb\n",
       {"main.dat:1: warning: frequency below 1; the entry is dropped [1,3)"}},
      {"main.dat",
       "a:\nb\n",
       {"main.dat:1: warning: the colon starts a frequency, and no number follows it: weft drops "
        "the whole line [1,2) -> \"\""}},
      {"main.dat",
       "x:abc\nb\n",
       {"main.dat:1: warning: the colon starts a frequency, and \"abc\" does not start with a "
        "number above 0: weft drops the whole line [1,2) -> \" \""}},
      {"main.dat",
       "ratio 3:1 odds\n",
       {"main.dat:1: warning: the colon starts a frequency: weft keeps \"ratio 3\" (frequency 1) "
        "and drops \":1 odds\" [7,8) -> \" to \""}},
      {"main.dat",
       "at 10:30\n",
       {"main.dat:1: warning: the colon of the time \"10:30\" starts a frequency: weft keeps \"at "
        "10\" with frequency 30 [5,6) -> \".\""}},
      {"main.dat",
       "meet at 12:00\nthe odds are 3:1\nroom 20 by 30:2\n",
       {"main.dat:1: warning: the colon of the time \"12:00\" starts a frequency, and \"00\" reads "
        "as "
        "0: weft drops the whole line [10,11) -> \".\"",
        "main.dat:2: warning: the colon starts a frequency: weft keeps \"the odds are 3\" with "
        "frequency 1 [14,15) -> \" to \""}},
      {"main.dat",
       "x\ntable 2\n#pre\n",
       {"main.dat:2: warning: \"table 2\" is an entry line, not a directive: weft prints it as a "
        "line of the table before it, and the entries below it stay in that table [0,5) -> "
        "\"%table\"",
        "main.dat:3: warning: \"#pre\" is a comment here: only a file whose name holds \".ele\" "
        "has "
        "sections, so the lines below it stay whole entries of the table before it"}},
      {"main.dat",
       "(random 3d1+2) (random 0d6+4)\nx (tabel1)\n%table 1\nx\n",
       {"main.dat:1: warning: (random 3d1+2) always rolls 5: a die of one side always shows 1 "
        "[0,14)",
        "main.dat:1: warning: (random 0d6+4) always rolls 4: no dice are rolled, so only the "
        "modifier counts [15,29)",
        "main.dat:2: warning: reference (tabel1) matches no listed file; it repeats the previous "
        "replacement [2,10) -> \"(table1)\"",
        "main.dat:4: warning: table 1 is never used: no reference from table 0 leads to it"}},
      {"main.dat",
       "a :2\n",
       {"main.dat:1: warning: the blank before the frequency's colon stays part of the entry: weft "
        "keeps \"a \", so where it stands in a line two blanks follow it [1,2) -> \"\""}},
      {"main.dat",
       "%title: x\n%title:y\nz\n",
       {"main.dat:1: warning: the blank after \"%title:\" is part of the title: weft shows \" x\", "
        "without a capital [7,8) -> \"\"",
        "main.dat:2: warning: a second \"%title:\" replaces the title set at line 1"}},
      {"main.dat",
       "%table: 2\nx\n",
       {"main.dat:1: warning: no number follows \"%table\" in \"%table: 2\", so weft sends the "
        "entries below to table 0 [6,8) -> \" \""}},
      {"main.dat",
       "%title: my file\n",
       {"main.dat:1: warning: this directive holds \"file\" (in \"file\"), so it starts a file "
        "list instead of setting the title: every line below it, up to the next \"%\" line, names "
        "a data file [11,15)"}},
      {"main.dat",
       "%nothing\nx\n",
       {"main.dat:1: warning: weft does nothing with the directive \"%nothing\": it holds no key"}},
      {"main.dat",
       "%chdir:nowhere\nx\n",
       {"main.dat:1: error: can't change directory to \"nowhere\"; weft ends the run [7,14)"}},
      {"main.dat",
       "\xEF\xBB\xBF%title:x\n",
       {"main.dat:1: warning: the file starts with a byte-order mark (the bytes EF BB BF), which "
        "weft reads as text, so this line is not a directive but an entry, dropped for its colon "
        "[0,3) -> \"\""}},
      {"main.dat",
       "a\\#x\nb\n",
       {"main.dat:1: warning: the backslash just before the \"#\" comment joins the next line to "
        "this one [1,2)"}},
      {"main.dat",
       "a\\\n%title:x\n",
       {"main.dat:1: warning: the colon starts a frequency, and \"x\" does not start with a number "
        "above 0: weft drops the whole line",
        "main.dat:2: warning: the backslash at the end of line 1 joins this line to it, so "
        "\"%title:x\" is part of that line, not a line of its own"}},
      {"names.ele",
       "#prefix\ngor\n#suf\nnath\n",
       {"names.ele: error: element file without prefixes (#pre); weft ends the run when it joins a "
        "prefix and a suffix",
        "names.ele:1: warning: \"#prefix\" is not a section line (only exact lines such as "
        "\"#pre\" and \"#suf\" are), so weft reads it as a name and prints \"#Prefix\""}},
      // The element file's own entry brings the prefixes in: it has no line.
      {"names.ele",
       "#pre\n(gor\n#suf\nnath\n",
       {"names.ele:2: warning: \"(\" with no \")\" behind it; where a reference to table 1 brings "
        "this entry in, it pairs with a \")\" that follows the reference"}},
      {"names.ele",
       "#pre\na\n#suf\nb\n# note\n%x\nname:3\n",
       {"names.ele:5: warning: an element file has no comments: \"# note\" is a name, printed \"# "
        "Note\"",
        "names.ele:6: warning: an element file has no directives: \"%x\" is a name, printed \"%X\"",
        "names.ele:7: warning: an element file has no frequencies: \"name:3\" is a name, printed "
        "\"Name:3\""}},
      {"main.dat",
       "(random 3d6)\n(random d6+1)\n",
       {"main.dat:1: warning: dice expression \" 3d6\" does not read (it needs the form 3d6+1 or "
        "4df+0); weft writes \"Didn't grok\" and rolls 0 [0,12)",
        "main.dat:2: warning: dice expression \" d6+1\" does not read (it needs the form 3d6+1 or "
        "4df+0); weft writes \"Didn't grok\" and rolls 0 [0,13)"}},
      {"main.dat",
       "x\na (tables)\n",
       {"main.dat:2: warning: weft takes (tables) for a table reference, because \"tables\" holds "
        "\"table\": it puts an entry of table 0 in its place [2,10)",
        "main.dat:2: warning: reference (tables) has no number right after \"table\", so it names "
        "table 0 [2,10)"}},
      {"main.dat",
       "(randomly) or (a random 1d6+0)\n",
       {"main.dat:1: warning: weft takes (randomly) for a dice roll, because \"randomly\" holds "
        "\"random\": it writes \"Didn't grok\" and puts 0 in its place [0,10)",
        "main.dat:1: warning: dice expression \"ly\" does not read (it needs the form 3d6+1 or "
        "4df+0); weft writes \"Didn't grok\" and rolls 0 [0,10)"}},
      {"main.dat",
       "(random 2d4+0)0 by (random 2d4+1)0, (random 2d4-1), (random 1d8+0), (random 1d5+0)\n",
       {"main.dat:1: warning: rolls tied by the clock: every roll starts weft's random numbers "
        "again from the clock's second, so the second roll, (random 2d4+1), is always the first, "
        "(random 2d4+0), plus 1; the third roll, (random 2d4-1), is always the first, (random "
        "2d4+0), minus 1; the fourth roll, (random 1d8+0), goes with the first, (random 2d4+0) (of "
        "the 56 pairs of their totals, only 32 ever come up) [19,33)"}},
      // Rolls that a line's references bring in are tied to its own.
      {"main.dat",
       "(random 1d6+0) guards and (table2)\n%table 2\n(random 1d6-0) archers\n(random 1d4+0) "
       "hounds\n",
       {"main.dat:1: warning: rolls tied by the clock: every roll starts weft's random numbers "
        "again from the clock's second, so the roll (random 1d6-0) on line 3, which (table2) "
        "brings in, always equals the first, (random 1d6+0); the roll (random 1d4+0) on line 4, "
        "which (table2) brings in, goes with the first, (random 1d6+0) (of the 24 pairs of their "
        "totals, only 12 ever come up) [26,34)"}},
      {"a.dat", "(random 2d6+0) bats\n", {}},
      {"main.dat",
       "(random 1d6+0) and (a.dat) or (a.dat)\n%files\na.dat\n",
       {"main.dat:1: warning: rolls tied by the clock: every roll starts weft's random numbers "
        "again from the clock's second, so the roll (random 2d6+0) in a.dat, which the first "
        "(a.dat) brings in, goes with the first, (random 1d6+0) (of the 66 pairs of their totals, "
        "only 36 ever come up); the roll (random 2d6+0) in a.dat, which the second (a.dat) brings "
        "in, always equals the roll (random 2d6+0) in a.dat, which the first (a.dat) brings in "
        "[19,26)"}},
      {"main.dat",
       "(random 1d6+0) (random 1d6+0) (random 1d6+1) (random 1d6+2) (random 1d6+3)\n",
       {"main.dat:1: warning: rolls tied by the clock: every roll starts weft's random numbers "
        "again from the clock's second, so the second roll, (random 1d6+0), always equals the "
        "first, (random 1d6+0); the third roll, (random 1d6+1), is always the first, (random "
        "1d6+0), plus 1; the fourth roll, (random 1d6+2), is always the first, (random 1d6+0), "
        "plus 2; 1 more roll of this line goes with an earlier one (weft-check -S shows which "
        "totals come together) [15,29)"}},
      // Dice whose sides share no factor show every pair of totals.
      {"main.dat", "(random 3d6+0) and (random 3d5+0)\n", {}},
      {"main.dat",
       "x\n%table 1\ny\n",
       {"main.dat:3: warning: table 1 is never used: no reference from table 0 leads to it"}},
      {"main.dat",
       "a (b\n",
       {"main.dat:1: warning: \"(\" with no \")\" behind it is not a reference: weft prints \"(b\" "
        "as it stands [2,4)"}},
      {"main.dat",
       "(table1) x)\n%table 1\n(b\n",
       {"main.dat:3: warning: \"(\" with no \")\" behind it; where a reference to table 1 (line 1) "
        "brings this entry in, it pairs with a \")\" that follows the reference [0,2)"}},
      {"main.dat",
       "%table 1\nx\n",
       {"main.dat: warning: table 0 has no entries, so every line weft makes from this file is "
        "empty",
        "main.dat:2: warning: table 1 is never used: no reference from table 0 leads to it"}},
      {"main.dat",
       "(table1)\n",
       {"main.dat:1: error: reference (table1) names table 1, which is empty; weft ends the run "
        "when it meets it [0,8)"}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.found, check(c.content, c.name)) << c.content;
}

// The lines found, each with its probability, then the endings of the run
// and the flags that are set.
std::string dump(const LineOdds& odds) {
  std::ostringstream out;
  for (const auto& [line, p] : odds.lines) out << line << " " << p << "; ";
  out << "empty line " << odds.emptyLine << ", empty table " << odds.emptyTable << ", unexplored "
      << odds.unexplored << (odds.complete ? "" : ", incomplete")
      << (odds.rollsDice ? ", rolls dice" : "") << (odds.estimated ? ", estimated" : "");
  return out.str();
}

TEST(EnumerateLinesTest, WeighsLinesByTheirDraws) {
  ScratchDir dir;
  const struct {
    const char *name, *content, *odds;
  } cases[] = {
      {"main.dat", "a:1\nb:3\n", "A 0.25; B 0.75; empty line 0, empty table 0, unexplored 0"},
      {"main.dat", "%table 1\nx\n", " 1; empty line 0, empty table 0, unexplored 0"},
      {"names.ele", "#pre\nold \n#suf\nbay\n",
       "Old Bay 1; empty line 0, empty table 0, unexplored 0"},
      // Too many totals to follow: the lowest, at no weight.
      {"main.dat", "(random 999d999+0)\n",
       "999 0; empty line 0, empty table 0, unexplored 1, incomplete, rolls dice"},
      // A listed file with an empty table 0 yields nothing, silently.
      {"main.dat", "x(a.dat)\n%file\na.dat\n", "X 1; empty line 0, empty table 0, unexplored 0"},
      // A listed file's draws after a roll, or its own roll, are not followed.
      {"main.dat", "(random 1d2+0) (a.dat)\n%file\na.dat\n",
       "1  0.5; 2  0.5; empty line 0, empty table 0, unexplored 0, rolls dice, estimated"},
      {"main.dat", "(b.dat) (random 1d2+0)\n%file\nb.dat\n",
       "1 1 0.25; 1 2 0.25; 2 1 0.25; 2 2 0.25; empty line 0, empty table 0, unexplored 0, rolls "
       "dice, estimated"},
      {"main.dat", "(a.dat) (random 1d2+0)\n%file\na.dat\n",
       " 1 0.5;  2 0.5; empty line 0, empty table 0, unexplored 0, rolls dice"},
      // The second roll's die shares the first one's draw: half its faces never show.
      {"main.dat", "(random 1d2+0)-(random 1d4+0)\n",
       "1-1 0.25; 1-3 0.25; 2-2 0.25; 2-4 0.25; empty line 0, empty table 0, unexplored 0, rolls "
       "dice"},
      // The pick after the second roll repeats the one after the first; when
      // it picks this entry again, the line never ends.
      {"main.dat", "x\ny\n(random 1d2+0)(table0)(random 1d2+0)(table0)\n",
       "1x1x 0.0555539; 1y1y 0.0555539; 2x2x 0.0555539; 2y2y 0.0555539; X 0.333344; Y 0.333344; "
       "empty line 0, empty table 0, unexplored 0.111098, incomplete, rolls dice"},
  };
  writeFile("a.dat", "%table 1\ny\n");
  writeFile("b.dat", "(random 1d2+0)\n");
  for (const auto& c : cases) {
    writeFile(c.name, c.content);
    EXPECT_EQ(c.odds, dump(enumerateLines(load(c.name), true))) << c.content;
  }
}

TEST(EnumerateLinesTest, FollowsDiceTablesAndRepeats) {
  ScratchDir dir;
  writeFile("main.dat", "(random 1d2+0)\n(table1) (note)\n(table1) (table20)\n%table 1\nx\n");
  const LineOdds odds = enumerateLines(load("main.dat"), true);
  EXPECT_TRUE(odds.complete);
  EXPECT_EQ(
      (std::map<std::string, double>{{"1", 1.0 / 6}, {"2", 1.0 / 6}, {"X x", 2.0 / 3}}).size(),
      odds.lines.size());
  EXPECT_NEAR(2.0 / 3, odds.lines.at("X x"), 1e-4);
  EXPECT_NEAR(1.0 / 6, odds.lines.at("1"), 1e-4);
}

TEST(EnumerateLinesTest, CountsRunEndingsAndStopsOnEndlessLines) {
  ScratchDir dir;
  writeFile("main.dat", "(table1)\n(table2)\n%table 2\n(table2)\n");
  const LineOdds odds = enumerateLines(load("main.dat"), true);
  EXPECT_FALSE(odds.complete);
  EXPECT_TRUE(odds.lines.empty());
  EXPECT_NEAR(0.5, odds.emptyTable, 1e-4);
  EXPECT_NEAR(0.5, odds.unexplored, 1e-4);
}

TEST(EnumerateLinesTest, UsesTheLinesOfListedFilesInLowerCase) {
  ScratchDir dir;
  writeFile("main.dat", "the (orcs.ele)\n%file\norcs.ele\n");
  writeFile("orcs.ele", "#pre\ngor\n#suf\nnath\n");
  const LineOdds odds = enumerateLines(load("main.dat"), true);
  EXPECT_TRUE(odds.complete);
  EXPECT_EQ(1u, odds.lines.count("The gornath"));
}

// Every dice reference reseeds from the same second, so a second roll starts
// the draws of the first again. Where the odds are exact, weft's own lines at
// 20,000 spread seconds come out as often as they say, each within 2.5 points
// in a hundred: the seconds go round the first draw evenly, but the draws
// after a roll keep some of the generator's pattern from second to second.
TEST(EnumerateLinesTest, DrawsAfterARollRepeatThoseAfterTheFirstRoll) {
  ScratchDir dir;
  struct Case {
    const char* file;
    std::size_t lines;
    bool estimated;
  } cases[] = {
      {"(random 1d6+0) (random 1d6+0)\n", 6, false},   // always a double
      {"(random 3d6+0) (random 3d6+1)\n", 16, false},  // the same faces, plus one
      {"(random 1d6+0) (table1) (random 1d6+0) (table1)\n%table 1\na\nb\nc\n", 18, false},
      {"(random 2d4-1) (random 1d6+10)\n", 42, true},     // the first die shared
      {"(table1) (table1)\n%table 1\na\nb\n", 4, false},  // no dice: independent
  };
  for (const Case& c : cases) {
    writeFile("main.dat", c.file);
    const LineOdds odds = enumerateLines(load("main.dat"), true);
    EXPECT_TRUE(odds.complete) << c.file;
    EXPECT_EQ(c.lines, odds.lines.size()) << c.file;
    EXPECT_EQ(c.estimated, odds.estimated) << c.file;
    EXPECT_EQ(std::string(c.file).find("random") != std::string::npos, odds.rollsDice) << c.file;
    if (c.estimated) continue;
    std::unordered_map<std::string, std::uint64_t> counts;
    SystemFileSystem files;
    const SampledLines sampled =
        sampleLines(load("main.dat"), files, nullptr, SampleBudget{}, &counts);
    for (const auto& [line, count] : counts) {
      const auto exact = odds.lines.find(line);
      const double p = exact == odds.lines.end() ? 0 : exact->second;
      EXPECT_NEAR(p, static_cast<double>(count) / sampled.rolls, 0.025) << c.file << line;
    }
    EXPECT_EQ(c.lines, sampled.distinct) << c.file;
  }
  writeFile("main.dat", "(random 1d6+0) (random 1d6+0)\n");
  const LineOdds doubles = enumerateLines(load("main.dat"), true);
  EXPECT_NEAR(5462.0 / 32768, doubles.lines.at("1 1"), 1e-9);
  EXPECT_NEAR(5461.0 / 32768, doubles.lines.at("6 6"), 1e-9);
}

// A sample stops between rolls once its budget is spent: a line that runs
// into weft's limit of steps spends the plain check's whole step budget, and
// the time is what the stopwatch it is given says.
TEST(SampleLinesTest, StopsWhereItsBudgetIsSpent) {
  class Ticking final : public Stopwatch {
   public:
    std::chrono::nanoseconds elapsed() override { return std::chrono::milliseconds(40) * ++reads; }
    int reads = 0;
  } stopwatch;
  ScratchDir dir;
  SystemFileSystem files;
  writeFile("main.dat", "(table0)\n");
  const SampledLines endless =
      sampleLines(load("main.dat"), files, nullptr, checkBudget(stopwatch));
  EXPECT_EQ(1u, endless.rolls);
  ASSERT_EQ(1u, endless.endings.size());
  EXPECT_EQ(ExitStatus::ExpansionTooLong, endless.endings[0].status);
  writeFile("main.dat", "a\nb\n");
  stopwatch.reads = 0;
  EXPECT_EQ(3u, sampleLines(load("main.dat"), files, nullptr, checkBudget(stopwatch)).rolls);
}

// Where no line came up only once the lines seen cover the odds; lines seen
// once weigh for the lines not seen. Neither estimate is below the sample's
// own entropy.
TEST(EstimateVarietyTest, WeighsTheLinesSeenOnceForTheLinesNotSeen) {
  SampledLines sampled;
  sampled.repeats = {{2, 50}};
  EXPECT_DOUBLE_EQ(1, estimateVariety(sampled).coverage);
  EXPECT_GE(estimateVariety(sampled).variety, 50);
  sampled.repeats = {{1, 100}, {2, 50}};
  EXPECT_DOUBLE_EQ(0.5, estimateVariety(sampled).coverage);
  EXPECT_GT(estimateVariety(sampled).variety, 150);
}

// A line that rolls and picks 216 times makes the same draws each time:
// what is known of them stays one fact a draw, so the odds stay exact and
// the search quick (keeping every repetition made each count of the draws
// longer than the last, and such a file took half a minute).
TEST(EnumerateLinesTest, ALineThatRollsAgainAndAgainKeepsItsOddsExact) {
  ScratchDir dir;
  writeFile("main.dat",
            "(table2)\n%table 1\na\nb\nc\n"
            "%table 2\n(table3)(table3)(table3)(table3)(table3)(table3)\n"
            "%table 3\n(table4)(table4)(table4)(table4)(table4)(table4)\n"
            "%table 4\n(table5)(table5)(table5)(table5)(table5)(table5)\n"
            "%table 5\n(random 1d6+0)(table1)\n");
  const LineOdds odds = enumerateLines(load("main.dat"), true);
  EXPECT_TRUE(odds.complete);
  EXPECT_FALSE(odds.estimated);
  EXPECT_EQ(18u, odds.lines.size());
  double total = 0;
  for (const auto& [line, p] : odds.lines) total += p;
  EXPECT_NEAR(1.0, total, 1e-9);
}

TEST(ComputeOddsTest, GivesEachTableOneDenominatorAndShowsTheBuiltInEntry) {
  ScratchDir dir;
  writeFile("main.dat", "a:3\nb\n%table 1\nx\ny\nz\nw\nv\n");
  const FileOdds odds = computeOdds(load("main.dat"), "main.dat");
  ASSERT_EQ(2u, odds.tables.size());
  EXPECT_EQ(4u, odds.tables[0].denominator);
  EXPECT_EQ(24576u, odds.tables[0].entries[0].draws);
  EXPECT_EQ(32768u, odds.tables[1].denominator);  // five entries: 6554 and 6553 draws
  EXPECT_EQ("75.0%", percentText(0.75));
  EXPECT_EQ("1 in 1.3", oneInText(0.75));
  EXPECT_EQ("1 in 5", oneInText(6554.0 / 32768));
  EXPECT_EQ("1 in 32768", oneInText(1.0 / 32768));
  EXPECT_EQ("never", oneInText(0));
  writeFile("names.ele", "#pre\ngor\n#suf\nnath\n");
  const FileOdds element = computeOdds(load("names.ele"), "names.ele");
  ASSERT_FALSE(element.tables.empty());
  EXPECT_TRUE(element.tables[0].entries.back().builtIn);
  EXPECT_NE(std::string::npos, describeOdds(element, false).find("prefix + suffix"));
  EXPECT_NE(std::string::npos, describeOdds(element, false).find("suffixes (#suf, table 3): 1 "));
}

// The variety counts the ways the run ends as outcomes; an incomplete search
// gives the least that the likeliest outcome allows.
TEST(ComputeOddsTest, CountsTheEndingsOfTheRunInTheBitsOfVariety) {
  ScratchDir dir;
  writeFile("a.dat", "%table 1\ny\n");
  const struct {
    const char* content;
    double bits;
  } cases[] = {
      {"a\nb\n", 1},
      {"a\n(table1)\n", 1},
      {"a\n(a.dat)\n%file\na.dat\n", 1},
      {"a:2\n(table1)\n(table2)\n%table 2\n(table2)\n", -std::log2(0.75)},
  };
  for (const auto& c : cases) {
    writeFile("main.dat", c.content);
    EXPECT_NEAR(c.bits, computeOdds(load("main.dat"), "main.dat").bits, 1e-9) << c.content;
  }
}

TEST(ComputeOddsTest, AFudgeDieFallsAsItsDrawsModuloThree) {
  ScratchDir dir;
  writeFile("main.dat", "(random 1df+0)\n");
  const FileOdds odds = computeOdds(load("main.dat"), "main.dat");
  ASSERT_EQ(1u, odds.dice.size());
  EXPECT_TRUE(odds.dice[0].exact);  // one die: one draw
  // r mod 3 is 0 for a face of 0, 1 for +1 and 2 for -1; 32768 = 3 * 10922 + 2.
  const std::vector<std::pair<std::int32_t, double>> totals = {
      {-1, 10922.0 / 32768}, {0, 10923.0 / 32768}, {1, 10923.0 / 32768}};
  ASSERT_EQ(totals.size(), odds.dice[0].totals.size());
  for (std::size_t i = 0; i < totals.size(); ++i) {
    EXPECT_EQ(totals[i].first, odds.dice[0].totals[i].first);
    EXPECT_DOUBLE_EQ(totals[i].second, odds.dice[0].totals[i].second);
  }
  EXPECT_DOUBLE_EQ(10922.0 / 32768, odds.lines.lines.at("-1"));
  EXPECT_DOUBLE_EQ(10923.0 / 32768, odds.lines.lines.at("1"));
}

// Where there are too many totals to work out, the range still holds what a
// roll can show: a die of 0 sides shows 0, a die of more than 32768 sides no
// more than 32768, and totals wrap round in 32 bits.
TEST(DiceOddsTest, TheRangeOfTotalsIsWhatARollCanShow) {
  const struct {
    const char* expression;
    std::int64_t lowest, highest;
  } cases[] = {
      {"100000000d0+3", 3, 3},
      {"20000d6+0", 20000, 120000},
      {"1000000d6-2000000", -1000000, 4000000},
      {"30000df+0", -30000, 30000},
      {"10000d40000+0", 10000, 327680000},
      {"100000d40000+0", INT32_MIN, INT32_MAX},
      {"2000000000d6+0", INT32_MIN, INT32_MAX},
  };
  for (const auto& c : cases) {
    const DiceOdds dice = diceOddsOf(c.expression, 0);
    EXPECT_TRUE(dice.totals.empty()) << c.expression;
    EXPECT_EQ(c.lowest, dice.lowest) << c.expression;
    EXPECT_EQ(c.highest, dice.highest) << c.expression;
  }
}

TEST(EnumerateLinesTest, ANameListedTwiceKeepsTheLastLineAndTheFirstOnesEndings) {
  ScratchDir dir;
  // Both files named a.dat generate; the first ends the run half the time
  // (an empty table), and only the second one's line is kept.
  writeFile("main.dat", "(a.dat)\n%file\na.dat\n%chdir:sub\n%file\na.dat\n");
  writeFile("a.dat", "x\n(table1)\n");
  writeFile("sub/a.dat", "y:3\nz\n");
  const LineOdds odds = enumerateLines(load("main.dat"), true);
  EXPECT_TRUE(odds.complete);
  EXPECT_DOUBLE_EQ(0.5, odds.emptyTable);
  ASSERT_EQ(2u, odds.lines.size());
  EXPECT_DOUBLE_EQ(0.375, odds.lines.at("Y"));
  EXPECT_DOUBLE_EQ(0.125, odds.lines.at("Z"));
}

TEST(EnumerateLinesTest, OutOfWorkTheLikeliestChoicesFinishALine) {
  ScratchDir dir;
  // 9^5 lines of 600 bytes are more work than one search does. Lines left
  // unfinished then follow their likeliest choice, "a" (9 of 17), to the
  // end; they count as found, at no weight.
  writeFile("main.dat", "(table1)(table1)(table1)(table1)(table1)" + std::string(600, 'x') +
                            "\n%table 1\nb\nc\nd\ne\nf\ng\nh\ni\na:9\n");
  const LineOdds odds = enumerateLines(load("main.dat"), true);
  EXPECT_FALSE(odds.complete);
  int probed = 0;
  for (const auto& [line, p] : odds.lines) {
    if (p > 0) continue;
    ++probed;
    EXPECT_EQ('a', line.at(4)) << line.substr(0, 5);
  }
  EXPECT_GT(probed, 0);
}

// Records the total of each roll of a line, by its expression.
class RollRecorder final : public GenerationObserver {
 public:
  void rolled(const DataFile& /*file*/, const Roll& roll) override {
    rolls.emplace_back(std::string(roll.expression), roll.total);
  }
  std::vector<std::pair<std::string, std::int32_t>> rolls;
};

// The totals of tied rolls come up together as often as weft's own lines
// show them, at 100,000 seconds with varied draws before the first roll,
// within 2 points in a hundred: through the picks between them (a pick
// that takes a draw a later roll's die takes again leaves that die only
// some faces), repeated replacements and listed files.
TEST(TiedRollsTest, TheTotalsThatGoTogetherComeUpAsInWeftsOwnLines) {
  ScratchDir dir;
  writeFile("a.dat", "(random 2d6+0) bats\n");
  const struct {
    const char* content;
    std::vector<std::string> headings;
  } cases[] = {
      {"(random 1d6+0) guards and (table2)\n%table 2\n(random 1d6-0) archers\n(random 1d4+0) "
       "hounds:2\n",
       {"tied rolls, table 0: (random 1d6+0) and (random 1d6-0) of table 2 through (table2): "
        "always equal",
        "tied rolls, table 0: (random 1d6+0) and (random 1d4+0) of table 2 through (table2): only "
        "12 of the 24 pairs of their totals come up"}},
      // The pick takes the draw of the agates' second die: it always shows 3.
      {"(random 1d8+0) gold and (table1)\n%table 1\na\nb\nc\nd\ne\nf\n(random 2d4+0) agates\nh\n",
       {"tied rolls, table 0: (random 1d8+0) and (random 2d4+0) of table 1 through (table1): only "
        "8 of the 32 pairs of their totals come up"}},
      // (note) repeats the roll's digits, not the entry that held it.
      {"(table1) (note), (random 3d6+0) and (a.dat)\n%file\na.dat\n%table 1\n(random 1d6+1)\n",
       {"tied rolls, table 0: (random 1d6+1) of table 1 through (table1) and (random 3d6+0): only "
        "66 of the 96 pairs of their totals come up",
        "tied rolls, table 0: (random 1d6+1) of table 1 through (table1) and (random 2d6+0) of "
        "a.dat through (a.dat): only 36 of the 66 pairs of their totals come up"}},
      // Dice whose sides share no factor are independent.
      {"(random 3d6+0) and (random 3d5+0)\n", {}}};
  for (const auto& c : cases) {
    writeFile("main.dat", c.content);
    const DataFile file = load("main.dat");
    const std::vector<TiedEntry> tied = findTiedRolls(file, nullptr);
    std::vector<std::string> headings;
    for (const TiedEntry& entry : tied) {
      for (const TiedPair& pair : entry.pairs) headings.push_back(tiedRollsHeading(entry, pair));
    }
    EXPECT_EQ(c.headings, headings) << c.content;
    if (tied.empty()) continue;
    weft::testing::TestEngine test;
    RollRecorder recorder;
    test.engine.generationObserver = &recorder;
    std::vector<std::map<std::pair<std::int32_t, std::int32_t>, double>> seen(tied[0].pairs.size());
    std::string line;
    // Seconds from all over the clock's range.
    std::mt19937 seconds(28);
    for (std::uint32_t i = 0; i < 100'000; ++i) {
      test.clock.set(seconds());
      test.engine.random.seedRandom(i * 2'654'435'761u);
      recorder.rolls.clear();
      file.generateInto(test.engine, line);
      for (std::size_t k = 0; k < tied[0].pairs.size(); ++k) {
        const TiedPair& pair = tied[0].pairs[k];
        const auto& rolls = recorder.rolls;
        const auto a = std::find_if(rolls.begin(), rolls.end(), [&](const auto& r) {
          return r.first == pair.first.expression;
        });
        const auto b = a == rolls.end() ? a : std::find_if(a + 1, rolls.end(), [&](const auto& r) {
          return r.first == pair.second.expression;
        });
        if (b != rolls.end()) ++seen[k][{a->second, b->second}];
      }
    }
    for (std::size_t k = 0; k < tied[0].pairs.size(); ++k) {
      double made = 0;
      for (const auto& [totals, n] : seen[k]) made += n;
      ASSERT_GT(made, 1000) << c.content;
      std::map<std::pair<std::int32_t, std::int32_t>, double> odds;
      for (const TotalPair& t : tied[0].pairs[k].totals) odds[{t.first, t.second}] = t.chance;
      for (const auto& [totals, n] : seen[k]) {
        EXPECT_TRUE(odds.count(totals)) << c.content << totals.first << " " << totals.second;
      }
      for (const auto& [totals, p] : odds) {
        const auto it = seen[k].find(totals);
        EXPECT_NEAR(p, it == seen[k].end() ? 0 : it->second / made, 0.02)
            << c.content << totals.first << " " << totals.second;
      }
    }
  }
}

}  // namespace
}  // namespace weft::check
