// Rolling at the table: lines at seconds of their own, without repeats, and
// lines that keep parts of another, each the line weft prints at its second.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "datafile/data_file.h"
#include "driver/run.h"
#include "roll/keep_parts.h"
#include "roll/line_roller.h"
#include "roll/roll_lines.h"
#include "support/file_system.h"
#include "support/spread_seconds.h"

namespace weft {
namespace {

constexpr std::int64_t kMidnight = 1767225600;

// What weft itself writes for `file` at `second`, both streams in order.
std::string weftAt(FileSystem& files, const std::string& file, std::int64_t second) {
  MemoryConsole console;
  FixedClock clock(second);
  Engine engine(console, files, clock);
  std::string args[] = {"weft", file};
  char* argv[] = {args[0].data(), args[1].data(), nullptr};
  try {
    runWeft(2, argv, engine);
  } catch (const Ending& ending) {
    writeEnding(console, ending);
  }
  console.tryFlushOut();
  return console.combined();
}

// The same, as a rolled line shows it.
std::string shown(const RolledLine& rolled) {
  std::string out;
  for (const WrittenPiece& piece : rolled.written) out += piece.text;
  if (rolled.ending) return out + rolled.ending->message + "\n";
  return out + rolled.line + "\n";
}

// Each step as kind, reference and the number of the step it hangs under.
std::string dump(const std::vector<LineStep>& steps) {
  static constexpr const char* kKinds[] = {"pick", "enter", "leave", "empty", "ref"};
  std::string out;
  for (const LineStep& step : steps) {
    out += kKinds[static_cast<int>(step.kind)];
    if (step.kind == LineStep::Kind::Reference) out += "(" + step.inner + ")";
    if (step.parent != LineStep::kNoParent) out.append("^").append(std::to_string(step.parent + 1));
    out += ' ';
  }
  return out;
}

struct RollTest : ::testing::Test {
  RollTest() {
    files.addFile("inn.dat",
                  "%files\nname.dat\n%table 0\n(table1) (table2) run by (name.dat):3\n"
                  "the (table2)\n%table 1\na (table3) old\nthe\n%table 2\nfox\nbear\nhare\n"
                  "%table 3\nvery\nrather\n");
    files.addFile("name.dat", "(random 1d6+0)-fingered Tam\nBlack Peg\n");
    files.addFile("odd.dat", "(random 3d6) (table25):30\n(table9)\n");
    files.addFile("few.dat", "a\nb\nc\n");
  }
  MemoryFileSystem files;
};

TEST_F(RollTest, EachLineIsWeftsAtItsSecond) {
  LineRoller roller(files, {.keepCase = true, .steps = true});
  for (const char* name : {"inn.dat", "odd.dat"}) {
    const DataFile file(roller.engine(), name, nullptr);
    const RolledLines rolled = rollLines(roller, file, 40, kMidnight, false, {});
    // A run that ends on a problem is the last.
    ASSERT_TRUE(rolled.lines.size() == 40 || rolled.lines.back().ending) << name;
    const std::vector<std::int64_t> seconds = spreadSeconds(40, kMidnight);
    for (std::size_t i = 0; i < rolled.lines.size(); ++i) {
      const RolledLine& line = rolled.lines[i];
      EXPECT_EQ(seconds[i], line.second);
      EXPECT_EQ(weftAt(files, name, line.second), shown(line)) << name << " at " << line.second;
    }
  }
}

TEST_F(RollTest, StepsHangUnderTheTextThatBroughtThemIn) {
  LineRoller roller(files, {.steps = true});
  const DataFile file(roller.engine(), "inn.dat", nullptr);
  for (std::int64_t second = kMidnight;; ++second) {
    const RolledLine line = roller.rollAt(file, second);
    if (line.steps.size() < 9) continue;
    EXPECT_EQ(
        "pick ref(table1)^1 ref(table3)^2 ref(table2)^1 enter^9 pick^5 ref(random 1d6+0)^6 leave^5 "
        "ref(name.dat)^1 ",
        dump(line.steps));
    EXPECT_EQ((std::vector<std::size_t>{1, 2}), partOf(line.steps, 1));
    EXPECT_EQ((std::vector<std::size_t>{4, 5, 6, 7, 8}), partOf(line.steps, 8));
    break;
  }
}

TEST_F(RollTest, KeptPartsStayAndTheRestRollsAgain) {
  LineRoller roller(files, {.steps = true});
  const DataFile file(roller.engine(), "inn.dat", nullptr);
  RolledLine original;
  for (std::int64_t second = kMidnight; original.steps.size() < 9; ++second) {
    original = roller.rollAt(file, second);
  }
  // Keeping the beast (step 4) keeps the shape it stands in; the adjective
  // and the landlord roll again. Keeping the landlord's Enter (step 5) keeps
  // the landlord's whole line. A part rolled again picks another entry: the
  // landlord then has only one other, the adjective too.
  for (const std::size_t kept : {3, 4}) {
    const RolledLines found =
        rollKeeping(roller, file, original, {kept}, 2, true, {.seconds = 5000});
    ASSERT_EQ(kept == 3 ? 1u : 2u, found.lines.size()) << kept;
    EXPECT_LT(std::abs(found.lines[0].second - original.second), 100);
    std::set<std::string> lines;
    for (const RolledLine& line : found.lines) {
      EXPECT_EQ(weftAt(files, "inn.dat", line.second), shown(line));
      const bool sameLandlord = line.steps.back().text == original.steps.back().text;
      const bool sameBeast = line.line.find(original.steps[3].text) != std::string::npos;
      EXPECT_EQ(kept == 4, sameLandlord) << line.line;
      EXPECT_EQ(kept == 3, sameBeast) << line.line;
      EXPECT_NE(original.steps[1].pick->run, line.steps[1].pick->run) << line.line;
      EXPECT_TRUE(lines.insert(line.line).second) << line.line;
    }
  }
  // Rolling the die inside the listed file again keeps the rest of its line.
  EXPECT_EQ((std::vector<std::size_t>{0, 1, 2, 3, 5}), keptBeside(original.steps, 6));
  const RolledLines die = rollKeeping(roller, file, original, keptBeside(original.steps, 6), 1,
                                      false, {.seconds = 5000});
  EXPECT_EQ(1u, die.lines.size());
  // Keeping every choice leaves nothing to roll.
  EXPECT_TRUE(rolledParts(original.steps, {2, 3, 6}).empty());
  EXPECT_TRUE(rollKeeping(roller, file, original, {2, 3, 6}, 1, false, {}).lines.empty());
}

TEST_F(RollTest, NoLineTwiceWithinTheBudget) {
  LineRoller roller(files, {});
  const DataFile file(roller.engine(), "few.dat", nullptr);
  const RolledLines all = rollLines(roller, file, 3, kMidnight, true, {});
  EXPECT_EQ(3u, all.lines.size());
  const RolledLines more = rollLines(roller, file, 5, kMidnight, true, {.seconds = 200});
  EXPECT_EQ(3u, more.lines.size());
  EXPECT_EQ(200u, more.secondsTried);
  EXPECT_FALSE(more.outOfTime);
}

}  // namespace
}  // namespace weft
