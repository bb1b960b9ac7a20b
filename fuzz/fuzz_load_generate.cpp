// Loads a data file, with the files it lists and element files beside it,
// and generates lines from it.
//
// The input is one flag byte and then up to five files, separated by lines
// "~~": main.dat, b.dat, c.ele, sub/d.dat and sub/e.ele, held in memory. The
// flag byte chooses the debug level (bits 0-1), the frequency cap (bits 2-3),
// the number of lines (bits 4-5) and whether the lines are made once more in
// the author's case (bit 6), which must fold to the same lines. The files are read through a file
// system in memory, so file lists and "%chdir:" reach only these files
// whatever they name.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "datafile/data_file.h"
#include "datafile/load_observer.h"
#include "fuzz_support.h"
#include "generate/author_case.h"
#include "support/ascii.h"
#include "support/console.h"

namespace {

using weft::DataFile;
using weft::LoadObserver;

// Collects load problems so that none of them ends the process.
class Collector : public LoadObserver {
 public:
  void problem(const DataFile& file, const weft::LoadProblem& problem) override {
    const Event event = problem.event;
    if (static_cast<int>(event) < 0 || event > Event::UnsupportedSection) std::abort();
    if (file.filename().empty() && event != Event::CantRead) std::abort();
    volatile std::size_t sum = problem.line;
    for (const char c : problem.message) sum = sum + static_cast<unsigned char>(c);
    for (const char c : problem.directory) sum = sum + static_cast<unsigned char>(c);
  }
  void loaded(const DataFile& file) override {
    if (file.currentTable() != 0) std::abort();
  }
};

Collector collector;

constexpr std::array<const char*, 5> kFileNames = {"main.dat", "b.dat", "c.ele", "sub/d.dat",
                                                   "sub/e.ele"};
constexpr std::array<std::int32_t, 4> kMaxFrequencies = {50, 2, 0, INT32_MAX};

// Makes `lines` lines from the same seed twice, as weft and in the author's
// case: the same lines, the same endings, and the author's folding to
// weft's.
void keepCase(weft::Engine& engine, int lines) {
  const DataFile plain(engine, "main.dat", nullptr);
  engine.settings.keepCase = true;
  const DataFile cased(engine, "main.dat", nullptr);
  for (int i = 0; i < lines; ++i) {
    std::string line = "-";
    std::string kept = "-";
    std::string author;
    engine.random.seedRandom(static_cast<std::uint32_t>(i));
    try {
      line = plain.generate(engine);
    } catch (const weft::Ending&) {
    }
    engine.random.seedRandom(static_cast<std::uint32_t>(i));
    try {
      weft::generateKeepingCase(engine, cased, kept, author);
    } catch (const weft::Ending&) {
      kept = author = "-";
    }
    if (line != kept || weft::lowerCopy(line) != weft::lowerCopy(author)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  weft::fuzz::FuzzEngine fuzz;
  weft::Engine& engine = fuzz.engine;
  unsigned flags = 0;
  if (!weft::fuzz::readInputFiles(data, size, fuzz.files, kFileNames, flags)) return 0;

  engine.loadObserver = &collector;
  engine.settings.debugLevel = static_cast<std::int32_t>(flags & 3u);
  engine.settings.maxFrequency = kMaxFrequencies[(flags >> 2) & 3u];
  engine.random.seedRandom(12345);
  try {
    const DataFile file(engine, "main.dat", nullptr);
    const DataFile copy(file);
    for (int t = 0; t < weft::TABLE_COUNT; ++t) {
      if (copy.table(t).size() != file.table(t).size()) std::abort();
    }
    const int lines = 1 + static_cast<int>((flags >> 4) & 3u);
    try {
      for (int i = 0; i < lines; ++i) {
        const std::string line = copy.generate(engine);
        if (line.find('\n') != std::string::npos) std::abort();
        if (line.empty() && !copy.table(copy.currentTable()).empty()) std::abort();
      }
    } catch (const weft::Ending&) {
      // A line that ends the run: weft would stop here with a diagnostic.
    }
  } catch (const weft::Ending&) {
    // With a load observer, loading never ends the run.
    std::abort();
  }
  if ((flags & 0x40u) != 0) keepCase(engine, 1 + static_cast<int>((flags >> 4) & 3u));
  return 0;
}
