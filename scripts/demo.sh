#!/usr/bin/env bash
# Builds everything and runs the jukebox on the demo library (SQLite file, headless display, null sound).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
build="${QH_BUILD_DIR:-$top/build}"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQH_BUILD_TESTS=OFF
cmake --build "$build" -j "$(nproc)"
if [ -x "$build/bin/Tonebarn" ]; then
  exec "$build/bin/Tonebarn" "$@"
fi
echo "Quaverhouse built in $build. The jukebox (Tonebarn) is not yet runnable: its program has not been written yet."
