// Clock seconds for independent lines: weft's own rule, from its WebAssembly
// build, so that the page and weft-check spread seconds alike.
//
// weft seeds its random source with the clock's second plus the -s offset,
// and every dice roll reseeds it with twice the second. Seconds in a row give
// first draws that climb by about 3 of 32768, so a table picked by the
// remainder of that draw would show the same few lines over and over. The
// i-th second chosen is instead the first at or after `start` whose first
// draw is the start's draw plus i (modulo 32768): the picks of any table go
// round its entries in turn, and dice totals follow their odds as closely as
// truly independent rolls do.
import { spreadSeconds } from './weft.js';

// Resolves to `count` distinct seconds, in the order of their lines, for runs
// of -n 1 that pick as evenly as possible; `start` defaults to now and
// `seedOffset` is the run's -s value (their sum, if several).
export function independentSeconds(count, options = {}) {
  return spreadSeconds(count, options);
}

export default independentSeconds;
