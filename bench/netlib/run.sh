#!/usr/bin/env bash
# Requests per second and latency of the HTTP server under wrk, beside lighttpd serving a small file.
#   bench/netlib/run.sh [build folder] [seconds per run]
# Needs wrk and lighttpd (Debian packages). Builds netlib_bench_server in a Release build.
set -euo pipefail
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
lport=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
mkdir -p "$work/www"
printf '<?xml version="1.0" encoding="ISO-8859-1"?><actionResponseList/>' > "$work/www/reply.xml"
cat > "$work/lighttpd.conf" <<CONF
server.document-root = "$work/www"
server.port = $lport
server.bind = "127.0.0.1"
server.max-connections = 4096
server.max-fds = 8192
server.errorlog = "$work/lighttpd.log"
mimetype.assign = (".xml" => "text/xml")
CONF
lighttpd -D -f "$work/lighttpd.conf" &
sleep 0.5

# The server under test.
mkfifo "$work/control"
"$build/bin/netlib_bench_server" < "$work/control" > "$work/server.out" &
exec 3> "$work/control"
for _ in $(seq 100); do [ -s "$work/server.out" ] && break; sleep 0.05; done
port=$(head -1 "$work/server.out")
probe() { echo >&3; sleep 0.2; tail -1 "$work/server.out"; }

report() {  # name, wrk output
  local rps p99
  rps=$(grep 'Requests/sec' <<<"$2" | awk '{print $2}')
  p99=$(grep -E '^ +99%' <<<"$2" | awk '{print $2}')
  printf '%-44s %12s req/s   p99 %s\n' "$1" "$rps" "$p99"
}

echo "idle:                 $(probe)"
report "netlib POST keep-alive, 50 connections" \
  "$(wrk -t4 -c50 -d${seconds}s --latency -s "$here/post.lua" "http://127.0.0.1:$port/control")"
report "lighttpd GET keep-alive, 50 connections" \
  "$(wrk -t4 -c50 -d${seconds}s --latency "http://127.0.0.1:$lport/reply.xml")"
report "netlib POST new connection per request" \
  "$(wrk -t4 -c50 -d${seconds}s --latency -H 'Connection: close' -s "$here/post.lua" "http://127.0.0.1:$port/control")"
report "lighttpd GET new connection per request" \
  "$(wrk -t4 -c50 -d${seconds}s --latency -H 'Connection: close' "http://127.0.0.1:$lport/reply.xml")"
sleep 2
echo "after the clients left: $(probe)"

# 1,000 slow connections must not stop the server answering others.
python3 "$here/slowloris.py" "$port" 1000 $((seconds + 6)) &
sleep 4
echo "with 1000 slow clients: $(probe)"
report "netlib POST keep-alive beside 1000 slow" \
  "$(wrk -t2 -c10 -d${seconds}s --latency -s "$here/post.lua" "http://127.0.0.1:$port/control")"
wait %3 2>/dev/null || sleep $((seconds + 4))
sleep 3
echo "after the slow clients left: $(probe)"
exec 3>&-
