// Clock seconds for independent lines.
//
// weft seeds its random source with the clock's second plus the -s offset,
// and every dice roll reseeds it with twice the second. The first draw at
// second t is bits 16 to 30 of (t + offset) * 214013 + 2531011, so seconds in
// a row give first draws that climb by about 3 of 32768: a table picked by
// the remainder of that draw shows the same few lines over and over. Instead,
// independentSeconds picks, for the i-th line, the first second at or after
// `start` whose first draw is the start's draw plus i (modulo 32768): the
// picks of any table then go round its entries in turn, each entry as often
// as its frequency says, and the seconds found lie within a day or so of
// `start`. A dice roll reseeds with twice the second, and its first draw is
// then twice the run's first draw less a constant, give or take one: it steps
// by two from line to line, and dice totals follow their odds as closely as
// truly independent rolls do.

const MULTIPLIER = 214013;
const INCREMENT = 2531011;
const DRAWS = 32768;
const MODULUS = 2 ** 32;

// The first draw of a run at second `second` with seed offset `seedOffset`.
export function firstDraw(second, seedOffset = 0) {
  const seed = ((second + seedOffset) % MODULUS + MODULUS) % MODULUS;
  return ((Math.imul(seed, MULTIPLIER) + INCREMENT) >>> 16) & 0x7fff;
}

// Returns `count` distinct seconds, in the order of their lines, for runs of
// -n 1 that pick as evenly as possible; `start` defaults to now and
// `seedOffset` is the run's -s value (their sum, if several).
export function independentSeconds(count, { start = Math.floor(Date.now() / 1000), seedOffset = 0 } = {}) {
  if (!Number.isSafeInteger(count) || count < 0) throw new RangeError('count must be a whole number');
  if (!Number.isSafeInteger(start)) throw new RangeError('start must be a whole number of seconds');
  if (!Number.isSafeInteger(seedOffset)) throw new RangeError('seedOffset must be a whole number');
  const offset = seedOffset % MODULUS;
  const seconds = [];
  const base = firstDraw(start, offset);
  let second = start;
  // Each round finds one second for every draw value still wanted; more lines
  // than there are draw values take further rounds, always at later seconds.
  while (seconds.length < count) {
    const wanted = Math.min(DRAWS, count - seconds.length);
    const round = new Array(wanted);
    let missing = wanted;
    for (; missing > 0; ++second) {
      const index = (firstDraw(second, offset) - base + DRAWS) % DRAWS;
      if (index < wanted && round[index] === undefined) {
        round[index] = second;
        --missing;
      }
    }
    seconds.push(...round);
  }
  return seconds;
}

export default independentSeconds;
