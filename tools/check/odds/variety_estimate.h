// How varied the lines of a file are, estimated from weft's own lines: the
// figure for files whose lines are too many to follow.
#pragma once

#include "odds/sampling.h"

namespace weft::check {

struct VarietyEstimate {
  double bits = 0;      // the entropy of a line, in bits
  double variety = 1;   // 2 to the power of bits: as varied as that many equally likely lines
  double coverage = 1;  // the share of the odds that the lines seen stand for

  bool operator==(const VarietyEstimate&) const = default;
};

// Returns the variety of the lines that `sampled` holds, each way the run
// ended counted as one more line. A sample shows too few of the rare lines,
// and a plain count of what it shows underrates the variety, most of all
// when most lines came up once: the estimate weighs each line seen by the
// chance that a sample of this size missed it, over the share of the odds
// that the lines seen cover (Chao and Shen's estimate of entropy), and is
// never below what the sample shows as it stands.
VarietyEstimate estimateVariety(const SampledLines& sampled);

}  // namespace weft::check
