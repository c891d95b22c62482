#!/usr/bin/env bash
# Builds the action-document fuzzer with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs it for a bounded time on a copy of the seed corpus.
#   jukebox/remote/fuzz/run_fuzz.sh [seconds] [work folder]
# Exit status: 0 when no input failed, 77 without clang++, non-zero otherwise (the failing input lands
# in the work folder).
set -euo pipefail
seconds="${1:-60}"
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../../.." && pwd)
work="${2:-$(mktemp -d)}"
mkdir -p "$work/corpus"
cxx="${CLANGXX:-$(command -v clang++ || command -v clang++-14 || true)}"
if [ -z "$cxx" ]; then
  echo "clang++ not found: the fuzzer is not built" >&2
  exit 77
fi
# The platform core comes whole: the XML layer reads files through it.
# shellcheck disable=SC2046
"$cxx" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I"$top" \
  $(pkg-config --cflags libxml-2.0 uuid) \
  "$here/ActionDocumentFuzz.cpp" "$top/jukebox/remote/ActionDocument.cpp" "$top/jukebox/remote/RemoteAction.cpp" \
  "$top/netlib/ValueNode.cpp" "$top/platform/xml/XmlDocument.cpp" "$top/platform/xml/XmlNode.cpp" \
  $(ls "$top"/platform/core/*.cpp | grep -v VersionInfo.cpp) \
  $(pkg-config --libs libxml-2.0 uuid) -lpthread -ldl \
  -o "$work/action_document_fuzz"
cp "$here"/corpus/* "$work/corpus/"
cd "$work"
./action_document_fuzz -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 corpus
