#!/usr/bin/env bash
# The controller under load: a template page of 100 variables at 50 keep-alive connections (wrk),
# beside lighttpd serving the same rendered page as a file; then controller_bench (statements per
# second and a year of planning).
#   bench/controller/run.sh [build folder] [seconds per run]
# Installs what bench/packages.txt names (wrk, lighttpd, ...) when it is missing. Builds Hallwarden and controller_bench in a Release build.
set -euo pipefail
. "$(cd "$(dirname "$0")/.." && pwd)/common.sh"
. "$(cd "$(dirname "$0")" && pwd)/site.sh"
install_bench_packages
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
build="${1:-$top/build-bench}"
seconds="${2:-10}"
ulimit -n 8192 || true
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQH_BUILD_BENCH=ON -DQH_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target Hallwarden controller_bench >/dev/null
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT

# Hallwarden in a start directory of its own, with a page of 100 variables.
port=$(free_port)
controller_site "$work" "$build" "$port"
(cd "$work/start" && QH_REGISTRY="$work/registry.txt" QH_LOCK_DIR="$work/locks" "$build/bin/Hallwarden") &
pids+=($!)
wait_for_answer "http://127.0.0.1:$port/" Hallwarden /dev/null
controller_browsers "$work" "$port"
echo "page: $(wc -c < "$work/www/bench.htm") bytes, 100 variables"

# The reference: lighttpd serving the rendered page as a file.
lport=$(free_port)
start_lighttpd "$work/www" "$lport"
pids+=($!)

report() {  # name, wrk output
  local rps p99 bytes
  rps=$(grep 'Requests/sec' <<<"$2" | awk '{print $2}')
  p99=$(grep -E '^ +99%' <<<"$2" | awk '{print $2}')
  bytes=$(awk '/requests in/ {print $1}' <<<"$2")
  printf '%-52s %12s req/s   p99 %-8s (%s requests)  lost %s\n' "$1" "$rps" "$p99" "$bytes" "$(wrk_lost "$2")"
}
report "Hallwarden template page, 4 sessions, 50 keep-alive" \
  "$(wrk -t4 -c50 -d${seconds}s --latency -s "$here/sessions.lua" "http://127.0.0.1:$port/USER/BENCH.HTM" -- "${cookies[@]}")"
report "lighttpd the same page as a file, 50 keep-alive" \
  "$(wrk -t4 -c50 -d${seconds}s --latency "http://127.0.0.1:$lport/bench.htm")"
# Every request must have been answered with the page itself, not a new-session page.
grep -c "new session created" "$work/start/Logs/HallwardenLog.txt" | sed 's/^/sessions made (5 expected: the start probe and the four browsers; more means requests went unanswered): /'
report "Hallwarden template page, 1 session, 50 keep-alive" \
  "$(wrk -t4 -c50 -d${seconds}s --latency -H "Cookie: TLWSESSIONID=${cookies[0]}" "http://127.0.0.1:$port/USER/BENCH.HTM")"
"$build/bin/controller_bench"
