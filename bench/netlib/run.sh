#!/usr/bin/env bash
# Requests per second and latency of the HTTP server under wrk, beside lighttpd serving a small file.
#   bench/netlib/run.sh [build folder] [seconds per run]
# Installs what bench/packages.txt names (wrk, lighttpd, ...) when it is missing. Builds netlib_bench_server in a Release build.
set -euo pipefail
. "$(cd "$(dirname "$0")/.." && pwd)/common.sh"
install_bench_packages
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
build="${1:-$top/build-bench}"
seconds="${2:-10}"
ulimit -n 8192 || true
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQH_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target netlib_bench_server >/dev/null
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

# The reference: lighttpd serving a small file.
lport=$(free_port)
mkdir -p "$work/www"
printf '<?xml version="1.0" encoding="ISO-8859-1"?><actionResponseList/>' > "$work/www/reply.xml"
start_lighttpd "$work/www" "$lport"

# The server under test.
mkfifo "$work/control"
"$build/bin/netlib_bench_server" 0 1100 < "$work/control" > "$work/server.out" &
exec 3> "$work/control"
for _ in $(seq 100); do [ -s "$work/server.out" ] && break; sleep 0.05; done
port=$(head -1 "$work/server.out")
probe() { echo >&3; sleep 0.2; tail -1 "$work/server.out"; }

report() {  # name, wrk output; remembers the rate in $last_rps
  local rps p99 refused
  rps=$(grep 'Requests/sec' <<<"$2" | awk '{print $2}')
  p99=$(grep -E '^ +99%' <<<"$2" | awk '{print $2}')
  refused=$(grep 'Non-2xx' <<<"$2" | awk '{print $NF}' || true)
  printf '%-44s %12s req/s   p99 %-9s lost %s%s\n' "$1" "$rps" "$p99" "$(wrk_lost "$2")" "${refused:+  non-2xx $refused}"
  last_rps=$rps
}
ratio() {  # name, ours, reference
  printf '%-44s %12s x lighttpd\n' "$1" "$(awk -v a="$2" -v b="$3" 'BEGIN { printf "%.2f", a / b }')"
}

echo "idle:                 $(probe)"
report "netlib POST keep-alive, 50 connections" \
  "$(wrk -t4 -c50 -d${seconds}s --latency -s "$here/post.lua" "http://127.0.0.1:$port/control")"
ours=$last_rps
report "lighttpd GET keep-alive, 50 connections" \
  "$(wrk -t4 -c50 -d${seconds}s --latency "http://127.0.0.1:$lport/reply.xml")"
ratio "keep-alive" "$ours" "$last_rps"
report "netlib POST new connection per request" \
  "$(wrk -t4 -c50 -d${seconds}s --latency -H 'Connection: close' -s "$here/post.lua" "http://127.0.0.1:$port/control")"
ours=$last_rps
report "lighttpd GET new connection per request" \
  "$(wrk -t4 -c50 -d${seconds}s --latency -H 'Connection: close' "http://127.0.0.1:$lport/reply.xml")"
ratio "new connection per request" "$ours" "$last_rps"
sleep 2
echo "after the clients left: $(probe)"

# 1,000 slow connections (the server's cap is raised to 1,100 for this run) must not stop the server
# answering others; lighttpd beside as many slow clients is the reference.
python3 "$here/slowloris.py" "$port" 1000 $((seconds + 6)) &
slow=$!
sleep 4
echo "with 1000 slow clients: $(probe)"
report "netlib POST keep-alive beside 1000 slow" \
  "$(wrk -t2 -c10 -d${seconds}s --latency -s "$here/post.lua" "http://127.0.0.1:$port/control")"
ours=$last_rps
wait "$slow" 2>/dev/null || true
python3 "$here/slowloris.py" "$lport" 1000 $((seconds + 6)) &
slow=$!
sleep 4
report "lighttpd GET keep-alive beside 1000 slow" \
  "$(wrk -t2 -c10 -d${seconds}s --latency "http://127.0.0.1:$lport/reply.xml")"
ratio "beside 1000 slow clients" "$ours" "$last_rps"
wait "$slow" 2>/dev/null || true
sleep 3
echo "after the slow clients left: $(probe)"

# Beyond the cap: 1,300 idle connections; the 200 over 1,100 are answered 503 and closed at once.
python3 - "$port" <<'PY'
import socket, sys
port = int(sys.argv[1])
held, refused = [], 0
for _ in range(1300):
    s = socket.create_connection(("127.0.0.1", port), timeout=5)
    held.append(s)
import time
time.sleep(0.5)
for s in held:
    s.setblocking(False)
    try:
        if s.recv(64).startswith(b"HTTP/1.1 503"):
            refused += 1
    except OSError:
        pass
print("1300 idle connections: %d answered 503" % refused)
PY
sleep 2
echo "after the idle connections left: $(probe)"
exec 3>&-
