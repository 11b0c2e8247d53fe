#!/usr/bin/env bash
# run-fuzz.sh BUILD SECONDS [HARNESS...]: runs each fuzzing harness of BUILD (all when none is named)
# for SECONDS, starting from the seed files and whatever earlier runs kept in BUILD/fuzz/corpus.
# Inputs that fail land in BUILD/fuzz/artifacts; the script fails when any harness did.
set -uo pipefail
BUILD=${1:?build folder}
SECONDS_EACH=${2:-60}
shift 2 || shift $#
ROOT=$(cd "$(dirname "$0")/.." && pwd)
FUZZ="$BUILD/fuzz"
mkdir -p "$FUZZ/corpus" "$FUZZ/artifacts" "$FUZZ/seeds"
QT_QPA_PLATFORM=offscreen "$FUZZ/fuzzseeds" "$FUZZ/seeds" || exit 1

export QT_QPA_PLATFORM=offscreen QT_FONT_DPI=96
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$ROOT/tests/lsan.supp:print_suppressions=0

if [ $# -gt 0 ]; then HARNESSES=("$@"); else
  HARNESSES=()
  for f in "$FUZZ"/fuzz_*; do [ -x "$f" ] && HARNESSES+=("$(basename "$f")"); done
fi

failed=()
for h in "${HARNESSES[@]}"; do
  mkdir -p "$FUZZ/corpus/$h"
  echo "== $h: $SECONDS_EACH s"
  # Each input must finish in seconds and a few hundred megabytes, as a viewer needs; the bound leaves
  # room for a loaded machine and the sanitizers.
  if ! "$FUZZ/$h" "$FUZZ/corpus/$h" "$FUZZ/seeds/$h" -max_total_time="$SECONDS_EACH" -timeout=20 \
      -rss_limit_mb=2048 -malloc_limit_mb=512 -max_len=65536 -print_final_stats=1 \
      -artifact_prefix="$FUZZ/artifacts/$h-" > "$FUZZ/$h.log" 2>&1; then
    failed+=("$h")
    echo "   failed: see $FUZZ/$h.log and $FUZZ/artifacts"
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$FUZZ/$h.log" | sed 's/^/   /'
done
[ ${#failed[@]} -eq 0 ] || { echo "failing harnesses: ${failed[*]}"; exit 1; }
