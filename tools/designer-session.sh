#!/usr/bin/env bash
# The designer's scripted session (pimdesigner --scripted, see examples/pimdesigner/session.h) run on
# the release build under valgrind's memcheck: an afternoon's work on examples/orders.rep through the
# windows' own events. Fails on any fault the session finds, any invalid read or write, use of
# uninitialised memory or bad free, and any block definitely lost. tools/valgrind.supp hides only what
# the system's own libraries do.
# Usage: tools/designer-session.sh [RELEASE_BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${1:-build/release}"
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT
export QT_QPA_PLATFORM=offscreen QT_FONT_DPI=96
status=0
valgrind --tool=memcheck --error-exitcode=3 --leak-check=full --show-leak-kinds=definite \
    --errors-for-leak-kinds=definite --num-callers=40 --suppressions=tools/valgrind.supp \
    --log-file="$OUT/valgrind.log" \
    "$BUILD/examples/pimdesigner" --scripted examples/orders.rep "$OUT/orders.rep" 2> "$OUT/session.log" || status=$?
grep -E '^(FAULT|session):' "$OUT/session.log" || true
grep -E 'ERROR SUMMARY|definitely lost' "$OUT/valgrind.log" || true
if [ "$status" -ne 0 ]; then
    echo "designer session failed (status $status); valgrind's report:"
    cat "$OUT/valgrind.log"
    exit 1
fi
echo "designer session passed under valgrind"
