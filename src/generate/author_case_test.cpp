// Lines in the author's case: weft's own line, with the capitals of the
// entries as written.
#include "generate/author_case.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "datafile/data_file.h"
#include "driver/run.h"
#include "support/ascii.h"
#include "support/file_system.h"
#include "support/spread_seconds.h"

namespace weft {
namespace {

TEST(AuthorCaseTest, CapitalsComeThroughPicksRollsAndListedFiles) {
  MemoryFileSystem files;
  files.addFile("main.dat",
                "%files\nPeople.dat\nnames.ele\n%table 0\n"
                "x\n%table 1\nthe Tower of Galaorn\n%table 2\nA letter from (people.dat)\n"
                "%table 3\n(names.ele) of Ald\n%table 4\n(random 1d1+1) Crowns, (nobody)\n"
                "%table 5\n   Old Ferro :2 # the landlord\n");
  files.addFile("people.dat", "Mother Grell\n");
  files.addFile("names.ele", "#pre\nMAC\n#suf\nduff\n");
  MemoryConsole console;
  FixedClock clock(1767225600);
  Engine engine(console, files, clock);
  engine.settings.keepCase = true;
  const DataFile file(engine, "main.dat", nullptr);
  // weft's line, then the same with the capitals as written: the first letter
  // raised, a listed file's line as it is written (an element file's with its
  // words capitalised), and a reference that matches nothing repeating the
  // last replacement in its case.
  const struct {
    std::string entry;
    std::string line;
    std::string cased;
  } cases[] = {
      {"(table1)", "The tower of galaorn", "The Tower of Galaorn"},
      {"(table2)", "A letter from mother grell", "A letter from Mother Grell"},
      {"(table3)", "Macduff of ald", "Macduff of Ald"},
      {"(table4)", "2 crowns, 2", "2 Crowns, 2"},
      {"at (table1)!", "At the tower of galaorn!", "At the Tower of Galaorn!"},
      {"(table5)", "Old ferro ", "Old Ferro "},
  };
  for (const auto& c : cases) {
    std::string line;
    std::string cased;
    expandKeepingCase(engine, file, c.entry, c.entry, line, cased);
    EXPECT_EQ(lowerCopy(c.line), line) << c.entry;
    EXPECT_EQ(c.cased.substr(1), cased.substr(1)) << c.entry;
  }
  engine.random.seedRandom(1);
  std::string line;
  std::string cased;
  generateKeepingCase(engine, file.subfiles().at(1), line, cased);
  EXPECT_EQ("Macduff", line);
  EXPECT_EQ("Macduff", cased);
}

// Every example, at many seconds: the line in the author's case folds to the
// line weft prints at that second, and weft writes nothing else.
TEST(AuthorCaseTest, FoldsToWeftsLineOnEveryExample) {
  const std::filesystem::path examples = WEFT_EXAMPLES_DIR;
  std::vector<std::int64_t> seconds = spreadSeconds(400, 1767225600);
  for (std::int64_t s = -50; s < 50; ++s) seconds.push_back(s);
  int files = 0;
  int capitals = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(examples)) {
    const std::string name = entry.path().filename().string();
    if (name.find(".dat") == std::string::npos && name.find(".ele") == std::string::npos) continue;
    ++files;
    OverlayFileSystem disk(entry.path().parent_path().string());
    MemoryConsole console;
    FixedClock clock;
    Engine engine(console, disk, clock);
    engine.settings.keepCase = true;
    const DataFile file(engine, name, nullptr);
    for (const std::int64_t second : seconds) {
      clock.set(second);
      std::string args[] = {"weft", name};
      char* argv[] = {args[0].data(), args[1].data(), nullptr};
      console.clear();
      runWeft(2, argv, engine);
      console.tryFlushOut();
      const std::string printed = console.combined();
      console.clear();
      engine.random.seedRandom(static_cast<std::uint32_t>(second));
      std::string line;
      std::string cased;
      generateKeepingCase(engine, file, line, cased);
      ASSERT_EQ(printed, line + "\n") << name << " at " << second;
      ASSERT_EQ(lowerCopy(line), lowerCopy(cased)) << name << " at " << second;
      EXPECT_EQ("", console.combined()) << name << " at " << second;
      capitals += line != cased && lowerCopy(line.substr(0, 1)) == lowerCopy(cased.substr(0, 1));
    }
  }
  EXPECT_GE(files, 13);
  EXPECT_GT(capitals, 0) << "no example wrote capitals to keep";
}

}  // namespace
}  // namespace weft
