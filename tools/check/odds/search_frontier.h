// The frontier of one search over the lines of a data file: the partial
// lines waiting to be followed, likeliest first, and the odds of the lines
// finished so far. It splits a line into its choices, queues, finishes or
// gives up lines, and keeps the search within its limits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "odds/line_odds.h"
#include "odds/search_state.h"

namespace weft::check {

class SearchFrontier {
 public:
  // `elementFile` when the lines are an element file's, whose case rule
  // differs.
  SearchFrontier(const SearchLimits& limits, bool elementFile)
      : limits_(limits), elementFile_(elementFile), workLimit_(limits.work) {}

  bool empty() const { return queue_.empty(); }
  // Takes the likeliest line out.
  // REQUIRES: !empty()
  PartialLine pop();
  // Queues `state` if there is room for it; otherwise its weight is given up.
  void push(PartialLine state);

  // Replaces the text from `open` to `close` (the parentheses included) by
  // each choice in turn; each choice becomes the replacement as well.
  void branch(PartialLine state, std::size_t open, std::size_t close, const Odds& choices,
              const Recorder& record = {});
  // Resolves the reference from `open` to `close` of `state` by `choices`: a
  // single choice, or while probing the likeliest one, is taken in place and
  // true returned; otherwise `state` splits into every choice, or there is no
  // choice at all, and false is returned.
  bool takeOrBranch(PartialLine& state, std::size_t open, std::size_t close, const Odds& choices,
                    const Recorder& record = {});
  // Turns `state` into its likeliest child. Returns false when there is none.
  bool takeLikeliest(PartialLine& state, std::size_t open, std::size_t close, const Odds& choices,
                     const Recorder& record = {});

  // Counts the work of resolving one more reference of `state`. Returns
  // false, its weight given up, when the search is out of work (`state` may
  // then be kept for the probe) or the line is past the limits of one line.
  bool pass(PartialLine& state);
  // Adds the finished line `state` to the odds.
  void finish(PartialLine& state);

  // Out of work with lines unfinished: returns a few of them, for their
  // likeliest choices to be followed to their end, with a quarter of the
  // work allowed again.
  std::vector<PartialLine> startProbe();
  bool probing() const { return probing_; }

  void giveUp(double probability) {
    odds_.unexplored += probability;
    odds_.complete = false;
  }
  // Marks the odds as estimates, when `state` has any weight.
  void estimate(const PartialLine& state) {
    if (state.probability > 0) odds_.estimated = true;
  }
  LineOdds& odds() { return odds_; }

 private:
  // Whether the lines waiting, with `bytes` more, pass the limits.
  bool full(std::size_t bytes) const {
    return queue_.size() >= limits_.states || waitingBytes_ + bytes > limits_.stateBytes;
  }
  void enqueue(PartialLine state);

  const SearchLimits limits_;
  const bool elementFile_;
  LineOdds odds_;
  std::vector<PartialLine> queue_;  // a heap, the likeliest line on top
  std::size_t waitingBytes_ = 0;
  std::uint64_t queued_ = 0;
  std::uint64_t work_ = 0;
  std::uint64_t workLimit_;
  bool probing_ = false;
  std::vector<PartialLine> probes_;  // unfinished lines kept for the probe
};

}  // namespace weft::check
