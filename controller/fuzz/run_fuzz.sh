#!/usr/bin/env bash
# Builds and runs the statement parser fuzzer for a bounded time (see scripts/fuzz-target.sh).
#   controller/fuzz/run_fuzz.sh [seconds | build] [work folder]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
source "$top/scripts/fuzz-target.sh"
run_fuzz_target "${1:-60}" "${2:-$(mktemp -d)}" "$here/corpus" statement_parser_fuzz 4096 -I"$top" \
  "$here/StatementParserFuzz.cpp" "$top/controller/CommandParser.cpp" "$top/netlib/ValueNode.cpp" \
  "$top/platform/core/CString.cpp" "$top/platform/core/Cp1252.cpp" "$top/platform/core/CrtNumbers.cpp" \
  "$top/platform/core/LastError.cpp"
