// The findings of weft's own lines: each way the sampled rolls ended weft's
// run, at the line of the entry picked.
#pragma once

#include <string>

#include "model/report.h"
#include "odds/sampling.h"

namespace weft::check {

// Reports each way the rolls of `sampled` ended the run, in the file shown
// as `path`: an error where every roll that picked the line ended it, a
// warning with the share where some did. A line that holds an error already
// (the same fault, found without rolling) gets nothing more.
void reportSampledEndings(const SampledLines& sampled, const std::string& path, Report& report);

}  // namespace weft::check
