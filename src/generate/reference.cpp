#include "generate/reference.h"

#include "support/numbers.h"

namespace weft {

ReferenceTarget classifyGeneral(std::string_view inner) {
  if (const std::size_t random = inner.find("random"); random != std::string_view::npos) {
    return {ReferenceTarget::Kind::Dice, inner.substr(random + 6), 0, {}};
  }
  if (const std::size_t table = inner.find("table"); table != std::string_view::npos) {
    const std::string_view number = inner.substr(table + 5);
    return {ReferenceTarget::Kind::Table, {}, readDecimal(number), number};
  }
  return {ReferenceTarget::Kind::Name, {}, 0, {}};
}

}  // namespace weft
