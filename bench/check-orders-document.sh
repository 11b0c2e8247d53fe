#!/bin/bash
# Checks that the main job still writes the same files as the code it started from: builds the
# "orders" example of a base revision beside this tree, runs both on the same database and compares
# the document, the rich-text file, the stored form and the page picture byte for byte, and the PDF
# without its creation date.
#
#   bench/check-orders-document.sh [--base REV] [--build DIR] [--database DB] [--keep DIR]
#
#   --base REV       the revision to compare with; by default where this branch left main
#   --build DIR      this tree's release build (build/release); its orders example is built first
#   --database DB    the SQLite database both runs read; by default the build's sample database
#                    (bench/grow-sample.sh makes larger ones)
#   --keep DIR       keeps the base revision's build there and uses it again on the next check
set -euo pipefail

Root=$(cd "$(dirname "$0")/.." && pwd)
Base=""
Build="$Root/build/release"
Database=""
Keep=""
while [ $# -gt 0 ]; do
    case "$1" in
    --base) Base=$2; shift 2 ;;
    --build) Build=$2; shift 2 ;;
    --database) Database=$2; shift 2 ;;
    --keep) Keep=$2; shift 2 ;;
    *) echo "usage: $0 [--base REV] [--build DIR] [--database DB] [--keep DIR]" >&2; exit 2 ;;
    esac
done
[ -n "$Base" ] || Base=$(git -C "$Root" merge-base HEAD main)
Base=$(git -C "$Root" rev-parse --verify "$Base^{commit}")

Work=$(mktemp -d)
trap 'rm -rf "$Work"' EXIT
BaseTree=${Keep:-$Work/base}
mkdir -p "$BaseTree"
if [ "$(cat "$BaseTree/revision" 2>/dev/null || true)" != "$Base" ]; then
    rm -rf "$BaseTree/src" "$BaseTree/build"
    mkdir -p "$BaseTree/src"
    git -C "$Root" archive "$Base" | tar -x -C "$BaseTree/src"
    echo "$Base" >"$BaseTree/revision"
fi
echo "building the orders example of $Base"
cmake -S "$BaseTree/src" -B "$BaseTree/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPIM_TESTS=OFF \
    -DPIM_BENCH=OFF >/dev/null
cmake --build "$BaseTree/build" --target orders pimsampledb >/dev/null
echo "building the orders example of this tree in $Build"
cmake --build "$Build" --target orders pimsampledb >/dev/null
[ -n "$Database" ] || Database="$Build/examples/data/sample.db"

export QT_QPA_PLATFORM=offscreen
# The PDF writer keeps its fonts' glyphs in hashes: a fixed seed lays them out the same every run.
export QT_HASH_SEED=0
"$BaseTree/build/examples/orders" "$Work/before" "$Database" >/dev/null
"$Build/examples/orders" "$Work/after" "$Database" >/dev/null

Failed=0
for File in orders.pim orders.rtf orders.rep orders-page1.png; do
    if cmp -s "$Work/before/$File" "$Work/after/$File"; then
        echo "same     $File ($(stat -c %s "$Work/after/$File") bytes)"
    else
        echo "DIFFERS  $File"
        Failed=1
    fi
done
# A PDF names the moment it was made.
for Side in before after; do
    LC_ALL=C sed '/^\/CreationDate /d' "$Work/$Side/orders.pdf" >"$Work/$Side.pdf"
done
if cmp -s "$Work/before.pdf" "$Work/after.pdf"; then
    echo "same     orders.pdf but its creation date ($(stat -c %s "$Work/after/orders.pdf") bytes)"
else
    echo "DIFFERS  orders.pdf"
    Failed=1
fi
exit $Failed
