// Dice expressions: what reads and what does not, the reseeding from the
// clock, and the roll (one draw per die, Fudge faces, 32-bit wrap-around).
#include "generate/dice.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/clock.h"
#include "support/random_source.h"
#include "testing/test_support.h"

namespace weft {
namespace {

using testing::nthDraw;
using testing::TestEngine;

constexpr std::int64_t kNow = 1767225600;
constexpr std::uint32_t kTwiceNow = static_cast<std::uint32_t>(2 * kNow);
constexpr std::int32_t kMax = INT32_MAX;
constexpr std::int32_t kMin = INT32_MIN;

struct Readable {
  const char* text;
  std::int32_t count;
  std::int32_t sides;
  bool positive;
  std::int32_t modifier;
};

TEST(DiceReadTest, ExpressionsThatRead) {
  const std::vector<Readable> cases = {
      {"3d6+1", 3, 6, true, 1},
      {"\t\n\v\f\r3d6+1", 3, 6, true, 1},
      {"3dDd6+1", 3, 6, true, 1},
      {"3d6+1xyz", 3, 6, true, 1},
      {"3d6+1)", 3, 6, true, 1},
      {"3d\t6+\n1", 3, 6, true, 1},
      {"03d06+010", 3, 6, true, 10},
      {"2d6-3", 2, 6, false, 3},
      {"2d6- -3", 2, 6, false, -3},
      // The sign is one character; a second one belongs to the modifier.
      {"3d6+-2", 3, 6, true, -2},
      {"3d6-+2", 3, 6, false, 2},
      {"3d6++2", 3, 6, true, 2},
      {"3d6-0", 3, 6, false, 0},
      {"-2d6+5", -2, 6, true, 5},
      {"3d0+0", 3, 0, true, 0},
      {"2d-6+0", 2, -6, true, 0},
      {"3d-1+0", 3, Dice::kFudge, true, 0},
      {"3d+1-0", 3, 1, false, 0},
      {"4DF-1", 4, Dice::kFudge, false, 1},
      {"4ddff+0", 4, Dice::kFudge, true, 0},
      {"4dfFf-+1", 4, Dice::kFudge, false, 1},
      {" 4df+0 table", 4, Dice::kFudge, true, 0},
      // At the edges of the usual form, which is read by a short cut.
      {"123456789d987654321+123456789", 123456789, 987654321, true, 123456789},
      {"1234567890d6+0", 1234567890, 6, true, 0},
      {"3d1234567890-0", 3, 1234567890, false, 0},
      {"3d6-12345678901", 3, 6, false, kMax},
      {" 3d6+1 ", 3, 6, true, 1},
      {"3d6+1d", 3, 6, true, 1},
      {"3d6+ 1", 3, 6, true, 1},
      // Numbers beyond 32 bits saturate.
      {"9999999999999999999999999999999999999999d6+0", kMax, 6, true, 0},
      {"3d6+9999999999999999999999999999999999999999", 3, 6, true, kMax},
      {"3d6+-9999999999999999999999999999999999999999", 3, 6, true, kMin},
      {"1d4294967302+0", 1, kMax, true, 0},
      {"-2147483648d-2147483648-2147483648", kMin, kMin, false, kMax},
  };
  for (const Readable& c : cases) {
    DiceParts parts{};
    ASSERT_TRUE(readDiceExpression(c.text, parts)) << c.text;
    EXPECT_EQ(c.count, parts.count) << c.text;
    EXPECT_EQ(c.sides, parts.sides) << c.text;
    EXPECT_EQ(c.positive, parts.positive) << c.text;
    EXPECT_EQ(c.modifier, parts.modifier) << c.text;
  }
}

TEST(DiceReadTest, AnExpressionEndsBehindTheModifiersDigits) {
  const struct {
    const char* text;
    std::size_t end;
  } cases[] = {
      {"3d6+1", 5},   {" 3d6+1 x2", 6},    {"3d6+1)", 5},   {"3d\t6+\n1", 7},
      {"3d6+-2d", 6}, {" 4df+0 table", 6}, {"3d6+ 10x", 7}, {"9999999999d6+0 ", 14},
  };
  for (const auto& c : cases) {
    DiceParts parts{};
    ASSERT_TRUE(readDiceExpression(c.text, parts)) << c.text;
    EXPECT_EQ(c.end, parts.end) << c.text;
  }
}

TEST(DiceRollTest, FaceOfADraw) {
  const struct {
    std::int32_t sides;
    std::uint32_t draw;
    std::int32_t face;
  } cases[] = {
      {6, 0, 1},
      {6, 5, 6},
      {6, 6, 1},
      {-6, 7, 2},
      {Dice::kFudge, 0, 0},
      {Dice::kFudge, 4, 1},
      {Dice::kFudge, 5, -1},
      {0, 9, 0},
      {kMin, 32767, 32768},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.face, dieFace(c.sides, c.draw)) << c.sides << " " << c.draw;
  EXPECT_EQ(3u, dieModulus(Dice::kFudge));
  EXPECT_EQ(2147483648u, dieModulus(kMin));
}

TEST(DiceReadTest, ExpressionsThatDoNotRead) {
  const std::vector<std::string> cases = {
      "",      "   ",   "3d6",     "3d6+",    "3d6+ ",  "3 d6+1",  "3d6 +1",  "3d6+x",  "d6+1",
      "3x6+1", "3d6+-", "3d6+--2", "3d+1",    "3df",    "3df+",    "3d f+0",  "3df +0", "3dfx+0",
      "3f+0",  "3d+",   "- 3d6+1", "3d6+- 2", "x3d6+1", "3d6\n+1", "3d6.5+1",
  };
  for (const std::string& text : cases) {
    DiceParts parts{7, 7, false, 7};
    EXPECT_FALSE(readDiceExpression(text, parts)) << '"' << text << '"';
    EXPECT_EQ(7, parts.count) << text;
  }
}

// Rolls `text` once from a source seeded as the Dice seeds it and returns the
// result and the draws it made.
struct Rolled {
  std::int32_t total;
  int draws;
};

Rolled rollOnce(const std::string& text) {
  TestEngine test(kNow);
  Dice dice(test.engine, text);
  const std::int32_t total = dice.roll();
  // Count the draws by finding the state among the draws of the seed.
  const std::uint32_t after = test.engine.random.state();
  RandomSource replay;
  replay.seedRandom(kTwiceNow);
  int draws = 0;
  while (replay.state() != after && draws < 1000) {
    replay.nextRandom();
    ++draws;
  }
  return {total, draws};
}

// The faces the draws after the reseed give, summed as ordinary dice.
std::int64_t ordinarySum(int count, std::int64_t sides) {
  std::int64_t sum = 0;
  for (int i = 0; i < count; ++i) sum += nthDraw(kTwiceNow, i) % sides + 1;
  return sum;
}

std::int32_t fudgeSum(int count) {
  std::int32_t sum = 0;
  for (int i = 0; i < count; ++i) {
    const std::uint32_t face = nthDraw(kTwiceNow, i) % 3;
    sum += face == 1 ? 1 : face == 2 ? -1 : 0;
  }
  return sum;
}

TEST(DiceRollTest, OneDrawPerDie) {
  struct Case {
    const char* text;
    std::int64_t total;
    int draws;
  };
  const std::vector<Case> cases = {
      {"3d6+1", ordinarySum(3, 6) + 1, 3},
      {"2d6-3", ordinarySum(2, 6) - 3, 2},
      {"2d6+ -3", ordinarySum(2, 6) - 3, 2},
      {"2d6- -3", ordinarySum(2, 6) + 3, 2},
      {"2d-6+0", ordinarySum(2, 6), 2},
      {"5d20+0", ordinarySum(5, 20), 5},
      {"1d1+0", 1, 1},
      {"0d6+5", 5, 0},
      {"-2d6+5", 5, 0},
      {"4df-1", fudgeSum(4) - 1, 4},
      {"3d-1+0", fudgeSum(3), 3},
      // A die of no sides shows 0 but still draws.
      {"3d0+0", 0, 3},
      {"3d6", 0, 0},
  };
  for (const Case& c : cases) {
    const Rolled rolled = rollOnce(c.text);
    EXPECT_EQ(c.total, rolled.total) << c.text;
    EXPECT_EQ(c.draws, rolled.draws) << c.text;
  }
}

TEST(DiceRollTest, RangesHoldForEverySeed) {
  struct Case {
    const char* text;
    std::int32_t low;
    std::int32_t high;
  };
  const std::vector<Case> cases = {
      {"3d6+1", 4, 19},
      {"2d6-3", -1, 9},
      {"2d6- -3", 5, 15},
      {"4df+0", -4, 4},
      {"4df-1", -5, 3},
      {"2d-6+0", 2, 12},
      {"1d-2147483648+0", 1, 32768},
  };
  for (const Case& c : cases) {
    TestEngine test(kNow);
    Dice dice(test.engine, c.text);
    std::int32_t low = kMax;
    std::int32_t high = kMin;
    for (std::uint32_t seed = 0; seed < 3000; ++seed) {
      test.engine.random.seedRandom(seed * 7919);
      const std::int32_t total = dice.roll();
      low = std::min(low, total);
      high = std::max(high, total);
    }
    // Every total lies in the range, and the draws reach near both ends.
    const std::int32_t slack = (c.high - c.low) / 8;
    EXPECT_GE(low, c.low) << c.text;
    EXPECT_LE(low, c.low + slack) << c.text;
    EXPECT_LE(high, c.high) << c.text;
    EXPECT_GE(high, c.high - slack) << c.text;
  }
}

TEST(DiceRollTest, TotalsWrapRoundIn32Bits) {
  const std::int64_t die = ordinarySum(1, 6);
  EXPECT_EQ(static_cast<std::int32_t>(static_cast<std::uint32_t>(die + kMax)),
            rollOnce("1d6+2147483647").total);
  EXPECT_EQ(static_cast<std::int32_t>(static_cast<std::uint32_t>(die - kMin)),
            rollOnce("1d6--2147483648").total);
  EXPECT_EQ(kMin, rollOnce("0d6+-2147483648").total);
  EXPECT_EQ(kMin + 1, rollOnce("0d6-+9999999999999").total);
}

TEST(DiceTest, UnreadableExpressionWritesNoticeOnStandardOutputAndRollsZero) {
  TestEngine test(kNow);
  test.engine.random.seedRandom(5);
  // The text is quoted byte for byte.
  const std::string text = "\t3d6 +1 \"x\"\x01\xff";
  Dice dice(test.engine, text);
  EXPECT_EQ("", test.console.err());
  EXPECT_EQ("Didn't grok \"" + text + "\"!\n", test.console.out());
  EXPECT_EQ(0, dice.count());
  EXPECT_EQ(0, dice.modifier());
  // Reseeded all the same, and the roll draws nothing.
  EXPECT_EQ(kTwiceNow, test.engine.random.state());
  EXPECT_EQ(0, dice.roll());
  EXPECT_EQ(kTwiceNow, test.engine.random.state());
}

// A clock that moves on by 150 seconds at every reading.
class MovingClock final : public Clock {
 public:
  std::int64_t now() override { return seconds += 150; }
  std::int64_t seconds = 1000;
};

TEST(DiceTest, SeedIsTheTimeAtStartPlusTheTimeAtEnd) {
  for (const char* text : {"3d6+1", "nonsense"}) {
    MemoryConsole console;
    MemoryFileSystem files;
    MovingClock clock;
    Engine engine(console, files, clock);
    const Dice dice(engine, text);
    EXPECT_EQ(1150u + 1300u, dice.seed()) << text;
    EXPECT_EQ(1150u + 1300u, engine.random.state()) << text;
  }
}

TEST(DiceTest, SeedWrapsRoundIn32Bits) {
  TestEngine test(std::int64_t{3} << 31);  // 2^32 + 2^31: twice is 2^33 + 2^32
  const Dice dice(test.engine, "1d6+0");
  EXPECT_EQ(0u, dice.seed());
  EXPECT_EQ(0u, test.engine.random.state());
}

TEST(DiceTest, FieldsHoldTheExpressionAndASecondRollRollsAgain) {
  TestEngine test(kNow);
  Dice dice(test.engine, " 2d6-2");
  const std::int32_t first = dice.roll();
  const std::int32_t second = dice.roll();
  EXPECT_EQ(ordinarySum(2, 6) - 2, first);
  EXPECT_EQ(static_cast<std::int32_t>(nthDraw(kTwiceNow, 2) % 6 + nthDraw(kTwiceNow, 3) % 6),
            second);
  // The roll changes no field.
  EXPECT_EQ(2, dice.count());
  EXPECT_EQ(6, dice.sides());
  EXPECT_TRUE(dice.oneBased());
  EXPECT_FALSE(dice.positive());
  EXPECT_EQ(2, dice.modifier());
  EXPECT_EQ(kTwiceNow, dice.seed());
}

}  // namespace
}  // namespace weft
