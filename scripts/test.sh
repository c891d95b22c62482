#!/usr/bin/env bash
# Builds the whole project with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
build="${QH_TEST_BUILD_DIR:-$top/build-asan}"
jobs=$(nproc)
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQH_SANITIZE=ON -DQH_BUILD_BENCH=OFF
cmake --build "$build" -j "$jobs"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$top/scripts/lsan.supp:${LSAN_OPTIONS:-}"
cd "$build"
ctest --output-on-failure -j "$jobs" "$@"
