// Loading of element files: section lines, whole-line entries and the
// prefix-and-suffix entry appended to the main table.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "datafile/data_file.h"
#include "datafile/load_observer.h"
#include "testing/test_support.h"

namespace weft {
namespace {

using Entries = std::vector<std::string>;

Entries entriesOf(const DataFile& file, int table) {
  Entries entries;
  const Table& t = file.table(table);
  for (std::uint64_t i = 0; i < t.size(); ++i) entries.emplace_back(t.entryAt(i));
  return entries;
}

// Returns the numbers of the tables that hold entries.
std::vector<int> filledTables(const DataFile& file) {
  std::vector<int> filled;
  for (int i = 0; i < TABLE_COUNT; ++i) {
    if (!file.table(i).empty()) filled.push_back(i);
  }
  return filled;
}

struct Loaded {
  DataFile file;
  std::string errors;  // what loading wrote on standard error
};

// Loads `content` as the element file "names.ele", with `observer`.
Loaded loadElementFile(std::string_view content, LoadObserver* observer = nullptr) {
  testing::writeFile("names.ele", content);
  testing::TestEngine test;
  test.engine.loadObserver = observer;
  DataFile file(test.engine, "names.ele", nullptr);
  return {std::move(file), test.console.err()};
}

const std::string kPair = "(table1)(table3)";

TEST(ElementFileTest, SectionsChooseTables) {
  testing::ScratchDir dir;
  const Loaded loaded = loadElementFile(
      "top\n"
      "#pre\n"
      "gor\n"
      "#SUF\n"
      "nath\n"
      "#End\n"
      "middle\n"
      "#Pre\n"
      "thra\n");
  const DataFile& file = loaded.file;
  EXPECT_TRUE(file.isElementFile());
  EXPECT_EQ((Entries{"top", "middle", kPair}), entriesOf(file, 0));
  EXPECT_EQ((Entries{"gor", "thra"}), entriesOf(file, 1));
  EXPECT_EQ((Entries{"nath"}), entriesOf(file, 3));
  EXPECT_EQ((std::vector<int>{0, 1, 3}), filledTables(file));
  EXPECT_EQ(2u, file.builtInRun());
  EXPECT_EQ("", loaded.errors);
  EXPECT_EQ(0, file.currentTable());
  EXPECT_EQ("No Title", file.title());
  EXPECT_TRUE(file.subfiles().empty());
}

TEST(ElementFileTest, OnlyWholeLinesAreSectionLines) {
  testing::ScratchDir dir;
  const Loaded loaded = loadElementFile(
      "#pre\n"
      "#pre \n"
      "# pre\n"
      " #pre\n"
      "#prefix\n"
      "#pre\t\n"
      "#pre#suf\n"
      "#\n"
      "#nounish\n"
      "#suf\n");
  EXPECT_EQ((Entries{"#pre ", "# pre", " #pre", "#prefix", "#pre\t", "#pre#suf", "#", "#nounish"}),
            entriesOf(loaded.file, 1));
  EXPECT_EQ((std::vector<int>{0, 1}), filledTables(loaded.file));
  EXPECT_EQ("", loaded.errors);
}

TEST(ElementFileTest, LinesAreStoredWhole) {
  testing::ScratchDir dir;
  testing::writeFile("other.dat", "orc\n");
  const Loaded loaded = loadElementFile(
      "orc:3\n"
      "%table 2\n"
      "  two blanks\n"
      "gar # rok\n"
      "trailing  \n"
      "Mixed CASE\n"
      "%title:orcs\n"
      "%files\n"
      "other.dat\n"
      "x:0\n"
      "#gar # rok\n"
      "   \n"
      "\n"
      "(table1)\n");
  EXPECT_EQ((Entries{"orc:3", "%table 2", "  two blanks", "gar # rok", "trailing  ", "mixed case",
                     "%title:orcs", "%files", "other.dat", "x:0", "#gar # rok", "   ", "(table1)",
                     kPair}),
            entriesOf(loaded.file, 0));
  EXPECT_EQ((std::vector<int>{0}), filledTables(loaded.file));
  EXPECT_EQ("No Title", loaded.file.title());
  EXPECT_TRUE(loaded.file.subfiles().empty());
}

TEST(ElementFileTest, ContinuedAndCrLfLinesAreSectionLines) {
  testing::ScratchDir dir;
  const Loaded loaded = loadElementFile(
      "#pr\\\n"
      "e\n"
      "gor\\\n"
      "nath # not a comment\n"
      "#suf\r\n"
      "ak\r\n"
      "last\\");
  EXPECT_EQ((Entries{"gornath # not a comment"}), entriesOf(loaded.file, 1));
  EXPECT_EQ((Entries{"ak", "last"}), entriesOf(loaded.file, 3));
}

TEST(ElementFileTest, UnsupportedSectionsAreLoadedAndReportedEachTime) {
  testing::ScratchDir dir;
  const Loaded loaded = loadElementFile(
      "#ADJ\n"
      "grim\n"
      "#nadj\n"
      "moss\n"
      "#noun\n"
      "fang\n"
      "#adj\n"
      "dour\n"
      "#noun\n"
      "#end\n");
  EXPECT_EQ(
      "Detected unsupported 'ADJ' section\n"
      "Detected unsupported 'NADJ' section\n"
      "Detected unsupported 'NOUN' section\n"
      "Detected unsupported 'ADJ' section\n"
      "Detected unsupported 'NOUN' section\n",
      loaded.errors);
  EXPECT_EQ((Entries{"grim", "dour"}), entriesOf(loaded.file, 6));
  EXPECT_EQ((Entries{"moss"}), entriesOf(loaded.file, 5));
  EXPECT_EQ((Entries{"fang"}), entriesOf(loaded.file, 4));
  EXPECT_EQ((Entries{kPair}), entriesOf(loaded.file, 0));
}

TEST(ElementFileTest, FilesWithoutEntriesHoldOnlyThePair) {
  const std::string_view contents[] = {"", "\n\n\n", "#pre\n#suf\n", "\x1Agor\n"};
  for (std::string_view content : contents) {
    testing::ScratchDir dir;
    const Loaded loaded = loadElementFile(content);
    EXPECT_EQ((Entries{kPair}), entriesOf(loaded.file, 0)) << '"' << content << '"';
    EXPECT_EQ((std::vector<int>{0}), filledTables(loaded.file)) << '"' << content << '"';
  }
}

TEST(ElementFileTest, TheBuiltInEntryIsItsOwnRunWhateverTheAuthorWrote) {
  testing::ScratchDir dir;
  const Loaded loaded = loadElementFile(kPair + "\n" + kPair + "\n");
  EXPECT_EQ(2u, loaded.file.builtInRun());
  EXPECT_EQ(2u, DataFile(loaded.file).builtInRun());
}

TEST(ElementFileTest, NameMustContainLowerCaseDotEle) {
  const struct {
    std::string name;
    bool element;
  } cases[] = {
      {"names.ele", true},  {"x.elephant.dat", true}, {"a.ele.b", true},   {"names.ELE", false},
      {"names.Ele", false}, {"namesele", false},      {"names.el", false},
  };
  for (const auto& c : cases) {
    testing::ScratchDir dir;
    testing::writeFile(c.name, "gor # rok\n");
    testing::TestEngine test;
    const DataFile file(test.engine, c.name, nullptr);
    EXPECT_EQ(c.element, file.isElementFile()) << c.name;
    // A "#" starts a comment only in an ordinary data file.
    EXPECT_EQ(c.element ? "gor # rok" : "gor ", file.table(0).entryAt(0)) << c.name;
    EXPECT_EQ(c.element ? 2u : 1u, file.table(0).size()) << c.name;
  }
}

// Collects the problems reported while loading.
class RecordingObserver : public LoadObserver {
 public:
  void problem(const DataFile&, const LoadProblem& problem) override {
    events.push_back({problem.event, problem.line, std::string(problem.message)});
  }
  struct Record {
    Event event;
    std::uint64_t line;
    std::string message;
    bool operator==(const Record&) const = default;
  };
  std::vector<Record> events;
};

TEST(ElementFileTest, UnsupportedSectionsGoToTheLoadObserver) {
  testing::ScratchDir dir;
  RecordingObserver observer;
  const Loaded loaded = loadElementFile("gor\n#nadj\nmoss\n\n#noun\n", &observer);
  using Event = LoadObserver::Event;
  EXPECT_EQ((std::vector<RecordingObserver::Record>{
                {Event::UnsupportedSection, 2, "Detected unsupported 'NADJ' section"},
                {Event::UnsupportedSection, 5, "Detected unsupported 'NOUN' section"}}),
            observer.events);
  EXPECT_EQ("", loaded.errors);
  EXPECT_EQ((Entries{"moss"}), entriesOf(loaded.file, 5));
}

}  // namespace
}  // namespace weft
