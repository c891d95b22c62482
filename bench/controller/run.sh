#!/usr/bin/env bash
# The controller under load: a template page of 100 variables at 50 keep-alive connections (wrk),
# beside lighttpd serving the same rendered page as a file; then controller_bench (statements per
# second and a year of planning).
#   bench/controller/run.sh [build folder] [seconds per run]
# Installs what bench/packages.txt names (wrk, lighttpd, ...) when it is missing. Builds Hallwarden and controller_bench in a Release build.
set -euo pipefail
. "$(cd "$(dirname "$0")/.." && pwd)/common.sh"
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
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# Hallwarden in a start directory of its own, with a page of 100 variables.
cp -r "$build/startdir" "$work/start"
{
  echo "<html><body><table>"
  for i in $(seq 0 99); do echo "<tr><td>V$i</td><td><%V$i%></td></tr>"; done
  echo "</table></body></html>"
} > "$work/start/Templates/BENCH.HTM"
port=$(free_port)
printf '[HKEY_CURRENT_USER\\Software\\Tallowmere\\Quaverhouse\\FrameWork]\n"WebSocketNumber"=dword:%08x\n' "$port" \
  > "$work/registry.txt"
mkdir -p "$work/locks"
(cd "$work/start" && QH_REGISTRY="$work/registry.txt" QH_LOCK_DIR="$work/locks" "$build/bin/Hallwarden") &
pids+=($!)
for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.1; done
# Four browsers, one a wrk thread, each with its own session holding the 100 values.
statements=""
for i in $(seq 0 99); do statements+="V$i='value number $i';"; done
cookies=()
for b in 1 2 3 4; do
  curl -s -c "$work/jar$b" -o /dev/null "http://127.0.0.1:$port/"
  curl -s -b "$work/jar$b" -o /dev/null --data-urlencode "COMMAND=$statements" "http://127.0.0.1:$port/COMMAND"
  cookies+=("$(awk '$6 == "TLWSESSIONID" {print $7}' "$work/jar$b")")
done
mkdir -p "$work/www"
curl -s -b "$work/jar1" -o "$work/www/bench.htm" "http://127.0.0.1:$port/USER/BENCH.HTM"
grep -q "value number 99" "$work/www/bench.htm" || { echo "the page does not show the values" >&2; exit 1; }
echo "page: $(wc -c < "$work/www/bench.htm") bytes, 100 variables"

# The reference: lighttpd serving the rendered page as a file.
lport=$(free_port)
cat > "$work/lighttpd.conf" <<CONF
server.document-root = "$work/www"
server.port = $lport
server.bind = "127.0.0.1"
server.max-connections = 4096
server.max-fds = 8192
server.errorlog = "$work/lighttpd.log"
mimetype.assign = (".htm" => "text/html")
CONF
lighttpd -D -f "$work/lighttpd.conf" &
pids+=($!)
sleep 0.5

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
