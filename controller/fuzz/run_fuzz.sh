#!/usr/bin/env bash
# Builds the statement parser fuzzer with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs it for a bounded time on a copy of the seed corpus.
#   controller/fuzz/run_fuzz.sh [seconds] [work folder]
# Exit status: 0 when no input failed, 77 without clang, non-zero otherwise (the failing input lands in
# the work folder).
set -euo pipefail
seconds="${1:-60}"
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
work="${2:-$(mktemp -d)}"
mkdir -p "$work/corpus"
cxx="${CLANGXX:-$(command -v clang++ || command -v clang++-14 || true)}"
if [ -z "$cxx" ]; then
  echo "clang++ not found: the fuzzer is not built" >&2
  exit 77
fi
"$cxx" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I"$top" \
  "$here/StatementParserFuzz.cpp" "$top/controller/CommandParser.cpp" "$top/netlib/ValueNode.cpp" \
  "$top/platform/core/CString.cpp" "$top/platform/core/Cp1252.cpp" "$top/platform/core/CrtNumbers.cpp" \
  "$top/platform/core/LastError.cpp" \
  -o "$work/statement_parser_fuzz"
cp "$here"/corpus/* "$work/corpus/"
cd "$work"
./statement_parser_fuzz -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 corpus
