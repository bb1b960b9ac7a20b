// Expands references in arbitrary working texts against a fixed data file
// whose tables 0 to 18 hold entries (with references of their own), whose
// table 19 is empty, and which lists a data file and an element file.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "datafile/data_file.h"
#include "fuzz_support.h"
#include "generate/expand.h"

namespace {

weft::fuzz::FuzzEngine* fuzz;
std::unique_ptr<weft::DataFile> dataFile;

const char* const kMainFile =
    "%title:fuzz\n"
    "plain entry:3\n"
    "the (table1) of (table2)\n"
    "(random 2d6+1) coins\n"
    "(b.dat) and (c.ele)\n"
    "%table 1\nred\n(table3)ish\n(random 1df+0)\n"
    "%table 2\n(table1) (table1)\nx(random 0d0+0)y\n"
    "%table 3\nblue\n(table4)\n"
    "%table 4\n(nothing here)\n()\n(table 19)\n(table -1)\n(table 20)\n"
    "%table 5\n((table5))\n"
    "%table 6\n(table6)\n"
    "%table 7\n(table7)(table7)\n"
    "%table 8\nrandom(\n"
    "%table 9\n)(\n"
    "%table 10\n(random 5d100+-3)\n"
    "%table 11\na\n%table 12\nb\n%table 13\nc\n%table 14\nd\n%table 15\ne\n"
    "%table 16\nf\n%table 17\ng\n%table 18\nh\n"
    "%file\nb.dat\nc.ele\n";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz = new weft::fuzz::FuzzEngine;
  fuzz->files.addFile("main.dat", kMainFile);
  fuzz->files.addFile("b.dat", "listed (table1)\n%table 1\nword\n");
  fuzz->files.addFile("c.ele", "#pre\nka\nzo\n#suf\nrak\nmun\n#end\n");
  dataFile = std::make_unique<weft::DataFile>(fuzz->engine, "main.dat", nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 16 * 1024) return 0;
  std::string text(reinterpret_cast<const char*>(data), size);
  weft::Engine& engine = fuzz->engine;
  engine.random.seedRandom(static_cast<std::uint32_t>(size));
  try {
    const std::string result = weft::expandReferences(engine, *dataFile, text);
    // Expansion ends only when no "(" is followed by a ")".
    const std::size_t open = result.find('(');
    if (open != std::string::npos && result.find(')', open) != std::string::npos) std::abort();
    if (result.size() > engine.limits.maxTextBytes && result != text) std::abort();
  } catch (const weft::Ending&) {
    // An empty table referenced, or a line over its limits.
  }
  return 0;
}
