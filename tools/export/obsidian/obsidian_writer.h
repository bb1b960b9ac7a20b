// Obsidian with its Dice Roller plugin: one note per data file, a lookup table
// per table, each with a block id that a roller names.
#pragma once

#include "model/export_model.h"
#include "model/output_file.h"

namespace weft::exporter {

// Returns one note NAME.md per data file, and notes in `notes` what the notes
// cannot carry. Each table reads
//   | dice: 1dTOTAL | NAME |
//   | --- | --- |
//   | 1-12 | the `dice: [[NOTE^table-1]]` ... |
//   ^table-N
// with the ranges of the weights, a roller for each table an entry draws
// from and for each dice roll.
OutputFiles writeObsidian(const ExportModel& model, Notes& notes);

}  // namespace weft::exporter
