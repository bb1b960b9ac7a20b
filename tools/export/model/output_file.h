// One file that an export writes, by its path inside the output folder.
#pragma once

#include <string>
#include <vector>

namespace weft::exporter {

struct OutputFile {
  std::string path;  // relative, with "/" between folders
  std::string content;
};

using OutputFiles = std::vector<OutputFile>;

}  // namespace weft::exporter
