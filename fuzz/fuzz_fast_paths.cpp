// Differential target of the short cuts: each reads the usual form of its
// syntax directly and must give the same result as the general rule on any
// text. The input is one text, given to all three pairs: a reference's inner
// text (plain table number against the general classifier), a frequency
// (short decimal against readDecimal) and a dice expression (the usual form
// against the general reader).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "generate/dice.h"
#include "generate/reference.h"
#include "support/numbers.h"

namespace {

void checkReference(std::string_view text) {
  const weft::ReferenceTarget fast = weft::classifyReference(text);
  const weft::ReferenceTarget general = weft::classifyGeneral(text);
  if (fast.kind != general.kind || fast.table != general.table || fast.dice != general.dice ||
      fast.number != general.number) {
    std::abort();
  }
}

void checkDice(std::string_view text) {
  weft::DiceParts plain{};
  if (!weft::readPlainDice(text, plain)) return;
  weft::DiceParts general{};
  if (!weft::readDiceGeneral(text, general)) std::abort();
  if (plain.count != general.count || plain.sides != general.sides ||
      plain.positive != general.positive || plain.modifier != general.modifier) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  checkReference(text);
  if (weft::readShortDecimal(text) != weft::readDecimal(text)) std::abort();
  checkDice(text);
  return 0;
}
