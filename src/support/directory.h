// The process's working directory.
#pragma once

#include <string>

namespace weft {

// Returns the working directory, or an empty text when it cannot be read.
std::string workingDirectory();

// Makes `directory` the working directory. Returns false when that fails,
// also for a name holding a zero byte, which no directory can have.
bool changeDirectory(const std::string& directory);

}  // namespace weft
