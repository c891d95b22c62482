# What the first-run tests share (sourced, after `bin` is set): a work folder with its own settings
# store, drive table (D: is "$work/D") and lock folder, a copy of the build's start directory, a free
# control port, the jukebox started and stopped, its control port asked, and a private X display driven
# with xdotool. Every wait polls with a deadline.
#   jukebox_args  the jukebox's command line (none unless set)
#   log_dir       the folder of the jukebox's log (set by the test)

for tool in Xvfb xdotool sox lame curl python3; do
  command -v "$tool" > /dev/null || { echo "FAIL: $tool is missing (scripts/packages.txt)" >&2; exit 1; }
done
work=$(mktemp -d)
pid=
xvfb=
jukebox_args=()
log_dir=$work/startdir/Logs
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -9 "$pid" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  # What the screen showed then (kept with KEEP=1).
  if [ -n "$xvfb" ] && command -v ffmpeg > /dev/null; then
    timeout 10 ffmpeg -loglevel error -f x11grab -video_size 1280x1024 -i "$DISPLAY" -frames:v 1 "$work/screen.png" 2>/dev/null \
      && echo "the screen: $work/screen.png" >&2
  fi
  for f in "$work"/*.out "$log_dir"/*; do [ -f "$f" ] && { echo "== $f" >&2; tail -30 "$f" >&2; }; done
  exit 1
}

export QH_REGISTRY="$work/registry.txt" QH_DRIVES="$work/drives.txt" QH_LOCK_DIR="$work/locks"
mkdir -p "$work/D/Music" "$work/locks"
# The start directory as the build assembles it (without the logs of other runs).
cp -r "$bin/../startdir" "$work/startdir"
rm -rf "$work/startdir/Logs" && mkdir "$work/startdir/Logs"
printf 'D\t%s\t1A2B3C4D\tMUSIC\tfixed\n' "$work/D" > "$QH_DRIVES"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')

setting() {  # value name: its line in the settings store
  grep -a "^\"$1\"=" "$QH_REGISTRY" || true
}

# ---- The jukebox and its control port.
refused_without_library() {  # an empty settings store: the database message and exit code 1
  local code=0
  (cd "$work/startdir" && QH_SOUND=none exec "$bin/Tonebarn" "${jukebox_args[@]}") > "$work/run0.out" 2>&1 || code=$?
  [ "$code" = 1 ] || fail "an empty settings store ended with $code, not 1"
  grep -q "The Quaverhouse database folder was not found" "$work/run0.out" || fail "no database message"
}
make_songs() {  # count: MP3 files made with sox and lame in D:\Music
  local i
  for i in $(seq "$1"); do
    sox -q -n -r 44100 -c 2 "$work/s$i.wav" synth 20 pluck $((330 + 110 * i)) vol 0.5
    lame --quiet -b 128 --tt "First Run $i" --ta "The Testers" --tl "Opening" --tg Rock "$work/s$i.wav" "$work/D/Music/s$i.mp3"
  done
}
request() {  # action, zone (0 for the first), extra argument XML; prints the answer
  curl -s -m 10 -H 'Content-Type: text/xml' --data-binary \
    "<actionList><action><actionName>$1</actionName><transID>1</transID><actionID>1</actionID><subDevice>$2</subDevice>$3</action></actionList>" \
    "http://127.0.0.1:$port/control" || echo "(no answer: curl ended with $?)"
}
start() {  # name, environment assignments...; returns once the control port answers
  local name=$1; shift
  (cd "$work/startdir" && exec env "$@" "$bin/Tonebarn" "${jukebox_args[@]}") > "$work/$name.out" 2>&1 &
  pid=$!
  for _ in $(seq 600); do
    kill -0 "$pid" 2>/dev/null || fail "$name: the jukebox ended at start-up"
    curl -s -m 2 -o /dev/null -H 'Content-Type: text/xml' --data-binary '<actionList/>' "http://127.0.0.1:$port/control" && return 0
    sleep 0.1
  done
  fail "$name: the control port never answered"
}
play_song() {  # name, zone, song
  local answer state=""
  answer=$(request SongLoadPlay "$2" "<argument><name>SongID</name><direction>in</direction><value>$3</value></argument>")
  grep -q '<actionReturnCode>0</actionReturnCode>' <<<"$answer" || fail "$1: SongLoadPlay in zone $2 answered $answer"
  for _ in $(seq 100); do
    state=$(request QryStreamState "$2" '<argument><name>StreamState</name><direction>out</direction></argument>')
    grep -q '<value>PLAYING</value>' <<<"$state" && return 0
    sleep 0.1
  done
  fail "$1: zone $2 is not PLAYING: $state"
}
wait_end() {  # name, what ended it, seconds: the program of $pid ends with 0 within the bound
  local deadline=$((SECONDS + $3)) code=0
  while kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "$1: still running $3 s after $2"
  wait "$pid" || code=$?
  pid=
  [ "$code" = 0 ] || fail "$1: $2 ended it with $code"
}
shutdowns() { log_text | grep -c 'Quaverhouse Jukebox is shutting down' || true; }
stop_with() {  # name, signal
  local before
  before=$(shutdowns)
  kill -"$2" "$pid"
  # The program's orderly stop, which its log says, within 10 s.
  for _ in $(seq 100); do
    [ "$(shutdowns)" -gt "$before" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [ "$(shutdowns)" -gt "$before" ] || fail "$1: no orderly shut-down within 10 s of SIG$2"
  # Then the process ends. Built with the sanitizers, its exit also scans the heap for leaks and
  # symbolizes the stacks of the suppressed ones: seconds of work that are not the program's, many more
  # on a loaded machine.
  wait_end "$1" "SIG$2" 60
}
log_text() { cat "$log_dir/"* 2>/dev/null || true; }

# ---- The display, and the keys and clicks of a person in front of it.
start_display() {
  exec {display_fd}<> <(:)
  # -noreset: the server must not start over (refusing connections) whenever xdotool's last call leaves.
  Xvfb -displayfd "$display_fd" -screen 0 1280x1024x24 -nolisten tcp -noreset > "$work/xvfb.log" 2>&1 &
  xvfb=$!
  # The server writes its number once it takes connections, which on a loaded machine can take many
  # seconds: wait as long as it lives, within a minute.
  local display= deadline=$((SECONDS + 60))
  while [ -z "$display" ] && [ "$SECONDS" -lt "$deadline" ] && kill -0 "$xvfb" 2>/dev/null; do
    read -r -t 0.5 display <&"$display_fd" || true
  done
  [ -n "$display" ] || { cat "$work/xvfb.log" >&2; fail "Xvfb gave no display"; }
  export DISPLAY=":$display"
}
# xdotool ends on an X error when a window goes away while it walks the tree, so windows are looked
# for by polling, each look bounded, until a deadline.
find_window() {  # title pattern, seconds; prints the newest visible window with that title
  local deadline=$((SECONDS + $2)) found
  while [ "$SECONDS" -lt "$deadline" ]; do
    found=$(timeout 5 xdotool search --onlyvisible --name "$1" 2>/dev/null | sort -n | tail -1) || true
    [ -n "$found" ] && { echo "$found"; return 0; }
    sleep 0.1
  done
  return 1
}
window_gone() {  # title pattern, seconds
  local deadline=$((SECONDS + $2))
  while [ "$SECONDS" -lt "$deadline" ]; do
    [ -z "$(timeout 5 xdotool search --onlyvisible --name "$1" 2>/dev/null)" ] && return 0
    sleep 0.1
  done
  return 1
}
