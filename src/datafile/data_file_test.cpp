#include "datafile/data_file.h"
#include "datafile/line_kind.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "support/settings.h"
#include "testing/test_support.h"

namespace weft {
namespace {

using testing::ScratchDir;
using testing::writeFile;

// Sets the run-wide settings for one test and puts the old ones back.

// Renders the non-empty tables: "0:[orc]x3 [gob] 2:[]" (one bracket per line
// of the file, with its count when above 1).
std::string dump(const DataFile& file) {
  std::string out;
  for (int t = 0; t < TABLE_COUNT; ++t) {
    const Table& table = file.table(t);
    if (table.empty()) continue;
    if (!out.empty()) out += ' ';
    out += std::to_string(t);
    out += ':';
    for (std::size_t i = 0; i < table.runCount(); ++i) {
      const Table::Run run = table.run(i);
      if (i > 0) out += ' ';
      out += '[';
      out += run.text;
      out += ']';
      if (run.count > 1) out += 'x' + std::to_string(run.count);
    }
  }
  return out;
}

// Loads `content` as test.dat; `errors`, when given, receives what loading
// wrote on standard error.
std::string load(std::string_view content, RunSettings settings = {},
                 std::string* errors = nullptr) {
  writeFile("test.dat", content);
  testing::TestEngine test;
  test.engine.settings = settings;
  std::string out = dump(DataFile(test.engine, "test.dat", nullptr));
  if (errors != nullptr) *errors = test.console.err();
  return out;
}

std::string a(std::size_t n) { return std::string(n, 'a'); }

TEST(DataFileTest, EntryLines) {
  ScratchDir dir;
  const struct {
    std::string content;
    std::string expected;
  } cases[] = {
      {"orc chieftain:3\ngoblin\n", "0:[orc chieftain]x3 [goblin]"},
      {"Orc Chieftain:3", "0:[orc chieftain]x3"},
      {"orc:\norc:none\norc:-2\norc: 4\norc:4x\norc:+2\n", "0:[orc]x4 [orc]x4 [orc]x2"},
      {"a:b:3\nratio 1:2:3\n", "0:[ratio 1]x2"},
      {"   orc :2\n\t \tgob\t\n", "0:[orc ]x2 [gob\t]"},
      {"orc:2\norc:3\n", "0:[orc]x2 [orc]x3"},
      {"   \n", "0:[]"},  // blanks only: one empty entry
      {" %table 2\n", "0:[%table 2]"},
      {"%table 3\norc\n", "3:[orc]"},
      {"\xc3\x89LAN\n", "0:[\xc3\x89lan]"},  // only ASCII letters fold
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, load(c.content)) << c.content;
}

// Renders what one logical line reads as: its kind, where its text starts,
// the text, then a frequency ("x2", "x50 of 80" when capped) or a table.
std::string classified(std::string_view line, LineContext context) {
  static constexpr const char* kKinds[] = {"entry", "name",  "list",    "title",   "table",
                                           "chdir", "nokey", "section", "element", "blank"};
  const ClassifiedLine read = classifyLine(line, context);
  std::string out = kKinds[static_cast<int>(read.kind)];
  if (read.kind == LineKind::Blank) return out;
  out += ' ' + std::to_string(read.begin) + '[' + std::string(read.text(line)) + ']';
  if (read.colon != std::string_view::npos) out += " x" + std::to_string(read.frequency);
  if (read.capped()) out += " of " + std::to_string(read.written);
  if (read.kind == LineKind::Table || read.kind == LineKind::ElementSection) {
    out += ' ' + std::to_string(read.table);
  }
  return out;
}

TEST(LineKindTest, ClassifiesOneLogicalLine) {
  constexpr LineContext kPlain{};
  constexpr LineContext kList{.inFileList = true};
  constexpr LineContext kElement{.elementFile = true};
  const struct {
    std::string_view line;
    LineContext context;
    std::string expected;
  } cases[] = {
      {"", kPlain, "blank"},
      {"orc chieftain:3", kPlain, "entry 0[orc chieftain] x3"},
      {"   orc :2", kPlain, "entry 3[orc ] x2"},
      {"\t gob\t", kPlain, "entry 2[gob\t]"},
      {"   ", kPlain, "entry 3[]"},
      {"orc:80", kPlain, "entry 0[orc] x50 of 80"},
      {"orc:5", {.maxFrequency = 0}, "entry 0[orc] x0 of 5"},
      {"a:b:3", kPlain, "entry 0[a] x0"},
      {"ratio 1:2:3", kPlain, "entry 0[ratio 1] x2"},
      {" %table 2", kPlain, "entry 1[%table 2]"},
      {"%title:orc names", kPlain, "title 7[orc names]"},
      {"%title: profile names", kPlain, "list 11[file]"},
      {"%table3", kPlain, "table 6[3] 3"},
      {"%tables", kPlain, "table 6[s] 0"},
      {"%table -1", kPlain, "table 6[ -1] -1"},
      {"%chdir: orcs", kPlain, "chdir 7[ orcs]"},
      {"%", kPlain, "nokey 1[]"},
      {"orcs:3", kList, "name 0[orcs:3]"},
      {" %end", kList, "name 0[ %end]"},
      {"%end", kList, "nokey 4[]"},
      {"#noun", kElement, "section 0[#noun] 4"},
      {"#pre ", kElement, "element 0[#pre ]"},
      {"orc:3", kElement, "element 0[orc:3]"},
      {"%table 2", kElement, "element 0[%table 2]"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, classified(c.line, c.context)) << c.line;
}

TEST(LineKindTest, CommentsAreCutBeforeTheBackslashIsSeen) {
  const struct {
    std::string_view piece;
    bool elementFile;
    std::size_t kept;
    bool continues;
  } cases[] = {
      {"orc # big", false, 4, false}, {"gar # rok", true, 9, false}, {"orc \\# c", false, 5, true},
      {"a # b \\", false, 2, false},  {"\\", false, 1, true},        {"", false, 0, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.kept, keptLength(c.piece, c.elementFile)) << c.piece;
    EXPECT_EQ(c.continues, continuesLine(c.piece.substr(0, c.kept))) << c.piece;
  }
}

TEST(DataFileTest, CommentsContinuationAndLineEnds) {
  ScratchDir dir;
  const struct {
    std::string content;
    std::string expected;
  } cases[] = {
      {"orc # the big one\n# only a comment\n\n#\ngob", "0:[orc ] [gob]"},
      {"orc\\\ngob\nkin\n", "0:[orcgob] [kin]"},
      {"orc\\\n\\\nkin\n", "0:[orckin]"},
      {"\\\n\nkin\n", "0:[kin]"},                 // an empty joined line is skipped
      {"orc\\", "0:[orc]"},                       // at the end the backslash goes
      {"orc\\# note\ngob\n", "0:[orcgob]"},       // cut first, then continued
      {"orc # note\\\ngob\n", "0:[orc ] [gob]"},  // a backslash in a comment
      {"orc\\\ngob # x\\\nkin\n", "0:[orcgob ] [kin]"},
      {"orc\\\ngob:2\n", "0:[orcgob]x2"},
      {"orc\r\ngob\rlin\r\n\r\n", "0:[orc] [gob\rlin]"},
      {"orc\\\r\ngob\r\n", "0:[orcgob]"},
      {"orc\n\x1agob\n", "0:[orc]"},  // byte 26 ends the file
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, load(c.content)) << ::testing::PrintToString(c.content);
  }
}

TEST(DataFileTest, LongLinesComeInPiecesOf1023Bytes) {
  ScratchDir dir;
  const std::string b23(23, 'b');
  const std::string b77(77, 'b');
  const struct {
    std::string content;
    std::string expected;
  } cases[] = {
      {a(1023) + "b\n", "0:[" + a(1023) + "] [b]"},
      {a(1023) + "\nb\n", "0:[" + a(1023) + "] [b]"},
      {a(2046) + "bb", "0:[" + a(1023) + "] [" + a(1023) + "] [bb]"},
      {a(1023) + "#\nb", "0:[" + a(1023) + "] [b]"},  // the "#" starts a piece
      // A continuation takes what fits, up to 1022 bytes in all; the rest of
      // its line comes back alone.
      {a(999) + "\\\n" + b23 + b77 + "\n", "0:[" + a(999) + b23 + "] [" + b77 + "]"},
      // With no room left the backslash is only removed...
      {a(1022) + "\\\ngob\n", "0:[" + a(1022) + "] [gob]"},
      // ...and a backslash behind it then gets room for one byte.
      {a(1021) + "\\\\xyz\n", "0:[" + a(1021) + "x] [yz]"},
      {a(1021) + "\\\\\ngob\n", "0:[" + a(1021) + "] [gob]"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, load(c.content)) << c.content.size();
}

TEST(DataFileTest, FrequencyCap) {
  ScratchDir dir;
  const struct {
    std::int32_t debugLevel;
    std::int32_t maxFrequency;
    std::string content;
    std::string expected;
    std::string errors;
  } cases[] = {
      {2, 50, "orc:80\norc:50\ngob\n", "0:[orc]x50 [orc]x50 [gob]", "freq too high; adjusting\n"},
      {2, 1000, "orc:80\n", "0:[orc]x80", ""},
      {2, 0, "orc:1\ngob\n", "0:[gob]", "freq too high; adjusting\n"},
      {2, -1, "orc:0\n", "", "freq too high; adjusting\n"},
      {3, 2, "orc:3\n", "0:[orc]x2", "Reading file\nfreq too high; adjusting\n"},
  };
  for (const auto& c : cases) {
    std::string errors;
    EXPECT_EQ(c.expected, load(c.content, {c.debugLevel, c.maxFrequency}, &errors)) << c.content;
    EXPECT_EQ(c.errors, errors) << c.content;
  }
}

TEST(DataFileTest, CopiesLeaveSubfilesOut) {
  ScratchDir dir;
  testing::TestEngine test;
  writeFile("sub.dat", "kin\n");
  writeFile("top.dat", "%title:top\n%table 2\nb\n%files\nsub.dat\n%\nc\n");
  const DataFile top(test.engine, "top.dat", nullptr);
  ASSERT_EQ(1u, top.subfiles().size());
  EXPECT_EQ(0, top.currentTable());

  const DataFile copy(top);
  EXPECT_TRUE(copy.subfiles().empty());
  EXPECT_EQ("top.dat", copy.filename());
  EXPECT_EQ("Top", copy.title());
  EXPECT_EQ("2:[b] [c]", dump(copy));
  EXPECT_EQ(top.inFileList(), copy.inFileList());

  DataFile target(test.engine, "top.dat", nullptr);
  target = top.subfiles()[0];
  EXPECT_EQ("sub.dat", target.filename());
  EXPECT_EQ("No Title", target.title());
  EXPECT_EQ(&top, target.parent());
  EXPECT_EQ("0:[kin]", dump(target));
  EXPECT_EQ(1u, target.subfiles().size());  // assignment keeps the target's own

  const DataFile& same = target;
  target = same;
  EXPECT_EQ("sub.dat", target.filename());
  EXPECT_EQ(1u, target.subfiles().size());
}

TEST(DataFileTest, ASymlinkLoopCannotBeRead) {
  // Missing, unreadable and directory files and an empty name are checked
  // end to end.
  ScratchDir dir;
  testing::TestEngine test;
  ASSERT_EQ(0, ::symlink("loop", "loop"));
  EXPECT_EQ("-2 Can't read loop",
            testing::endingOf([&] { DataFile(test.engine, "loop", nullptr); }));
}

}  // namespace
}  // namespace weft
