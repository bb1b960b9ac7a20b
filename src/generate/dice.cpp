#include "generate/dice.h"

#include <string>

#include "support/ascii.h"
#include "support/console.h"
#include "support/numbers.h"

namespace weft {

namespace {

// Reads the parts of "N d S sign M" in turn from a text, the way formatted
// input reads "%d%*[Dd]%d%[+-]%d": integers may have white space before them,
// the other parts may not.
class ExpressionReader {
 public:
  explicit ExpressionReader(std::string_view text) : rest_(text) {}

  bool integer(std::int32_t& value) { return take(scanInteger(rest_, true, value)); }

  // A run of one or more of the letters in `letters`.
  bool run(std::string_view letters) {
    std::size_t n = 0;
    while (n < rest_.size() && letters.find(rest_[n]) != std::string_view::npos) ++n;
    return take(n);
  }

  // One sign character. A second sign behind it belongs to the integer that
  // follows, so "3d6+-2" adds -2.
  // Returns how much of `whole`, the text the reader was made with, is read.
  std::size_t taken(std::string_view whole) const { return whole.size() - rest_.size(); }

  bool sign(bool& positive) {
    if (rest_.empty() || (rest_[0] != '+' && rest_[0] != '-')) return false;
    positive = rest_[0] == '+';
    return take(1);
  }

 private:
  bool take(std::size_t n) {
    if (n == 0) return false;
    rest_.remove_prefix(n);
    return true;
  }

  std::string_view rest_;
};

}  // namespace

// Reads the usual form of an expression, "3d6+1": blanks, then unsigned
// numbers of at most nine digits and a single "d" or "D", the sign right
// after the sides. Every text it reads, the general reader reads alike;
// returns false for anything else, which is left to the general reader.
bool readPlainDice(std::string_view text, DiceParts& parts) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  const auto number = [&](std::int32_t& value) {
    const std::size_t start = i;
    value = 0;
    while (i < text.size() && isDigit(text[i])) {
      if (i - start == 9) return false;
      value = value * 10 + (text[i] - '0');
      ++i;
    }
    return i > start;
  };
  DiceParts read{};
  if (!number(read.count) || i >= text.size() || (text[i] != 'd' && text[i] != 'D')) return false;
  ++i;
  if (!number(read.sides) || i >= text.size() || (text[i] != '+' && text[i] != '-')) return false;
  read.positive = text[i] == '+';
  ++i;
  if (!number(read.modifier)) return false;
  read.end = i;
  parts = read;
  return true;
}

bool readDiceExpression(std::string_view expression, DiceParts& parts) {
  return readPlainDice(expression, parts) || readDiceGeneral(expression, parts);
}

bool readDiceGeneral(std::string_view expression, DiceParts& parts) {
  std::int32_t number = 0;
  std::int32_t sides = 0;
  std::int32_t modifier = 0;
  bool positive = true;
  {
    ExpressionReader reader(expression);
    if (reader.integer(number) && reader.run("dD") && reader.integer(sides) &&
        reader.sign(positive) && reader.integer(modifier)) {
      parts = DiceParts{number, sides, positive, modifier, reader.taken(expression)};
      return true;
    }
  }
  ExpressionReader reader(expression);
  if (reader.integer(number) && reader.run("dD") && reader.run("fF") && reader.sign(positive) &&
      reader.integer(modifier)) {
    parts = DiceParts{number, Dice::kFudge, positive, modifier, reader.taken(expression)};
    return true;
  }
  return false;
}

Dice::Dice(Engine& engine, std::string_view expression) : engine_(engine) {
  const std::int64_t startSecond = engine.clock.now();
  if (DiceParts parts{}; readDiceExpression(expression, parts)) {
    count_ = parts.count;
    sides_ = parts.sides;
    positive_ = parts.positive;
    modifier_ = parts.modifier;
  } else {
    std::string notice = "Didn't grok \"";
    notice.append(expression);
    notice += "\"!\n";
    engine_.console.writeOut(notice);
    engine_.console.flushOut();
    count_ = 0;
  }
  reseed(startSecond);
}

void Dice::reseed(std::int64_t startSecond) {
  seed_ = diceSeed(startSecond, engine_.clock.now());
  engine_.random.seedRandom(seed_);
}

template <class Show>
std::int32_t Dice::rollEach(Show show) {
  // Sums go through unsigned 32-bit arithmetic, which wraps round.
  std::uint32_t total = 0;
  RandomSource& random = engine_.random;
  for (std::int32_t i = 0; i < count_; ++i) {
    const std::int32_t face = dieFace(sides_, random.nextRandom(), oneBased_);
    total += static_cast<std::uint32_t>(face);
    show(face);
  }
  if (modifier_ != 0) {
    const auto m = static_cast<std::uint32_t>(modifier_);
    total = positive_ ? total + m : total - m;
  }
  return static_cast<std::int32_t>(total);
}

std::int32_t Dice::roll() {
  return rollEach([](std::int32_t) {});
}

std::int32_t Dice::rollShowing(std::vector<std::int32_t>& faces) {
  return rollEach([&faces](std::int32_t face) { faces.push_back(face); });
}

}  // namespace weft
