#include "corpus.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

namespace weft::bench {

namespace {

// splitmix64: small, fast and the same everywhere, unlike the standard
// library's distributions.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // Returns a number from 0 to n - 1. REQUIRES: n > 0
  std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(next() % n); }

  // Returns true with a chance of `percent` in 100.
  bool chance(std::uint32_t percent) { return below(100) < percent; }

 private:
  std::uint64_t state_;
};

constexpr std::array<std::string_view, 32> kSyllables = {
    "ka",  "lor", "eth", "mir", "dun", "gal", "or",  "ith", "bra", "vel", "tor",
    "sha", "mun", "zed", "ul",  "an",  "rek", "fi",  "ost", "yar", "em",  "quil",
    "dro", "nes", "har", "pol", "is",  "vak", "tem", "gru", "sol", "ben"};

constexpr std::array<std::string_view, 8> kJoiners = {"the", "of", "and", "with",
                                                      "a",   "in", "by",  "from"};

// A made-up word of one to three syllables, sometimes capitalised so that
// loading has letters to fold.
void appendWord(Rng& rng, std::string& out, bool mayCapitalise = true) {
  const std::size_t start = out.size();
  const std::uint32_t syllables = 1 + rng.below(3);
  for (std::uint32_t i = 0; i < syllables; ++i) out += kSyllables[rng.below(kSyllables.size())];
  if (mayCapitalise && rng.chance(15)) out[start] = static_cast<char>(out[start] - 'a' + 'A');
}

void appendWords(Rng& rng, std::string& out, std::uint32_t count, bool mayCapitalise = true) {
  for (std::uint32_t i = 0; i < count; ++i) {
    if (i > 0) out += ' ';
    appendWord(rng, out, mayCapitalise);
  }
}

struct DiceKind {
  std::string_view expression;
  int low;
  int high;
};

constexpr std::array<DiceKind, 6> kDice = {{{"3d6+1", 4, 19},
                                            {"2d6+0", 2, 12},
                                            {"1d20+0", 1, 20},
                                            {"4df+0", -4, 4},
                                            {"1d100-1", 0, 99},
                                            {"2d4+2", 4, 10}}};

// Joins texts by appending, which also keeps g++ 12's -Wrestrict quiet about
// the temporaries of a chain of "+".
template <typename... Parts>
std::string concat(const Parts&... parts) {
  std::string out;
  (out.append(std::string_view(parts)), ...);
  return out;
}

std::string frequencyText(std::uint32_t frequency) {
  return concat(":", std::to_string(frequency));
}

// ---- loading corpus ----

const std::array<std::string_view, 3> kListedFiles = {"names.dat", "places.dat", "orcs.ele"};

// One entry text for table `table`: words, and in tables below 19 sometimes
// references to higher tables (so that every expansion ends), dice, or a
// listed file.
std::string loadEntryText(Rng& rng, int table, bool plain) {
  std::string text;
  appendWords(rng, text, 3 + rng.below(7));
  if (plain) return text;
  if (table < 19 && rng.chance(30)) {
    const std::uint32_t refs = 1 + rng.below(2);
    for (std::uint32_t i = 0; i < refs; ++i) {
      text += ' ';
      text += kJoiners[rng.below(kJoiners.size())];
      const int target =
          table + 1 + static_cast<int>(rng.below(static_cast<std::uint32_t>(19 - table)));
      text += concat(" (table", std::to_string(target), ")");
    }
  }
  if (rng.chance(5)) {
    text += concat(" (random ", kDice[rng.below(kDice.size())].expression, ")");
  }
  if (table == 0 && rng.chance(5)) {
    text += concat(" (", kListedFiles[rng.below(kListedFiles.size())], ")");
  }
  return text;
}

std::string namesFile(Rng& rng) {
  std::string out = "%title:Names\n# Given names, weighted.\n";
  for (int i = 0; i < 300; ++i) {
    appendWord(rng, out);
    out += frequencyText(1 + rng.below(50));
    out += '\n';
  }
  return out;
}

std::string placesFile(Rng& rng) {
  std::string out = "%title:Places\n";
  for (int i = 0; i < 100; ++i) {
    out += "the ";
    appendWord(rng, out);
    out += " of (table1), (random 1d6+0) leagues away\n";
  }
  out += "%table 1\n";
  for (int i = 0; i < 200; ++i) {
    appendWords(rng, out, 1 + rng.below(2));
    out += frequencyText(1 + rng.below(20));
    out += '\n';
  }
  return out;
}

std::string elementFile(Rng& rng) {
  std::string out = "great orc\n#pre\n";
  for (int i = 0; i < 150; ++i) {
    appendWord(rng, out);
    out += '\n';
  }
  out += "#suf\n";
  for (int i = 0; i < 150; ++i) {
    if (rng.chance(10)) out += '\'';
    appendWord(rng, out);
    out += '\n';
  }
  out += "#end\n";
  return out;
}

// ---- generation corpus ----

struct Item {
  enum Kind { Word, TableRef, Roll } kind;
  std::string word;
  int index = 0;  // table number or dice kind
};

struct GenerationModel {
  std::vector<std::vector<Item>> templates;
  std::vector<std::uint32_t> templateFrequencies;
  std::array<std::vector<std::string>, 20> tables;  // 1 to 19 used
  std::array<std::vector<std::uint32_t>, 20> frequencies;
};

GenerationModel makeGenerationModel(const GenerationCorpusOptions& options) {
  Rng rng(options.seed * 0x51ED27ull + 7);
  GenerationModel model;
  for (std::uint32_t t = 0; t < options.templates; ++t) {
    std::vector<Item> items;
    const std::uint32_t refs = 3 + rng.below(3);
    const std::uint32_t rollAt = rng.below(refs + 1);
    auto word = [&] {
      std::string w;
      if (rng.chance(50)) {
        w = kJoiners[rng.below(kJoiners.size())];
      } else {
        appendWord(rng, w, false);
      }
      items.push_back(Item{Item::Word, w});
    };
    word();
    for (std::uint32_t r = 0; r <= refs; ++r) {
      if (options.dice && r == rollAt) {
        word();
        items.push_back(Item{Item::Roll, {}, static_cast<int>(rng.below(kDice.size()))});
      }
      if (r == refs) break;
      if (rng.chance(60)) word();
      items.push_back(Item{Item::TableRef, {}, 1 + static_cast<int>(rng.below(19))});
    }
    model.templates.push_back(std::move(items));
    model.templateFrequencies.push_back(1 + rng.below(50));
  }
  for (int table = 1; table < 20; ++table) {
    for (std::uint32_t e = 0; e < options.tableEntries; ++e) {
      std::string text;
      appendWords(rng, text, 1 + rng.below(2), false);
      model.tables[static_cast<std::size_t>(table)].push_back(std::move(text));
      model.frequencies[static_cast<std::size_t>(table)].push_back(1 + rng.below(50));
    }
  }
  return model;
}

}  // namespace

CorpusFiles makeLoadCorpus(const LoadCorpusOptions& options, const std::string& mainName) {
  Rng rng(options.seed);
  const std::uint64_t lines = std::max<std::uint64_t>(options.lines, 200);
  std::string out;
  out.reserve(lines * 52);
  std::uint64_t written = 0;
  auto line = [&](std::string_view text) {
    out += text;
    out += '\n';
    ++written;
  };
  auto frequency = [&](bool mixed) -> std::string {
    const std::uint32_t drawn = 1 + rng.below(50);
    const bool withColon = rng.chance(80);
    if (options.frequency != 0) return frequencyText(static_cast<std::uint32_t>(options.frequency));
    return mixed && withColon ? frequencyText(drawn) : std::string();
  };

  line(concat("# Benchmark corpus: ", std::to_string(lines), " lines, seed ",
              std::to_string(options.seed)));
  line("%title:Benchmark corpus");
  line("%files");
  for (std::string_view listed : kListedFiles) line(listed);

  // Tables take turns in blocks, so the file switches table often; the first
  // line of each block is a plain entry, so no table stays empty.
  const std::uint64_t body = lines - written;
  const std::uint64_t block = std::clamp<std::uint64_t>(body / 40, 1, 500);
  int table = -1;
  std::uint64_t leftInBlock = 0;
  while (written < lines) {
    const std::uint64_t remaining = lines - written;
    if (leftInBlock == 0 && remaining >= 2) {
      table = (table + 1) % 20;
      leftInBlock = block;
      line(concat("%table ", std::to_string(table)));
      line(loadEntryText(rng, table, true) + frequency(true));
      continue;
    }
    if (leftInBlock > 0) --leftInBlock;
    const std::uint32_t kind = rng.below(100);
    if (kind < 6) {
      std::string comment = "# ";
      appendWords(rng, comment, 4 + rng.below(9));
      line(comment);
    } else if (kind < 8) {
      line("");
    } else if (kind < 12 && remaining >= 2) {
      // A long entry written over two physical lines.
      std::string first = loadEntryText(rng, table, true);
      std::string second;
      appendWords(rng, second, 4 + rng.below(5));
      line(concat(first, " \\"));
      line(second + frequency(true));
    } else {
      std::string entry = loadEntryText(rng, table, false) + frequency(true);
      if (rng.chance(5)) {
        entry += "  # ";
        appendWords(rng, entry, 1 + rng.below(3));
      }
      line(entry);
    }
  }

  CorpusFiles corpus;
  corpus.files.emplace_back(mainName, std::move(out));
  Rng subRng(options.seed ^ 0xABCDEFull);
  corpus.files.emplace_back("names.dat", namesFile(subRng));
  corpus.files.emplace_back("places.dat", placesFile(subRng));
  corpus.files.emplace_back("orcs.ele", elementFile(subRng));
  return corpus;
}

CorpusFiles makeGenerationCorpus(const GenerationCorpusOptions& options, const std::string& name) {
  const GenerationModel model = makeGenerationModel(options);
  std::string out = "%title:Generation corpus\n";
  for (std::size_t t = 0; t < model.templates.size(); ++t) {
    std::string text;
    for (const Item& item : model.templates[t]) {
      if (!text.empty()) text += ' ';
      switch (item.kind) {
        case Item::Word:
          text += item.word;
          break;
        case Item::TableRef:
          text += concat("(table", std::to_string(item.index), ")");
          break;
        case Item::Roll:
          text += concat("(random ", kDice[static_cast<std::size_t>(item.index)].expression, ")");
          break;
      }
    }
    out += concat(text, frequencyText(model.templateFrequencies[t]), "\n");
  }
  for (std::size_t table = 1; table < 20; ++table) {
    out += concat("%table ", std::to_string(table), "\n");
    for (std::size_t e = 0; e < model.tables[table].size(); ++e) {
      out += concat(model.tables[table][e], frequencyText(model.frequencies[table][e]), "\n");
    }
  }
  CorpusFiles corpus;
  corpus.files.emplace_back(name, std::move(out));
  return corpus;
}

std::string makeEquivalentGrammar(const GenerationCorpusOptions& options) {
  const GenerationModel model = makeGenerationModel(options);
  // Terminals are quoted; "\" raises the first letter of the next terminal,
  // as weft raises the first letter of a line.
  auto quoted = [](std::string_view word) { return concat("\"", word, "\""); };
  std::string out = "S ::= \\ L ;\nL ::= ";
  for (std::size_t t = 0; t < model.templates.size(); ++t) {
    if (t > 0) out += "\n    | ";
    bool first = true;
    for (const Item& item : model.templates[t]) {
      if (!first) out += ' ';
      first = false;
      switch (item.kind) {
        case Item::Word:
          out += quoted(item.word);
          break;
        case Item::TableRef:
          out += concat("T", std::to_string(item.index));
          break;
        case Item::Roll:
          out += concat("D", std::to_string(item.index));
          break;
      }
    }
  }
  out += " ;\n";
  for (std::size_t table = 1; table < 20; ++table) {
    out += concat("T", std::to_string(table), " ::= ");
    for (std::size_t e = 0; e < model.tables[table].size(); ++e) {
      if (e > 0) out += " | ";
      std::string_view text = model.tables[table][e];
      // Each word of a two-word entry is a terminal of its own.
      std::size_t space;
      while ((space = text.find(' ')) != std::string_view::npos) {
        out += concat(quoted(text.substr(0, space)), " ");
        text.remove_prefix(space + 1);
      }
      out += quoted(text);
    }
    out += " ;\n";
  }
  for (std::size_t d = 0; options.dice && d < kDice.size(); ++d) {
    out += concat("D", std::to_string(d), " ::= ");
    for (int total = kDice[d].low; total <= kDice[d].high; ++total) {
      if (total > kDice[d].low) out += " | ";
      out += quoted(std::to_string(total));
    }
    out += " ;\n";
  }
  return out;
}

bool writeCorpus(const CorpusFiles& corpus, const std::string& directory) {
  for (const auto& [name, content] : corpus.files) {
    const std::string path = concat(directory, "/", name);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    if (std::fclose(file) != 0 || !ok) return false;
  }
  return true;
}

}  // namespace weft::bench
