// The notes of an export: each kind of thing weft does that the target cannot,
// with how often it was met.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace weft::exporter {

class Notes {
 public:
  // Counts one more of `kind`, which `text` describes (the text of the first
  // count of a kind is kept).
  void add(std::string_view kind, std::string_view text, std::uint64_t count = 1);

  // Returns the count of `kind`, 0 when none was met.
  std::uint64_t count(std::string_view kind) const;

  // Returns one line per kind, in the order first met: "note: TEXT (COUNT)".
  std::vector<std::string> lines() const;

 private:
  struct Kind {
    std::string kind;
    std::string text;
    std::uint64_t count = 0;
  };
  std::vector<Kind> kinds_;
};

}  // namespace weft::exporter
