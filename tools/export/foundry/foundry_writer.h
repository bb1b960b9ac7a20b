// Foundry VTT: a module whose compendium pack holds one RollTable per table,
// and each table again as a file for a table's "Import Data".
#pragma once

#include <string>

#include "model/export_model.h"
#include "model/output_file.h"

namespace weft::exporter {

struct FoundryOptions {
  int version = 13;      // 12 or 13: the layout of a table result's fields
  std::string moduleId;  // lower-case letters, digits and hyphens
  std::string moduleTitle;
};

// The name of the compendium pack inside the module.
inline constexpr const char* kFoundryPack = "tables";

// Returns the files of the module folder:
//   module.json             the manifest, with one compendium pack
//   src/tables/NAME_ID.json each table, as the official command-line tool
//                           packs it ("fvtt package pack") and unpacks it again
//   import/NAME_ID.json     each table, for "Import Data"
// and notes in `notes` what Foundry cannot carry.
OutputFiles writeFoundry(const ExportModel& model, const FoundryOptions& options, Notes& notes);

// Returns a Foundry document id (16 letters and digits) made from `key`.
std::string foundryId(std::string_view key);

// Returns `name` as the command-line tool writes it into a file name: every
// character but the letters, digits and Cyrillic letters becomes "_" (one for
// each UTF-16 unit, as the tool counts).
std::string foundryFileName(std::string_view name);

}  // namespace weft::exporter
