#!/usr/bin/env bash
# Requests per second and latency of the jukebox's control port answering the player-state query of a
# zone (QryStreamState) over 50 kept connections, beside lighttpd serving a small file in the same run.
#   bench/remote/run.sh [build folder] [seconds per run]
# Installs what bench/packages.txt names (wrk, lighttpd, ...) when it is missing. Makes a Release build of the program and the demo library
# (scripts/demo.sh, stopped after start-up), then runs Tonebarn on that library on a free port, once
# with its log on (as shipped) and once with it off.
set -euo pipefail
. "$(cd "$(dirname "$0")/.." && pwd)/common.sh"
install_bench_packages
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
build="${1:-$top/build-bench}"
seconds="${2:-10}"
ulimit -n 8192 || true
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQH_BUILD_BENCH=ON -DQH_BUILD_TESTS=OFF >/dev/null
build=$(cd "$build" && pwd)  # the jukebox runs from its start folder
cmake --build "$build" -j4 --target Tonebarn qh_make_demo_library qhregsvr Quillmark shdocvw jukebox_resources >/dev/null
QH_SKIP_SETUP=1 QH_SKIP_BUILD=1 QH_BUILD_DIR="$build" bash "$top/scripts/demo.sh" --stop-after-startup >/dev/null
demo="$build/demo"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

# The reference: lighttpd serving a small file.
lport=$(free_port)
mkdir -p "$work/www"
printf '<?xml version="1.0" encoding="ISO-8859-1"?><actionResponseList/>' > "$work/www/reply.xml"
start_lighttpd "$work/www" "$lport"

report() {  # name, wrk output; remembers rate and p99 (ms) in $last_rps, $last_p99
  local rps p99 errors
  rps=$(grep 'Requests/sec' <<<"$2" | awk '{print $2}')
  p99=$(grep -E '^ +99%' <<<"$2" | awk '{print $2}')
  errors=$(grep -E 'Non-2xx|Socket errors' <<<"$2" | tr -s ' ' || true)
  printf '%-46s %12s req/s   p99 %-9s lost %s%s\n' "$1" "$rps" "$p99" "$(wrk_lost "$2")" "${errors:+  $errors}"
  last_rps=$rps
  last_p99=$(awk -v t="$p99" 'BEGIN { v = t + 0; if (t ~ /us$/) v /= 1000; else if (t ~ /s$/ && t !~ /ms$/) v *= 1000; print v }')
}

report "lighttpd GET keep-alive, 50 connections" \
  "$(wrk -t4 -c50 -d${seconds}s --latency "http://127.0.0.1:$lport/reply.xml")"
ref_rps=$last_rps
ref_p99=$last_p99

run_jukebox() {  # log setting (1 on, 0 off)
  local port
  port=$(free_port)
  sed -i -e "s/^\"SocketNumber\"=dword:.*/\"SocketNumber\"=dword:$(printf '%08x' "$port")/" \
         -e "s/^\"ErrorLog\"=dword:.*/\"ErrorLog\"=dword:$(printf '%08x' "$1")/" "$demo/registry.txt"
  (cd "$demo/startdir" && QH_REGISTRY="$demo/registry.txt" QH_DRIVES="$demo/drives.txt" QH_LOCK_DIR="$demo/locks" \
     exec "$build/bin/Tonebarn" 1 > "$work/tonebarn.out" 2>&1) &
  local pid=$!
  wait_for_answer "http://127.0.0.1:$port/control" Tonebarn "$work/tonebarn.out" \
    -H 'Content-Type: text/xml' --data-binary '<actionList/>'
  echo "one answer: $(curl -s -m 5 -H 'Content-Type: text/xml' --data-binary @"$work/one.xml" "http://127.0.0.1:$port/control")"
  report "Tonebarn QryStreamState keep-alive, 50 conn., log $([ "$1" = 1 ] && echo on || echo off)" \
    "$(wrk -t4 -c50 -d${seconds}s --latency -s "$here/query.lua" "http://127.0.0.1:$port/control")"
  printf '%-46s %12s x lighttpd rate, p99 %s x lighttpd p99\n' "" \
    "$(awk -v a="$last_rps" -v b="$ref_rps" 'BEGIN { printf "%.2f", a / b }')" \
    "$(awk -v a="$last_p99" -v b="$ref_p99" 'BEGIN { printf "%.2f", a / b }')"
  # SIGTERM stops the jukebox in order (every zone, then the control port) within 10 s; one that does
  # not is reported as the fault it is, and the run fails.
  kill -TERM "$pid"
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    echo "FAIL: Tonebarn still ran 10 s after SIGTERM; its output:" >&2
    tail -20 "$work/tonebarn.out" >&2
    kill -KILL "$pid" 2>/dev/null || true  # reported above; nothing is left running
    exit 1
  fi
  local code=0
  wait "$pid" || code=$?
  [ "$code" = 0 ] || { echo "FAIL: Tonebarn ended with $code after SIGTERM; its output:" >&2; tail -20 "$work/tonebarn.out" >&2; exit 1; }
}
cat > "$work/one.xml" <<'XML'
<actionList><action><actionName>QryStreamState</actionName><actionID>1</actionID><subDevice>0</subDevice><argument><name>StreamState</name><direction>out</direction></argument><argument><name>CurVolume</name><direction>out</direction></argument></action></actionList>
XML
run_jukebox 1
run_jukebox 0
