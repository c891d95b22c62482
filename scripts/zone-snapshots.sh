#!/usr/bin/env bash
# Refreshes the pictures of a normal and a TV zone window playing a song with its cover
# (docs/images/zone-normal.png, docs/images/zone-tv.png) from the zone tests, so they never go stale.
# The test suite writes the same pictures under <build>/snapshots on every run.
#
#   bash scripts/zone-snapshots.sh        uses build-asan/ (QH_BUILD_DIR=<dir> for another build folder)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QH_BUILD_DIR:-$top/build-asan}
cmake --build "$build" --target jukebox_zones_tests
mkdir -p "$top/docs/images"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$top/scripts/lsan.supp:${LSAN_OPTIONS:-}"
QH_ZONE_SNAPSHOT_DIR="$top/docs/images" "$build/tests/jukebox_zones_tests" --gtest_filter='*Snapshot.PlayingWithACover'
echo "zone snapshots written to $top/docs/images"
