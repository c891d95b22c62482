#!/usr/bin/env bash
# Builds and runs the HTTP parser fuzzer for a bounded time (see scripts/fuzz-target.sh).
#   netlib/fuzz/run_fuzz.sh [seconds | build] [work folder]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
source "$top/scripts/fuzz-target.sh"
run_fuzz_target "${1:-60}" "${2:-$(mktemp -d)}" "$here/corpus" http_parser_fuzz 70000 -I"$top" \
  "$here/HttpParserFuzz.cpp" \
  "$top/netlib/HttpParser.cpp" "$top/netlib/ThreadBlocks.cpp" \
  "$top/platform/core/CString.cpp" "$top/platform/core/Cp1252.cpp" "$top/platform/core/Rfc1123Date.cpp" \
  "$top/platform/core/DateTime.cpp" "$top/platform/core/LastError.cpp"
