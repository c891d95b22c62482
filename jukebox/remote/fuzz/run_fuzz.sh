#!/usr/bin/env bash
# Builds and runs the action-document fuzzer for a bounded time (see scripts/fuzz-target.sh).
#   jukebox/remote/fuzz/run_fuzz.sh [seconds | build] [work folder]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../../.." && pwd)
source "$top/scripts/fuzz-target.sh"
# The platform core comes whole: the XML layer reads files through it.
# shellcheck disable=SC2046
run_fuzz_target "${1:-60}" "${2:-$(mktemp -d)}" "$here/corpus" action_document_fuzz 8192 -I"$top" \
  $(pkg-config --cflags libxml-2.0 uuid) \
  "$here/ActionDocumentFuzz.cpp" "$top/jukebox/remote/ActionDocument.cpp" "$top/jukebox/remote/RemoteAction.cpp" \
  "$top/netlib/ValueNode.cpp" "$top/platform/xml/XmlDocument.cpp" "$top/platform/xml/XmlNode.cpp" \
  $(ls "$top"/platform/core/*.cpp | grep -v VersionInfo.cpp) \
  $(pkg-config --libs libxml-2.0 uuid) -lpthread -ldl
