// Writing an export's files to disk, all or nothing.
#pragma once

#include <string>

#include "model/output_file.h"

namespace weft::exporter {

// The file that marks a folder as one weft-export wrote, which a later export
// to the same folder may replace.
inline constexpr const char* kMarkerFile = ".weft-export";

// Writes `files` into a new folder beside `folder`, then puts it in the place
// of `folder`: so a failed export leaves nothing behind and `folder` as it
// was. `folder` may be missing, empty, or one that weft-export wrote before
// (which holds kMarkerFile); anything else is refused. Returns an empty text,
// or what went wrong.
std::string writeOutputFolder(const std::string& folder, const OutputFiles& files,
                              const std::string& marker);

}  // namespace weft::exporter
