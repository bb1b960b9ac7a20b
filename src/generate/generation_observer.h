// A watcher of line generation. weft itself has none; a tool that explains
// where a line came from installs one in its engine and is told each step
// of every line, in the order generation takes them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "generate/reference.h"

namespace weft {

class DataFile;

// One entry drawn from a table: by a line's first draw, or by a table
// reference.
struct Pick {
  int table;
  std::uint64_t position;  // counted from 0 in table order
  std::string_view entry;
  // The physical line of the data file the entry stands on; 0 when not known
  // (the file was loaded with no generation observer installed, or the entry
  // is an element file's prefix joined to a suffix).
  std::uint64_t line;
};

// One reference of a working text, as replaced.
struct ReferenceStep {
  ReferenceTarget::Kind kind;
  std::string_view inner;  // the text between the parentheses
  // What took the reference's place: set by this reference, or, when it did
  // not resolve, repeated from the last one that did (empty when none has).
  std::string_view replacement;
  bool resolved;
};

// One dice roll.
struct Roll {
  std::string_view expression;  // the text behind "random"
  // False when the expression does not read: weft has then written "Didn't
  // grok" on standard output, and the roll is 0.
  bool read;
  std::span<const std::int32_t> dice;  // what each die showed, in the order drawn
  std::int32_t modifier;               // added to the dice; negative when subtracted
  std::int32_t total;
  std::uint32_t seed;  // the value the random source was reseeded with
};

class GenerationObserver {
 public:
  virtual ~GenerationObserver() = default;

  // Called when `file` starts making a line: for a data file weft prints
  // from, and for a listed file that a reference names (entering it).
  virtual void lineStarted(const DataFile& file) { (void)file; }

  // Called for each entry drawn from a table of `file`.
  virtual void picked(const DataFile& file, const Pick& pick) { (void)file, (void)pick; }

  // Called for each dice roll in `file`, before the reference that holds it
  // is replaced.
  virtual void rolled(const DataFile& file, const Roll& roll) { (void)file, (void)roll; }

  // Called for each reference of `file`'s working text once it is resolved,
  // before its replacement is spliced in; references come in the order they
  // are expanded. A listed file named by it has made its line by then.
  virtual void replaced(const DataFile& file, const ReferenceStep& step) { (void)file, (void)step; }

  // Called when `file` has finished its line (leaving it, for a listed
  // file). A line that ends the run is never finished.
  virtual void lineFinished(const DataFile& file, std::string_view line) { (void)file, (void)line; }
};

}  // namespace weft
