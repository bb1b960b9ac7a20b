// Dice expressions such as "3d6+1" (three six-sided dice plus one) and
// "4df+0" (four Fudge dice, whose faces are -1, 0 and +1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "support/engine.h"

namespace weft {

// The parts of a dice expression that reads: `count` dice of `sides` faces
// (kFudge for Fudge dice), then the modifier added or subtracted. The
// expression ends at `end`, just behind the modifier's last digit; what
// follows is ignored.
struct DiceParts {
  std::int32_t count;
  std::int32_t sides;
  bool positive;
  std::int32_t modifier;
  std::size_t end = 0;
};

// Reads `expression` as an ordinary or a Fudge dice expression, without
// touching the random source or writing anything. Returns false when it is
// neither; `parts` is then unchanged.
bool readDiceExpression(std::string_view expression, DiceParts& parts);

// The two readers readDiceExpression is made of: the usual form "3d6+1"
// (blanks, unsigned numbers of up to nine digits, one "d", the sign right
// after the sides), read directly, and the general rules for every text.
// Whatever the first reads, the second reads alike; the first returns false
// for everything else.
bool readPlainDice(std::string_view expression, DiceParts& parts);
bool readDiceGeneral(std::string_view expression, DiceParts& parts);

// Returns the seed a Dice gives the random source: the clock's second read
// as its construction starts plus the second read as it ends, wrapping round
// in 32 bits. Rolls within one second all seed alike, so each of them starts
// the same run of draws again, whatever was drawn before it.
constexpr std::uint32_t diceSeed(std::int64_t startSecond, std::int64_t endSecond) {
  return static_cast<std::uint32_t>(startSecond) + static_cast<std::uint32_t>(endSecond);
}

// One dice expression, read at construction and rolled with roll(). Making a
// Dice reseeds the engine's random source from its clock (twice the current
// time, as read at the start and at the end of construction), whether the
// expression reads or not. An expression that does not read writes a notice
// on standard output and rolls 0. A Dice lives for one roll: it keeps the
// engine it rolls with.
class Dice {
 public:
  Dice(Engine& engine, std::string_view expression);
  virtual ~Dice() = default;

  // Returns the sum of `count` dice, one draw each, with the modifier added
  // or subtracted. Totals wrap round in 32 bits. A die with 0 sides shows 0.
  virtual std::int32_t roll();
  // The same roll, with what each die showed appended to `faces`.
  std::int32_t rollShowing(std::vector<std::int32_t>& faces);

  std::int32_t count() const { return count_; }
  std::int32_t sides() const { return sides_; }
  bool oneBased() const { return oneBased_; }
  std::uint32_t seed() const { return seed_; }
  bool positive() const { return positive_; }
  std::int32_t modifier() const { return modifier_; }

  // The value of sides() that marks Fudge dice.
  static constexpr std::int32_t kFudge = -1;

 private:
  void reseed(std::int64_t startSecond);
  // Rolls, passing each die's face to `show`.
  template <class Show>
  std::int32_t rollEach(Show show);

  Engine& engine_;
  std::int32_t count_ = 1;
  std::int32_t sides_ = 6;
  bool oneBased_ = true;
  std::uint32_t seed_ = 0;
  bool positive_ = true;
  std::int32_t modifier_ = 0;
};

// Returns the number that a die's draw is taken the remainder of: 3 for
// Fudge dice, the number of sides (without its sign) for other dice, 0 for a
// die of 0 sides.
constexpr std::uint64_t dieModulus(std::int32_t sides) {
  if (sides == Dice::kFudge) return 3;
  const std::int64_t wide = sides;
  return static_cast<std::uint64_t>(wide < 0 ? -wide : wide);
}

// Returns the face a die of `sides` (Dice::kFudge for Fudge dice) shows for
// the draw `draw`: a Fudge die shows 0, +1 or -1 for a remainder by 3 of 0,
// 1 or 2; another die the remainder by its sides, plus 1 when `oneBased`
// (a plain remainder: its bias is weft's); a die of 0 sides shows 0.
constexpr std::int32_t dieFace(std::int32_t sides, std::uint32_t draw, bool oneBased = true) {
  if (sides == Dice::kFudge) return draw % 3 == 2 ? -1 : static_cast<std::int32_t>(draw % 3);
  if (sides == 0) return 0;
  return static_cast<std::int32_t>(draw % dieModulus(sides)) + (oneBased ? 1 : 0);
}

}  // namespace weft
