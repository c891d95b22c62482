#!/usr/bin/env bash
# Every figure of the network benchmarks in one run, each measured right beside lighttpd serving the
# same bytes as a file, then one table: the jukebox's control port (log on, as shipped, and off), the
# controller's template page (4 sessions and 1), netlib kept-alive, netlib with a new connection per
# request, and netlib beside 1,000 slow clients. Rates, 99th percentiles and lost replies (timed out,
# failed or not 2xx) of both sides, the ratios, the targets, and the load average of the machine.
#   bench/all-figures.sh [--cores LIST] [--client-cores LIST] [--seconds N] [--build FOLDER]
#     --cores         the CPUs (taskset list) the servers, ours and lighttpd alike, run on (default: all)
#     --client-cores  the CPUs wrk and the slow clients run on (default: all)
#     --seconds       the length of each wrk run (default 10; the whole run takes about 4 minutes)
#     --build         the Release build folder (default build-bench)
# Installs what bench/packages.txt names when it is missing and builds what it runs.
set -euo pipefail
. "$(cd "$(dirname "$0")" && pwd)/common.sh"
. "$(cd "$(dirname "$0")" && pwd)/controller/site.sh"
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
cores=all
client_cores=all
seconds=10
build="$top/build-bench"
while [ $# -gt 0 ]; do
  case "$1" in
    --cores|--client-cores|--seconds|--build)
      [ $# -ge 2 ] || { echo "all-figures.sh: $1 needs a value" >&2; exit 2; } ;;&
    --cores) cores=$2; shift ;;
    --client-cores) client_cores=$2; shift ;;
    --seconds) seconds=$2; shift ;;
    --build) build=$2; shift ;;
    *) echo "all-figures.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done
pinned() { [ "$1" = all ] || echo "taskset -c $1"; }
# Word-split on purpose: empty when unpinned.
mkdir -p "$build"
build=$(cd "$build" && pwd)
read -r -a on_server <<<"$(pinned "$cores")"
read -r -a on_client <<<"$(pinned "$client_cores")"

install_bench_packages
ulimit -n 8192 || true
started=$(date +%s)
echo "building in $build ..."
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQH_BUILD_BENCH=ON -DQH_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j4 --target Tonebarn qh_make_demo_library qhregsvr Quillmark shdocvw jukebox_resources \
  Hallwarden netlib_bench_server >/dev/null
QH_SKIP_SETUP=1 QH_SKIP_BUILD=1 QH_BUILD_DIR="$build" bash "$top/scripts/demo.sh" --stop-after-startup >/dev/null
demo="$build/demo"
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
echo "servers on CPUs: $cores, clients on CPUs: $client_cores, $seconds s a run; load at start: $(cut -d' ' -f1-3 /proc/loadavg)"

# ---- Measuring -----------------------------------------------------------------------------------
rows=()
# One wrk run: name, then wrk's arguments. Leaves "rate p99(ms) lost" in $measured and prints the line.
measure() {
  local name=$1 output
  shift
  output=$("${on_client[@]}" wrk --latency "$@")
  measured="$(wrk_rate "$output") $(wrk_p99_ms "$output") $(wrk_lost "$output")"
  printf '  %-44s %s req/s, p99 %s ms, lost %s\n' "$name" $measured
}
# A row of the table: name, target rate ratio (or -), target p99 ratio (or -), ours, lighttpd's.
row() { rows+=("$1|$2|$3|$4|$5|$(cut -d' ' -f1 /proc/loadavg)"); }

# lighttpd: every reference file in one folder.
lport=$(free_port)
mkdir -p "$work/www"
printf '<?xml version="1.0" encoding="ISO-8859-1"?><actionResponseList/>' > "$work/www/reply.xml"
start_lighttpd "$work/www" "$lport" "${on_server[@]}"
pids+=($!)
reference_url="http://127.0.0.1:$lport/reply.xml"

# Stops a server by SIGTERM and waits for it (10 s at most); one that does not stop fails the run.
stop_server() {  # pid, name, its output file
  kill -TERM "$1" 2>/dev/null || true
  for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$1" 2>/dev/null; then
    echo "FAIL: $2 still ran 10 s after SIGTERM; its output:" >&2
    tail -20 "$3" >&2
    exit 1
  fi
  wait "$1" 2>/dev/null || true
}

# ---- The jukebox's control port -------------------------------------------------------------------
remote_figure() {  # log setting (1 on, 0 off)
  local port pid name
  port=$(free_port)
  sed -i -e "s/^\"SocketNumber\"=dword:.*/\"SocketNumber\"=dword:$(printf '%08x' "$port")/" \
         -e "s/^\"ErrorLog\"=dword:.*/\"ErrorLog\"=dword:$(printf '%08x' "$1")/" "$demo/registry.txt"
  (cd "$demo/startdir" && QH_REGISTRY="$demo/registry.txt" QH_DRIVES="$demo/drives.txt" QH_LOCK_DIR="$demo/locks" \
     exec "${on_server[@]}" "$build/bin/Tonebarn" 1 > "$work/tonebarn.out" 2>&1) &
  pid=$!
  pids+=("$pid")
  wait_for_answer "http://127.0.0.1:$port/control" Tonebarn "$work/tonebarn.out" \
    -H 'Content-Type: text/xml' --data-binary '<actionList/>'
  name="control port, log $([ "$1" = 1 ] && echo on || echo off)"
  measure "$name" -t4 -c50 -d"${seconds}s" -s "$here/remote/query.lua" "http://127.0.0.1:$port/control"
  local ours=$measured
  measure "lighttpd beside it" -t4 -c50 -d"${seconds}s" "$reference_url"
  if [ "$1" = 1 ]; then row "$name" 0.5 2 "$ours" "$measured"; else row "$name" - - "$ours" "$measured"; fi
  stop_server "$pid" Tonebarn "$work/tonebarn.out"
}
echo "control port (Tonebarn, QryStreamState, 50 kept connections):"
remote_figure 1
remote_figure 0

# ---- The controller's template page ----------------------------------------------------------------
echo "controller (Hallwarden, a page of 100 variables, 50 kept connections):"
cport=$(free_port)
controller_site "$work" "$build" "$cport"
(cd "$work/start" && QH_REGISTRY="$work/registry.txt" QH_LOCK_DIR="$work/locks" \
   exec "${on_server[@]}" "$build/bin/Hallwarden" > "$work/hallwarden.out" 2>&1) &
hallwarden=$!
pids+=("$hallwarden")
wait_for_answer "http://127.0.0.1:$cport/" Hallwarden "$work/hallwarden.out"
controller_browsers "$work" "$cport"
page="http://127.0.0.1:$cport/USER/BENCH.HTM"
measure "page, 4 sessions" -t4 -c50 -d"${seconds}s" -s "$here/controller/sessions.lua" "$page" -- "${cookies[@]}"
ours=$measured
measure "lighttpd beside it" -t4 -c50 -d"${seconds}s" "http://127.0.0.1:$lport/bench.htm"
row "controller page, 4 sessions" 0.6 2 "$ours" "$measured"
measure "page, 1 session" -t4 -c50 -d"${seconds}s" -H "Cookie: TLWSESSIONID=${cookies[0]}" "$page"
ours=$measured
measure "lighttpd beside it" -t4 -c50 -d"${seconds}s" "http://127.0.0.1:$lport/bench.htm"
row "controller page, 1 session" 0.6 2 "$ours" "$measured"
# Requests answered with a new-session page instead of the page were not answered as asked.
sessions=$(grep -c "new session created" "$work/start/Logs/HallwardenLog.txt" || true)
stop_server "$hallwarden" Hallwarden "$work/hallwarden.out"

# ---- netlib on its own -------------------------------------------------------------------------------
echo "netlib (netlib_bench_server, a small POST answered by the owner window):"
mkfifo "$work/control"
"${on_server[@]}" "$build/bin/netlib_bench_server" 0 1100 < "$work/control" > "$work/server.out" &
pids+=($!)
exec 3> "$work/control"
for _ in $(seq 100); do [ -s "$work/server.out" ] && break; sleep 0.05; done
nport=$(head -1 "$work/server.out")
netlib_url="http://127.0.0.1:$nport/control"
probe() { echo >&3; sleep 0.2; tail -1 "$work/server.out"; }
measure "kept-alive, 50 connections" -t4 -c50 -d"${seconds}s" -s "$here/netlib/post.lua" "$netlib_url"
ours=$measured
measure "lighttpd beside it" -t4 -c50 -d"${seconds}s" "$reference_url"
row "netlib kept-alive, 50 connections" - - "$ours" "$measured"
measure "new connection per request" -t4 -c50 -d"${seconds}s" -H 'Connection: close' -s "$here/netlib/post.lua" "$netlib_url"
ours=$measured
measure "lighttpd beside it" -t4 -c50 -d"${seconds}s" -H 'Connection: close' "$reference_url"
row "netlib new connection per request" 0.75 - "$ours" "$measured"
beside_slow() {  # port, wrk arguments...
  local port=$1 slow
  shift
  "${on_client[@]}" python3 "$here/netlib/slowloris.py" "$port" 1000 $((seconds + 6)) > "$work/slow.out" &
  slow=$!
  for _ in $(seq 100); do grep -q "open" "$work/slow.out" && break; sleep 0.1; done
  measure "$@"
  wait "$slow" 2>/dev/null || true
}
beside_slow "$nport" "kept-alive beside 1000 slow clients" -t2 -c10 -d"${seconds}s" -s "$here/netlib/post.lua" "$netlib_url"
ours=$measured
beside_slow "$lport" "lighttpd beside as many" -t2 -c10 -d"${seconds}s" "$reference_url"
row "netlib beside 1000 slow clients" - - "$ours" "$measured"
sleep 3
echo "  netlib after the clients left: $(probe)"
exec 3>&-

# ---- The table -----------------------------------------------------------------------------------------
echo
echo "servers on CPUs $cores, clients on CPUs $client_cores, ${seconds} s a run, $(( $(date +%s) - started )) s in all;" \
  "load now $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-36s %10s %8s %5s | %10s %8s %5s | %6s %6s | %-18s %5s\n' \
  "figure" "req/s" "p99 ms" "lost" "lighttpd" "p99 ms" "lost" "rate x" "p99 x" "target" "load"
for r in "${rows[@]}"; do
  IFS='|' read -r name want_rate want_p99 ours ref load <<<"$r"
  read -r rate p99 lost <<<"$ours"
  read -r lrate lp99 llost <<<"$ref"
  awk -v n="$name" -v r="$rate" -v p="$p99" -v l="$lost" -v R="$lrate" -v P="$lp99" -v L="$llost" \
      -v wr="$want_rate" -v wp="$want_p99" -v load="$load" 'BEGIN {
    x = R > 0 ? r / R : 0; y = P > 0 ? p / P : 0; target = "-"
    if (wr != "-") {
      target = ">=" wr (wp != "-" ? ", <=" wp : "")
      ok = x >= wr && (wp == "-" || y <= wp) && l == 0
      target = target (ok ? " met" : " MISSED")
    }
    printf "%-36s %10.0f %8.2f %5d | %10.0f %8.2f %5d | %6.2f %6.2f | %-18s %5s\n", n, r, p, l, R, P, L, x, y, target, load
  }'
done
echo "controller sessions made: $sessions (5 expected: the start probe and the four browsers; more means requests went unanswered)"
