#include "odds/variety_estimate.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>

namespace weft::check {

VarietyEstimate estimateVariety(const SampledLines& sampled) {
  // Outcomes by how often they came up: times -> outcomes.
  std::map<std::uint64_t, std::uint64_t> outcomes = sampled.repeats;
  for (const SampledEnding& ending : sampled.endings) ++outcomes[ending.rolls];
  double n = 0;
  for (const auto& [times, count] : outcomes) n += static_cast<double>(times * count);
  VarietyEstimate estimate;
  if (n < 1) return estimate;
  const auto found = outcomes.find(1);
  double once = found == outcomes.end() ? 0 : static_cast<double>(found->second);
  // A sample of single lines only would cover nothing: take one of them as seen twice.
  if (once >= n) once = n - 1;
  estimate.coverage = 1 - once / n;
  double plain = 0;
  double weighed = 0;
  for (const auto& [times, count] : outcomes) {
    const double p = static_cast<double>(times) / n;
    const double covered = estimate.coverage * p;
    const double seen = 1 - std::pow(1 - covered, n);
    plain -= static_cast<double>(count) * p * std::log2(p);
    if (seen > 0) weighed -= static_cast<double>(count) * covered * std::log2(covered) / seen;
  }
  estimate.bits = std::max({0.0, plain, weighed});
  estimate.variety = std::exp2(estimate.bits);
  return estimate;
}

}  // namespace weft::check
