// Roll20: the chat commands with which the TableExport script makes rollable
// tables, one line each.
#pragma once

#include <string>
#include <string_view>

#include "model/export_model.h"
#include "model/output_file.h"

namespace weft::exporter {

// Returns tables.txt, which holds for every table
//   !import-table --NAME --show
//   !import-table-item --NAME --TEXT --WEIGHT
// with each table it draws from as an inline table roll [[1t[NAME]]] in the
// text and each dice roll as [[3d6+1]]; and notes in `notes` what Roll20
// cannot carry.
OutputFiles writeRoll20(const ExportModel& model, Notes& notes);

// Returns `name` as the name of a Roll20 table: lower-case letters and digits,
// each other run of characters a hyphen.
std::string roll20Name(std::string_view name);

}  // namespace weft::exporter
