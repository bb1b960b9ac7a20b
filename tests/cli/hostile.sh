# Sourced by the hostile-input tests, after setup.sh. `guarded` runs weft (with
# the frozen clock) under a cap of 10 seconds and 256 MB of address space: a run
# that goes over dies by SIGKILL (status 137) or fails an allocation, and a
# crash shows as 128 + its signal, so every case's expected status proves it
# ended cleanly. Sanitizer and Valgrind builds run slower and map far more
# memory; for them (detected, or WEFT_SLOW_RUN=1) the cap is 60 seconds only.
hostile_slow=${WEFT_SLOW_RUN:-}
if grep -qa -e __asan_init -e __ubsan_handle "$WEFT"; then hostile_slow=1; fi
guarded() {
  if [ -n "$hostile_slow" ]; then
    timeout -s KILL 60 env LD_PRELOAD="$WEFT_FROZEN_TIME_LIB${LD_PRELOAD:+:$LD_PRELOAD}" "$WEFT" "$@"
  else
    (ulimit -v 262144 && timeout -s KILL 10 env LD_PRELOAD="$WEFT_FROZEN_TIME_LIB${LD_PRELOAD:+:$LD_PRELOAD}" "$WEFT" "$@")
  fi
}
