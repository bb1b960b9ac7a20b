// Texts of data files as the checker's messages show them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace weft::check {

// Returns `text` between double quotes, as it is.
std::string quoted(std::string_view text);

// Returns `text` with bytes below 32 and 127 written as \xNN, so that one
// diagnostic stays one line whatever a data file holds.
std::string printable(std::string_view text);

// Returns `n` with its thousands set apart by commas ("20,000").
std::string countText(std::uint64_t n);

}  // namespace weft::check
