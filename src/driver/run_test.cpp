// The run as a front end drives it: one engine, runs that end on a problem
// reported as values, and nothing of them carried into the next run.
#include "driver/run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "datafile/data_file.h"
#include "generate/case_rules.h"
#include "generate/generation_observer.h"
#include "support/ascii.h"
#include "support/clock.h"
#include "support/console.h"
#include "support/engine.h"
#include "support/file_system.h"

namespace weft {
namespace {

struct Outcome {
  std::string ending;  // "status message", or "" for a run that reached its end
  std::string output;  // both streams, in the order written
};

Outcome run(Engine& engine, MemoryConsole& console, std::vector<std::string> args) {
  args.insert(args.begin(), "weft");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  console.clear();
  Outcome result;
  try {
    runWeft(static_cast<int>(args.size()), argv.data(), engine);
  } catch (const Ending& ending) {
    writeEnding(console, ending);
    result.ending = std::to_string(static_cast<int>(ending.status)) + " " + ending.message;
  }
  console.tryFlushOut();
  result.output = console.combined();
  return result;
}

TEST(RunTest, EndingsAreValuesAndLeaveTheEngineAsItWas) {
  MemoryFileSystem files;
  files.addFile("good.dat", "%title:good\n(table1) (random 2d6+0)\n%table1\nred\nblue\ngreen\n");
  files.addFile("lists.dat", "%files\nlore/missing.dat\n");
  files.addFile("lore/empty.dat", "(nothing)\n");
  files.addFile("lore/table.dat", "(table3)\n");
  files.addFile("lore/runaway.dat", "(table0)\n");
  MemoryConsole console;
  FixedClock clock(1767225600);
  Engine engine(console, files, clock);
  const struct {
    std::vector<std::string> args;
    std::string ending;
  } cases[] = {
      {{"lists.dat"}, "-2 Can't read lore/missing.dat"},
      {{"-t", "lore\\empty.dat"}, "-3 Zero length string"},
      {{"lore\\table.dat"}, "-6 Zero length table referenced: (table3)"},
      {{"lore\\runaway.dat"},
       "-10 Expansion too long in runaway.dat: more than 1000000 steps in one line"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.ending, run(engine, console, c.args).ending) << c.args.back();
    EXPECT_EQ("/", files.workingDirectory()) << c.args.back();
    EXPECT_TRUE(engine.loading.chain.empty()) << c.args.back();
    EXPECT_EQ(0, engine.expansion.depth) << c.args.back();
  }
  EXPECT_EQ("No Title    : Zero length string\n",
            run(engine, console, {"-t", "lore\\empty.dat"}).output);

  MemoryConsole freshConsole;
  Engine fresh(freshConsole, files, clock);
  const Outcome expected = run(fresh, freshConsole, {"-t", "-n", "4", "good.dat"});
  const Outcome again = run(engine, console, {"-t", "-n", "4", "good.dat"});
  EXPECT_EQ("", again.ending);
  EXPECT_EQ(expected.output, again.output);
  EXPECT_EQ(4, std::count(again.output.begin(), again.output.end(), '\n'));
}

// Rebuilds weft's standard output from the generation events alone: each line
// from its pick, splicing in at each reference what the events say replaced
// it, and the notices of dice that do not read.
class Replay final : public GenerationObserver {
 public:
  std::string out;

  void lineStarted(const DataFile&) override { levels_.emplace_back(); }
  void picked(const DataFile&, const Pick& pick) override {
    Level& level = levels_.back();
    (level.picked ? level.replacement : level.text) = pick.entry;
    level.picked = true;
  }
  void rolled(const DataFile&, const Roll& roll) override {
    auto total = static_cast<std::uint32_t>(roll.modifier);
    for (const std::int32_t die : roll.dice) total += static_cast<std::uint32_t>(die);
    EXPECT_EQ(roll.total, static_cast<std::int32_t>(total)) << roll.expression;
    levels_.back().replacement = std::to_string(roll.total);
    if (!roll.read) out += "Didn't grok \"" + std::string(roll.expression) + "\"!\n";
  }
  void replaced(const DataFile&, const ReferenceStep& step) override {
    Level& level = levels_.back();
    if (step.kind == ReferenceTarget::Kind::Name && step.resolved) level.replacement = listed_;
    EXPECT_EQ(level.replacement, step.replacement) << level.text;
    const ReferenceSpan span = findReference(level.text);
    ASSERT_TRUE(span.found()) << level.text;
    EXPECT_EQ(span.inner(level.text), step.inner);
    level.text.replace(span.open, span.close - span.open + 1, level.replacement);
  }
  void lineFinished(const DataFile& file, std::string_view line) override {
    std::string text = std::move(levels_.back().text);
    levels_.pop_back();
    if (!text.empty()) (file.isElementFile() ? capitalizeWords : capitalizeFirst)(text);
    EXPECT_EQ(line, text);
    listed_ = lowerCopy(text);
    if (levels_.empty()) out += text + "\n";
  }

 private:
  struct Level {
    std::string text;
    std::string replacement;
    bool picked = false;
  };
  std::vector<Level> levels_;
  std::string listed_;  // the last listed file's line, as a reference takes it
};

TEST(RunTest, EventsRebuildEveryLineOfTheExamples) {
  const std::filesystem::path examples = WEFT_EXAMPLES_DIR;
  int files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(examples)) {
    const std::string name = entry.path().filename().string();
    if (name.find(".dat") == std::string::npos && name.find(".ele") == std::string::npos) continue;
    ++files;
    for (std::uint64_t i = 0; i < 50; ++i) {
      // Spread over the whole clock, negative seconds included.
      FixedClock clock(static_cast<std::int64_t>(i * 0x9E3779B97F4A7C15u));
      OverlayFileSystem disk(entry.path().parent_path().string());
      MemoryConsole console;
      Engine engine(console, disk, clock);
      Replay replay;
      engine.generationObserver = &replay;
      EXPECT_EQ("", run(engine, console, {"-n", "5", name}).ending) << name;
      ASSERT_EQ(console.out(), replay.out) << name << " at " << clock.now();
    }
  }
  EXPECT_GE(files, 13);
}

}  // namespace
}  // namespace weft
