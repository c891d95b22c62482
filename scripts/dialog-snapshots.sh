#!/usr/bin/env bash
# Refreshes the pictures of the jukebox's options sheet (one a page, docs/images/options-*.png) and of a
# message box on a display (docs/images/message-box.png) from the tests that check them, so they never
# go stale. The message box needs Xvfb and xdotool (scripts/packages.txt).
#
#   bash scripts/dialog-snapshots.sh      uses build-asan/ (QH_BUILD_DIR=<dir> for another build folder)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QH_BUILD_DIR:-$top/build-asan}
cmake --build "$build" --target qh_jukebox_dialogs_tests qh_gdi_tests
mkdir -p "$top/docs/images"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$top/scripts/lsan.supp:${LSAN_OPTIONS:-}"
export QH_DIALOG_SNAPSHOT_DIR="$top/docs/images"
"$build/tests/qh_jukebox_dialogs_tests" --gtest_filter='OptionsSheetTest.EveryPageShowsItsControlsInTheSheetsPicture'
"$build/tests/qh_gdi_tests" --gtest_filter='*ModalOnDisplay*NoWindowManager'
echo "dialog snapshots written to $top/docs/images"
