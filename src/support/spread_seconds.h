// Clock seconds for lines that are to be as independent as weft's random
// source allows.
#pragma once

#include <cstdint>
#include <vector>

namespace weft {

// Returns the first draw of a run at clock second `second` whose seed offset
// is `seedOffset`: the seed is their sum, taken in its low 32 bits.
std::uint32_t firstDrawAt(std::int64_t second, std::int64_t seedOffset);

// Returns `count` distinct seconds, in the order of their lines, for runs of
// one line each that pick as evenly as possible. Seconds in a row give first
// draws that climb by about 3 of 32768, so a table picked by the remainder of
// that draw would show the same few lines over and over. Instead the i-th
// second is the first at or after `start` whose first draw is the start's
// draw plus i (modulo 32768): the picks of any table go round its entries in
// turn, each as often as its frequency says, and the seconds lie within a
// day or so of `start`. A dice roll reseeds with twice the second, whose
// first draw then steps by two from line to line, so dice totals follow
// their odds as closely as truly independent rolls do. More lines than there
// are draw values take further rounds, always at later seconds.
std::vector<std::int64_t> spreadSeconds(std::size_t count, std::int64_t start,
                                        std::int64_t seedOffset = 0);

}  // namespace weft
