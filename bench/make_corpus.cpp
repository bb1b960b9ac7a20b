// Writes a benchmark corpus into a directory.
//
//   weft_make_corpus load DIR LINES [FREQUENCY] [SEED]
//       DIR/corpus.dat of LINES physical lines, with names.dat, places.dat and
//       orcs.ele beside it; FREQUENCY 0 (the default) spreads frequencies
//       from 1 to 50, any other value is written on every entry line.
//   weft_make_corpus generate DIR TEMPLATES TABLE_ENTRIES [dice|nodice] [SEED]
//       DIR/generate.dat and DIR/generate.grm, the same lines as a PolyGen
//       grammar.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "corpus.h"

namespace {

int usage() {
  std::fputs(
      "usage: weft_make_corpus load DIR LINES [FREQUENCY] [SEED]\n"
      "       weft_make_corpus generate DIR TEMPLATES TABLE_ENTRIES [dice|nodice] [SEED]\n",
      stderr);
  return 2;
}

bool number(const char* text, unsigned long long& value) {
  char* end = nullptr;
  value = std::strtoull(text, &end, 10);
  return end != text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  using namespace weft::bench;
  if (argc < 4) return usage();
  const std::string_view mode = argv[1];
  const std::string directory = argv[2];
  unsigned long long a = 0;
  unsigned long long b = 0;
  unsigned long long seed = 1;
  if (mode == "load") {
    if (!number(argv[3], a) || (argc > 4 && !number(argv[4], b)) ||
        (argc > 5 && !number(argv[5], seed))) {
      return usage();
    }
    LoadCorpusOptions options;
    options.lines = a;
    options.frequency = static_cast<int>(b);
    options.seed = seed;
    if (!writeCorpus(makeLoadCorpus(options), directory)) {
      std::perror(directory.c_str());
      return 1;
    }
    return 0;
  }
  if (mode == "generate") {
    if (argc < 5 || !number(argv[3], a) || !number(argv[4], b) || a == 0 || b == 0) return usage();
    GenerationCorpusOptions options;
    options.templates = static_cast<std::uint32_t>(a);
    options.tableEntries = static_cast<std::uint32_t>(b);
    if (argc > 5) {
      const std::string_view dice = argv[5];
      if (dice != "dice" && dice != "nodice") return usage();
      options.dice = dice == "dice";
    }
    if (argc > 6 && !number(argv[6], seed)) return usage();
    options.seed = seed;
    CorpusFiles corpus = makeGenerationCorpus(options);
    corpus.files.emplace_back("generate.grm", makeEquivalentGrammar(options));
    if (!writeCorpus(corpus, directory)) {
      std::perror(directory.c_str());
      return 1;
    }
    return 0;
  }
  return usage();
}
