/* Preloaded into weft by the end-to-end tests: time() returns the moment
   given in WEFT_FROZEN_TIME (seconds since 1970), or 2026-01-01 00:00 UTC. */
#include <stdlib.h>
#include <time.h>

time_t time(time_t* result) {
  const char* frozen = getenv("WEFT_FROZEN_TIME");
  time_t now = frozen != NULL ? (time_t)strtoll(frozen, NULL, 10) : (time_t)1767225600;
  if (result != NULL) *result = now;
  return now;
}
