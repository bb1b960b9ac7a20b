// Deterministic data files for the benchmarks: the same options always give
// the same bytes, on every machine.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace weft::bench {

// A set of files to write side by side: a main data file first, then the
// files it lists.
struct CorpusFiles {
  std::vector<std::pair<std::string, std::string>> files;  // name, content
};

// Options of the loading corpus: a large main data file with many tables,
// frequencies, comments, continuation lines, table references, dice and
// references to listed files, plus a file list of two data files and an
// element file.
struct LoadCorpusOptions {
  std::uint64_t lines = 100'000;  // physical lines of the main file (at least 200)
  // 0 gives frequencies spread from 1 to 50 (and some lines without one);
  // any other value is written on every entry line. The text is otherwise the
  // same for every value.
  int frequency = 0;
  std::uint64_t seed = 1;
};

// Options of the generation corpus: table 0 holds lines with 3 to 5 table
// references each and (unless `dice` is false) one dice roll; tables 1 to 19
// hold plain words.
struct GenerationCorpusOptions {
  std::uint32_t templates = 1000;     // entry lines of table 0
  std::uint32_t tableEntries = 1000;  // entry lines of each of tables 1 to 19
  bool dice = true;
  std::uint64_t seed = 1;
};

// Returns the loading corpus; the main file is named `mainName`.
CorpusFiles makeLoadCorpus(const LoadCorpusOptions& options,
                           const std::string& mainName = "corpus.dat");

// Returns the generation corpus as one data file named `name`.
CorpusFiles makeGenerationCorpus(const GenerationCorpusOptions& options,
                                 const std::string& name = "generate.dat");

// Returns a PolyGen grammar that makes the same lines as the generation
// corpus: the same words and templates, each table a choice among its entries
// (with equal weights) and each dice roll a choice among the totals it can
// show.
std::string makeEquivalentGrammar(const GenerationCorpusOptions& options);

// Writes every file into `directory` (which must exist). Returns false when a
// file cannot be written.
bool writeCorpus(const CorpusFiles& corpus, const std::string& directory);

}  // namespace weft::bench
