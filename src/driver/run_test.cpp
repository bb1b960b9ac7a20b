// The run as a front end drives it: one engine, runs that end on a problem
// reported as values, and nothing of them carried into the next run.
#include "driver/run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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

}  // namespace
}  // namespace weft
