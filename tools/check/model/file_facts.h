// The facts that loading a data file leaves for the checks of its entries.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "datafile/data_file.h"

namespace weft::check {

// The physical line each run of each table started on, in table order.
using EntryLines = std::array<std::vector<std::uint64_t>, TABLE_COUNT>;

// What loading showed about one file beyond its entries, for the analysis
// that follows it.
struct FileFacts {
  EntryLines lines;
  // A "#" line of an element file that looks like a section line but is
  // not one, so that its section never starts.
  struct SectionTypo {
    std::uint64_t line;
    std::string text;
    int table;  // the table of the section it was meant for
  };
  std::vector<SectionTypo> sectionTypos;
  // Why a table may have got no entries (a "%table" line that reads no
  // number or one out of range), keyed by the table meant; empty when none.
  std::array<std::string, TABLE_COUNT> missedTable;
  // The offset of each entry line's text in its physical line (after the
  // blanks before it), keyed by line, for diagnostics that point into it.
  std::map<std::uint64_t, std::uint32_t> entryColumns;
};

}  // namespace weft::check
