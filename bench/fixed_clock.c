/* Preloaded into weft by the whole-process benchmark: time() returns one
   fixed moment, so that every run of a data file with dice makes the same
   lines (each roll reseeds from the clock) and the floor program can write
   exactly those lines. */
#include <time.h>

time_t time(time_t* result) {
  const time_t now = (time_t)1767225600;
  if (result != NULL) *result = now;
  return now;
}
