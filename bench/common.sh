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
