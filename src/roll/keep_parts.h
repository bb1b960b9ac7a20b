// A line that keeps some parts of another and rolls the rest again: the
// nearest second at which weft prints such a line.
#pragma once

#include <cstddef>
#include <vector>

#include "roll/line_roller.h"
#include "roll/roll_lines.h"

namespace weft {

// Returns the steps that keeping the steps `kept` of `steps` keeps, in
// order: those; for a reference to a listed file, its entering or leaving,
// the whole line that file made; and every step that led to one of them
// (a kept entry must stand in the same place).
std::vector<std::size_t> keptSteps(const std::vector<LineStep>& steps,
                                   const std::vector<std::size_t>& kept);

// Returns the steps to keep for rolling the part that begins at `part`
// again (partOf()) and keeping the rest: every step outside the part but the
// references to listed files that hold it, and their entering and leaving,
// whose lines change with it.
// REQUIRES: part < steps.size()
std::vector<std::size_t> keptBeside(const std::vector<LineStep>& steps, std::size_t part);

// Returns the steps that begin the parts rolled again: the choices (picks
// and rolls) not kept with no choice above them that is not kept either. Empty when every
// choice is kept, and nothing is left to roll again.
std::vector<std::size_t> rolledParts(const std::vector<LineStep>& steps,
                                     const std::vector<std::size_t>& kept);

// Returns up to `count` lines of `file` at the seconds nearest
// `original.second` (one later, one earlier, two later, two earlier, ...)
// at which weft prints a line other than `original.line` whose steps at the
// places of the kept steps (indices into original.steps, as keptSteps()
// widens them) are the same steps and make the same choices, and whose steps at the places
// where the parts rolled again begin make other choices or are gone. A
// second whose run ends on a problem is passed over; with `unique`, so is a
// line found already. Fewer lines come back when the budget runs out, none
// at once when nothing is left to roll again.
// REQUIRES: roller.settings().steps; every index in `kept` < original.steps.size()
RolledLines rollKeeping(LineRoller& roller, const DataFile& file, const RolledLine& original,
                        const std::vector<std::size_t>& kept, std::size_t count, bool unique,
                        const RollBudget& budget);

}  // namespace weft
