# The controller's benchmark site, shared by bench/controller/run.sh and bench/all-figures.sh.

# A start directory of its own below $1 (a copy of the build's, with a page of 100 variables) and a
# registry that gives the port $3, for the build $2.
controller_site() {  # work folder, build folder, port
  cp -r "$2/startdir" "$1/start"
  {
    echo "<html><body><table>"
    for i in $(seq 0 99); do echo "<tr><td>V$i</td><td><%V$i%></td></tr>"; done
    echo "</table></body></html>"
  } > "$1/start/Templates/BENCH.HTM"
  printf '[HKEY_CURRENT_USER\\Software\\Tallowmere\\Quaverhouse\\FrameWork]\n"WebSocketNumber"=dword:%08x\n' "$3" \
    > "$1/registry.txt"
  mkdir -p "$1/locks"
}

# Four browsers, one a wrk thread, each with its own session holding the 100 values: their cookies
# go to the array `cookies`; the page as the first sees it goes to $1/www/bench.htm.
controller_browsers() {  # work folder, port
  local statements="" b
  for i in $(seq 0 99); do statements+="V$i='value number $i';"; done
  cookies=()
  for b in 1 2 3 4; do
    curl -s -c "$1/jar$b" -o /dev/null "http://127.0.0.1:$2/"
    curl -s -b "$1/jar$b" -o /dev/null --data-urlencode "COMMAND=$statements" "http://127.0.0.1:$2/COMMAND"
    cookies+=("$(awk '$6 == "TLWSESSIONID" {print $7}' "$1/jar$b")")
  done
  mkdir -p "$1/www"
  curl -s -b "$1/jar1" -o "$1/www/bench.htm" "http://127.0.0.1:$2/USER/BENCH.HTM"
  grep -q "value number 99" "$1/www/bench.htm" || { echo "the page does not show the values" >&2; return 1; }
}
