# What the benchmark scripts share; sourced by bench/*/run.sh.

# Installs the Debian packages of bench/packages.txt that are missing (as root, or through sudo).
install_bench_packages() {
  local list missing=()
  list="$(dirname "${BASH_SOURCE[0]}")/packages.txt"
  while read -r package; do
    [ -n "$package" ] || continue
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
  done < "$list"
  [ ${#missing[@]} -eq 0 ] && return 0
  local run=()
  [ "$(id -u)" = 0 ] || run=(sudo)
  "${run[@]}" apt-get update -qq >/dev/null
  DEBIAN_FRONTEND=noninteractive "${run[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

# The replies a wrk run lost: requests that timed out or whose connection failed, and answers that
# were not 2xx.
wrk_lost() {  # wrk output
  awk '/Socket errors:/ { gsub(",", ""); n += $4 + $6 + $8 + $10 } /Non-2xx/ { n += $NF } END { print n + 0 }' <<<"$1"
}

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

# Starts lighttpd in the foreground of a background job, serving the folder $1 on port $2 (with .xml
# as text/xml and .htm as text/html), its configuration and log beside the folder; any further
# arguments go before it (a taskset, say). Returns once it answers, or fails after 5 s.
start_lighttpd() {  # document folder, port, [command prefix...]
  local root=$1 port=$2
  shift 2
  cat > "$root.conf" <<CONF
server.document-root = "$root"
server.port = $port
server.bind = "127.0.0.1"
server.max-connections = 4096
server.max-fds = 8192
server.errorlog = "$root.log"
mimetype.assign = (".xml" => "text/xml", ".htm" => "text/html")
CONF
  "$@" lighttpd -D -f "$root.conf" &
  for _ in $(seq 50); do
    curl -s -m 1 -o /dev/null "http://127.0.0.1:$port/" && return 0
    sleep 0.1
  done
  echo "lighttpd did not answer on port $port" >&2
  return 1
}

# The figures of one wrk output: requests per second, the 99th percentile in milliseconds.
wrk_rate() { awk '/Requests\/sec/ { print $2 }' <<<"$1"; }
wrk_p99_ms() {
  awk '/^ +99%/ { t = $2; v = t + 0; if (t ~ /us$/) v /= 1000; else if (t ~ /[0-9]s$/) v *= 1000; print v }' <<<"$1"
}

# Waits up to 60 s (a loaded machine starts programs slowly) for a server to answer; one that does
# not fails the run with its output.
wait_for_answer() {  # url, name, its output file, curl arguments...
  local url=$1 name=$2 output=$3
  shift 3
  for _ in $(seq 300); do
    curl -s -m 2 -o /dev/null "$@" "$url" && return 0
    sleep 0.2
  done
  echo "FAIL: $name did not answer at $url within 60 s; its output:" >&2
  tail -20 "$output" >&2
  exit 1
}
