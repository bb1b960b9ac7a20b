// The steps of a line's making, as generation tells them, in the order and
// with the numbers weft-check --explain gives them, each with the step whose
// text brought it in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "generate/generation_observer.h"
#include "generate/pick_draws.h"
#include "generate/reference.h"

namespace weft {

// An entry drawn from a table, and where it stands.
struct StepPick {
  std::string file;
  std::uint64_t line = 0;  // 0 when not known (an element file's prefix joined to a suffix)
  int table = 0;
  std::uint64_t position = 0;
  std::size_t run = 0;  // the entry line, counted from 0 in table order
  std::uint64_t tableSize = 0;
  std::uint64_t runFirst = 0;  // the first position of that entry line
  std::uint64_t runCount = 0;  // its frequency
  std::string entry;

  // How many of the 32768 equally likely draws pick this entry line.
  std::uint64_t draws() const { return drawsOfPositions(tableSize, runFirst, runFirst + runCount); }
};

struct StepRoll {
  std::string expression;
  bool read = true;  // false: weft wrote "Didn't grok" and rolled 0
  std::vector<std::int32_t> dice;
  std::int32_t modifier = 0;
  std::int32_t total = 0;
  std::uint32_t seed = 0;
};

struct LineStep {
  enum class Kind {
    Pick,        // the entry a line starts from
    Enter,       // a reference enters a listed file
    Leave,       // the listed file gives back `text`, its line
    EmptyTable,  // the table a line is picked from is empty; the line is empty
    Reference,   // a reference replaced
  };
  static constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);

  Kind kind = Kind::Pick;
  int depth = 1;  // 1 for the printed line's own steps, one more inside each listed file
  std::string file;
  std::optional<StepPick> pick;  // Pick, and a table reference that resolved
  std::optional<StepRoll> roll;  // a dice reference
  ReferenceTarget::Kind reference = ReferenceTarget::Kind::Name;
  std::string inner;       // Reference: the text between the parentheses
  std::string text;        // Reference: the replacement; Leave: the line
  bool resolved = true;    // Reference
  std::size_t listed = 0;  // Reference to listed files: how many made a line
  // The step whose text holds this step's reference (a line's pick, or a
  // reference whose replacement brought it in); a listed file's Enter hangs
  // under the reference that names it, its pick and Leave under the Enter.
  // kNoParent for the printed line's pick.
  std::size_t parent = kNoParent;
};

// Records the steps of the lines generated while it is the engine's
// generation observer, into `steps`, which it clears at each printed line.
class StepRecorder final : public GenerationObserver {
 public:
  explicit StepRecorder(std::vector<LineStep>& steps) : steps_(steps) {}

  // Forgets a line left unfinished by a run that ended on a problem.
  void reset() {
    steps_.clear();
    levels_.clear();
  }

  // Whether a line is being made: started and not yet finished.
  bool inLine() const { return !levels_.empty(); }

  void lineStarted(const DataFile& file) override;
  void picked(const DataFile& file, const Pick& pick) override;
  void rolled(const DataFile& file, const Roll& roll) override;
  void replaced(const DataFile& file, const ReferenceStep& step) override;
  void lineFinished(const DataFile& file, std::string_view line) override;

 private:
  // A run of the working text behind its finished front, and the step whose
  // text it is.
  struct Piece {
    std::size_t owner;
    std::size_t length;
  };
  struct Level {
    bool picked = false;
    std::size_t enter = LineStep::kNoParent;  // the Enter step of a listed file
    std::size_t root = LineStep::kNoParent;   // the level's pick
    std::string rest;                         // the working text behind its front
    std::vector<Piece> pieces;                // owners of `rest`, the front last
    std::optional<StepPick> pick;             // of the table reference being resolved
    std::optional<StepRoll> roll;             // of the dice reference being resolved
    std::size_t listed = 0;                   // listed files left since the last reference
    std::vector<std::size_t> enters;          // their Enter steps
  };

  LineStep& add(LineStep::Kind kind, const DataFile& file, std::size_t parent);
  // Finds the next reference of the level's working text, returns the step
  // that owns its "(" and splices `replacement`, owned by `step`, in its place.
  std::size_t advance(Level& level, std::string_view replacement, std::size_t step);

  std::vector<LineStep>& steps_;
  std::vector<Level> levels_;
};

// Returns, for each step, its place in the tree of steps: the index among
// its parent's children of each step from the line's pick down to it.
std::vector<std::vector<std::uint32_t>> stepPaths(const std::vector<LineStep>& steps);

// Returns the step at `index` and every step that its text brought in, at
// any depth, in order: the part of the line that rolling it again changes.
// REQUIRES: index < steps.size()
std::vector<std::size_t> partOf(const std::vector<LineStep>& steps, std::size_t index);

// Whether the step makes a choice of its own: picks an entry or rolls dice.
// Every other step follows from choices: a listed file's line from the steps
// made inside it, an unresolved reference from the last one that resolved.
bool makesChoice(const LineStep& step);

// Whether two steps are the same step of two lines: of one kind, in one
// file, and for references the same reference text.
bool sameStep(const LineStep& a, const LineStep& b);

// Whether two steps are the same step and make the same choice, if they
// make one: the same entry line of the same table, or the same total.
bool sameChoice(const LineStep& a, const LineStep& b);

}  // namespace weft
