// weft's texts in JSON: the rule for bytes that weft-check's JSON and
// weft-roll's follow alike.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace weft::check {

using Json = nlohmann::ordered_json;

// Returns `bytes` as a JSON string value to put in a document that
// jsonDump() writes.
Json jsonText(std::string_view bytes);

// Returns `json` on one line, as weft-check writes JSON. Valid UTF-8 in its
// strings is kept as it is; every byte that is not part of a valid UTF-8
// sequence is written as the character of the same number, \u0080 to \u00ff
// (as if that byte were Latin-1), so that the result is always valid JSON.
std::string jsonDump(const Json& json);

// Returns `bytes` as a JSON string, quotes included, by the same rule.
std::string jsonString(std::string_view bytes);

}  // namespace weft::check
