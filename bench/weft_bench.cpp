// Micro-benchmarks of the core: loading, the pick, reference expansion and
// dice. Run with --benchmark_filter=REGEX to pick some; figures are per
// iteration, with bytes or lines per second where they mean something.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "corpus.h"
#include "datafile/data_file.h"
#include "datafile/line_reader.h"
#include "datafile/table.h"
#include "generate/dice.h"
#include "generate/expand.h"
#include "support/engine.h"

namespace weft::bench {
namespace {

// A scratch directory that the benchmarks work in (listed files are looked up
// in the working directory), removed at exit.
class Workspace {
 public:
  Workspace() {
    char pattern[] = "/tmp/weft-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) std::abort();
    path_ = pattern;
    if (::chdir(path_.c_str()) != 0) std::abort();
  }
  ~Workspace() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  // Writes `corpus` into a directory of its own named `key` (once) and
  // returns the path of its main file.
  std::string write(const std::string& key, const CorpusFiles& corpus) {
    const std::string directory = path_ + "/" + key;
    if (!std::filesystem::exists(directory)) {
      std::filesystem::create_directory(directory);
      if (!writeCorpus(corpus, directory)) std::abort();
    }
    return directory + "/" + corpus.files.front().first;
  }

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

Workspace& workspace() {
  static Workspace instance;
  return instance;
}

// The engine every benchmark loads and generates with: the system's files,
// console and clock, as weft has them.
Engine& engine() {
  static SystemConsole console;
  static SystemFileSystem files;
  static SystemClock clock;
  static Engine instance(console, files, clock);
  return instance;
}

// Enters the directory of `path` for the life of the scope, so that the
// files it lists are found.
class InDirectoryOf {
 public:
  explicit InDirectoryOf(const std::string& path) {
    if (::chdir(std::filesystem::path(path).parent_path().c_str()) != 0) std::abort();
  }
  ~InDirectoryOf() {
    if (::chdir(workspace().path().c_str()) != 0) std::abort();
  }
  InDirectoryOf(const InDirectoryOf&) = delete;
  InDirectoryOf& operator=(const InDirectoryOf&) = delete;
};

std::string loadCorpus(std::uint64_t lines, int frequency) {
  LoadCorpusOptions options;
  options.lines = lines;
  options.frequency = frequency;
  return workspace().write("load-" + std::to_string(lines) + "-" + std::to_string(frequency),
                           makeLoadCorpus(options));
}

// A loaded generation corpus, kept for every benchmark that asks for it.
const DataFile& generationFile(std::uint32_t tableEntries, bool dice) {
  static std::map<std::tuple<std::uint32_t, bool>, DataFile> loaded;
  const auto key = std::make_tuple(tableEntries, dice);
  if (auto found = loaded.find(key); found != loaded.end()) return found->second;
  GenerationCorpusOptions options;
  options.tableEntries = tableEntries;
  options.dice = dice;
  const std::string path =
      workspace().write("generate-" + std::to_string(tableEntries) + (dice ? "-dice" : "-nodice"),
                        makeGenerationCorpus(options));
  return loaded.emplace(key, DataFile(engine(), path, nullptr)).first->second;
}

// ---- loading ----

void BM_Load(benchmark::State& state) {
  const std::string path =
      loadCorpus(static_cast<std::uint64_t>(state.range(0)), static_cast<int>(state.range(1)));
  InDirectoryOf directory(path);
  for (auto _ : state) {
    DataFile file(engine(), path, nullptr);
    benchmark::DoNotOptimize(file);
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
// Lines of the main file, and 0 (mixed frequencies), 1 or 50 on every line.
BENCHMARK(BM_Load)
    ->Args({10'000, 0})
    ->Args({100'000, 0})
    ->Args({100'000, 1})
    ->Args({100'000, 50})
    ->Unit(benchmark::kMillisecond);

void BM_LineReader(benchmark::State& state) {
  const std::string path = loadCorpus(100'000, 0);
  char buffer[1024];
  for (auto _ : state) {
    const std::unique_ptr<InputFile> file = engine().files.open(path);
    LineReader reader(*file);
    std::size_t total = 0;
    while (!reader.atEnd()) total += reader.readPiece(buffer, sizeof buffer - 1);
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_LineReader)->Unit(benchmark::kMillisecond);

// ---- the pick ----

void BM_Pick(benchmark::State& state) {
  Table table;
  const auto runs = static_cast<std::uint32_t>(state.range(0));
  const auto count = static_cast<std::uint32_t>(state.range(1));
  for (std::uint32_t i = 0; i < runs; ++i) table.append("entry number " + std::to_string(i), count);
  RandomSource random;
  random.seedRandom(12345);
  for (auto _ : state) {
    benchmark::DoNotOptimize(table.entryAt(random.nextRandom() % table.size()));
  }
  state.SetItemsProcessed(state.iterations());
}
// Entry lines in the table, and the frequency of each.
BENCHMARK(BM_Pick)
    ->Args({16, 1})
    ->Args({1024, 1})
    ->Args({32768, 1})
    ->Args({1 << 20, 1})
    ->Args({1024, 50});

// ---- generation and reference expansion ----

void BM_ExpandReferences(benchmark::State& state) {
  const DataFile& file = generationFile(1000, false);
  const std::string text = "the (table1) of (table2) and (table3) with (table4) by (table5)";
  engine().random.seedRandom(1);
  for (auto _ : state) benchmark::DoNotOptimize(expandReferences(engine(), file, text));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ExpandReferences);

void BM_ExpandNoReference(benchmark::State& state) {
  const DataFile& file = generationFile(1000, false);
  const std::string text = "a plain entry of some forty bytes or so";
  for (auto _ : state) benchmark::DoNotOptimize(expandReferences(engine(), file, text));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ExpandNoReference);

// A whole line of the generation corpus: the pick, 3 to 5 table references
// and (with dice) one roll, and the case rule. The argument is the number of
// entry lines of each referenced table: the cost should not grow with it.
void BM_Generate(benchmark::State& state) {
  const DataFile& file =
      generationFile(static_cast<std::uint32_t>(state.range(0)), state.range(1) != 0);
  engine().random.seedRandom(1);
  for (auto _ : state) benchmark::DoNotOptimize(file.generate(engine()));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Generate)->Args({16, 0})->Args({1000, 0})->Args({32768, 0})->Args({1000, 1});

// ---- dice ----

void BM_Dice(benchmark::State& state, const char* expression) {
  for (auto _ : state) {
    Dice dice(engine(), expression);
    benchmark::DoNotOptimize(dice.roll());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_Dice, ordinary, " 3d6+1");
BENCHMARK_CAPTURE(BM_Dice, fudge, " 4df+0");
BENCHMARK_CAPTURE(BM_Dice, many, " 100d20-5");

}  // namespace
}  // namespace weft::bench
