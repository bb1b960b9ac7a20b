# Sourced by every end-to-end test. `weft` runs the built binary with its
# clock frozen (at WEFT_FROZEN_TIME, default 2026-01-01 00:00 UTC), so each
# run prints the same lines.
weft() {
  LD_PRELOAD="$WEFT_FROZEN_TIME_LIB${LD_PRELOAD:+:$LD_PRELOAD}" "$WEFT" "$@"
}
# A sanitizer runtime need not come first when the frozen clock is preloaded.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
