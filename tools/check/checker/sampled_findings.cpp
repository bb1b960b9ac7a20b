#include "checker/sampled_findings.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <string_view>

#include "support/settings.h"
#include "text/quoting.h"

namespace weft::check {

namespace {

// What weft wrote as it ended the run, quoted in parentheses, and cut short
// when long (a working text can run to a megabyte).
std::string endingSaid(const std::string& message) {
  constexpr std::size_t kLongest = 160;
  std::string said = "(\"";
  said += printable(std::string_view(message).substr(0, kLongest));
  if (message.size() > kLongest) said += "...";
  said += "\")";
  return said;
}

std::string shareText(std::uint64_t part, std::uint64_t whole) {
  char text[32];
  const double percent = whole == 0 ? 0 : 100.0 * static_cast<double>(part) / whole;
  std::snprintf(text, sizeof text, percent < 0.1 ? "<0.1%%" : "%.1f%%", percent);
  return text;
}

// Returns how to mend the entry whose rolls ended with `status`.
std::string mendFor(ExitStatus status) {
  const ExpansionLimits limits;
  switch (status) {
    case ExitStatus::ZeroLengthString:
      return "give the entry text outside its references, or give the tables it refers to no "
             "empty entries";
    case ExitStatus::ZeroLengthTable:
      return "give the table it names entries, or refer to a table that has some";
    case ExitStatus::ExpansionTooLong:
      return "weft stops a line at " + std::to_string(limits.maxSteps) +
             " steps (one for each reference and each die) or " +
             std::to_string(limits.maxTextBytes) +
             " bytes: roll fewer dice, or give the tables it leads into more entries without "
             "references";
    default:
      return "weft ends the whole run there; the lines asked for after it are not made";
  }
}

}  // namespace

void reportSampledEndings(const SampledLines& sampled, const std::string& path, Report& report) {
  std::map<std::uint64_t, std::uint64_t> ended;  // rolls that ended, by line
  for (const SampledEnding& ending : sampled.endings) ended[ending.line] += ending.rolls;
  for (const SampledEnding& ending : sampled.endings) {
    if (report.hasError(path, ending.line)) continue;
    const std::uint64_t picked = ending.picked;
    const std::string said = endingSaid(ending.message);
    std::string message;
    if (ended[ending.line] < picked) {
      message = "in " + countText(ending.rolls) + " of " + countText(picked) + " sampled rolls" +
                (picked < sampled.rolls ? " that picked this entry" : "") + " (" +
                shareText(ending.rolls, picked) + "), weft ended its run " + said;
      report.add(path, ending.line, Severity::Warning, message, mendFor(ending.status));
      continue;
    }
    const bool whole = picked == sampled.rolls;
    const std::string rolls =
        picked == 1 ? "the one sampled roll" : "all " + countText(picked) + " sampled rolls";
    message = std::string("weft cannot make a line from this ") + (whole ? "file: " : "entry: ");
    if (ending.rolls == picked) {
      message += rolls + (whole ? "" : " that picked it") + " ended weft's run " + said;
    } else {
      message += std::string("every sampled roll") + (whole ? "" : " that picked it") +
                 " ended weft's run, " + countText(ending.rolls) + " of the " + countText(picked) +
                 " this way " + said;
    }
    report.add(path, ending.line, Severity::Error, message, mendFor(ending.status));
  }
}

}  // namespace weft::check
