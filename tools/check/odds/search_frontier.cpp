#include "odds/search_frontier.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "generate/case_rules.h"

namespace weft::check {

namespace {

// Unfinished lines followed to an end by their likeliest choices once a
// search is out of work.
constexpr std::size_t kProbes = 64;

// Returns the index of the likeliest of `choices` (the first of equals).
// REQUIRES: !choices.empty()
std::size_t likeliestChoice(const Odds& choices) {
  std::size_t likeliest = 0;
  for (std::size_t i = 1; i < choices.size(); ++i) {
    if (choices[i].second > choices[likeliest].second) likeliest = i;
  }
  return likeliest;
}

}  // namespace

PartialLine SearchFrontier::pop() {
  // Taken out of the heap by moving: a copy would copy what is known of
  // every draw, which can cost far more than the text.
  std::pop_heap(queue_.begin(), queue_.end());
  PartialLine state = std::move(queue_.back());
  queue_.pop_back();
  waitingBytes_ -= state.text.size() + state.replacement.size();
  return state;
}

void SearchFrontier::push(PartialLine state) {
  if (full(state.text.size() + state.replacement.size())) {
    giveUp(state.probability);
    return;
  }
  enqueue(std::move(state));
}

void SearchFrontier::enqueue(PartialLine state) {
  waitingBytes_ += state.text.size() + state.replacement.size();
  state.order = queued_++;
  queue_.push_back(std::move(state));
  std::push_heap(queue_.begin(), queue_.end());
}

void SearchFrontier::branch(PartialLine state, std::size_t open, std::size_t close,
                            const Odds& choices, const Recorder& record) {
  const std::string_view text = state.text;
  const auto makeChild = [&](std::size_t index) {
    const std::pair<std::string, double>& choice = choices[index];
    PartialLine child{state.probability * choice.second,
                      std::string(text.substr(0, open)),
                      choice.first,
                      state.passes,
                      state.draws,
                      0};
    child.text += choice.first;
    if (close < text.size()) child.text += text.substr(close);
    if (record) record(child, index);
    work_ += child.text.size();
    return child;
  };
  if (full(2 * (text.size() + choices.size()))) {
    // With no room left, only the likeliest child goes on, so that the
    // search still reaches finished lines without growing.
    const std::size_t likeliest = likeliestChoice(choices);
    double total = 0;
    for (const auto& choice : choices) total += choice.second;
    giveUp(state.probability * (total - choices[likeliest].second));
    enqueue(makeChild(likeliest));
    return;
  }
  for (std::size_t i = 0; i < choices.size(); ++i) {
    if (work_ > limits_.work) {
      // Making the children that cannot be kept would cost as much again.
      double rest = 0;
      for (; i < choices.size(); ++i) rest += choices[i].second;
      giveUp(state.probability * rest);
      return;
    }
    if (choices[i].second <= 0) continue;
    push(makeChild(i));
  }
}

bool SearchFrontier::takeOrBranch(PartialLine& state, std::size_t open, std::size_t close,
                                  const Odds& choices, const Recorder& record) {
  std::size_t possible = 0;
  for (const auto& choice : choices) possible += choice.second > 0 ? 1 : 0;
  if (possible == 1 || probing_) return takeLikeliest(state, open, close, choices, record);
  branch(std::move(state), open, close, choices, record);
  return false;
}

bool SearchFrontier::takeLikeliest(PartialLine& state, std::size_t open, std::size_t close,
                                   const Odds& choices, const Recorder& record) {
  if (choices.empty()) return false;
  const std::size_t likeliest = likeliestChoice(choices);
  state.replacement = choices[likeliest].first;
  state.text.replace(open, close - open, state.replacement);
  if (record) record(state, likeliest);
  return true;
}

void SearchFrontier::finish(PartialLine& state) {
  if (state.text.empty()) {
    odds_.emptyLine += state.probability;
    return;
  }
  applyCaseRule(state.text, elementFile_);
  auto it = odds_.lines.find(state.text);
  if (it == odds_.lines.end()) {
    if (odds_.lines.size() >= limits_.lines) {
      giveUp(state.probability);
      return;
    }
    it = odds_.lines.emplace(std::move(state.text), 0.0).first;
  }
  it->second += state.probability;
}

bool SearchFrontier::pass(PartialLine& state) {
  work_ += state.text.size();
  if (work_ > workLimit_) {
    giveUp(state.probability);
    if (!probing_ && probes_.size() < kProbes) probes_.push_back(std::move(state));
    return false;
  }
  if (++state.passes > limits_.passes || state.text.size() > limits_.textBytes) {
    giveUp(state.probability);
    return false;
  }
  return true;
}

std::vector<PartialLine> SearchFrontier::startProbe() {
  probing_ = true;
  workLimit_ = work_ + limits_.work / 4;
  return std::move(probes_);
}

}  // namespace weft::check
