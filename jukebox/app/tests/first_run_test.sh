#!/usr/bin/env bash
# The jukebox as a new venue meets it, through the build's own programs: an empty settings store (the
# jukebox refuses with the database message), a library made with the schema creator from songs made
# with sox and lame, the zone a fresh store gives ("Default DirectSound Device"), a song played over the
# control port on the default output (SDL's dummy driver) and, without sound, on the null device with
# one log line; SIGTERM and SIGINT after a song has played end the program in order within 10 s (the
# sanitizers' leak scan at exit has a bound of its own). It runs in a copy of the build's start
# directory, which carries the jukebox's own device definition.
# On an X display (Xvfb) a double-click on the zone's logo opens the about box of the real program.
#   first_run_test.sh <bin folder>
set -euo pipefail
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -9 "$pid" 2>/dev/null || true; fi
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  for f in "$work"/run*.out "$work"/startdir/Logs/*; do [ -f "$f" ] && { echo "== $f" >&2; tail -30 "$f" >&2; }; done
  exit 1
}

export QH_REGISTRY="$work/registry.txt" QH_DRIVES="$work/drives.txt" QH_LOCK_DIR="$work/locks"
mkdir -p "$work/D/Music" "$work/locks"
# The start directory as the build assembles it (without the logs of other runs).
cp -r "$bin/../startdir" "$work/startdir"
rm -rf "$work/startdir/Logs" && mkdir "$work/startdir/Logs"
printf 'D\t%s\t1A2B3C4D\tMUSIC\tfixed\n' "$work/D" > "$QH_DRIVES"
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
port=$(free_port)

# ---- An empty settings store: the jukebox says where the library is to come from and ends with 1.
set +e
(cd "$work/startdir" && QH_SOUND=none exec "$bin/Tonebarn" 1) > "$work/run0.out" 2>&1
code=$?
set -e
[ "$code" = 1 ] || fail "an empty settings store ended with $code, not 1"
grep -q "The Quaverhouse database folder was not found" "$work/run0.out" || fail "no database message"

# ---- The library: two songs made with sox and lame, imported by the schema creator's builder.
for i in 1 2; do
  sox -q -n -r 44100 -c 2 "$work/s$i.wav" synth 20 pluck $((330 + 110 * i)) vol 0.5
  lame --quiet -b 128 --tt "First Run $i" --ta "The Testers" --tl "Opening" --tg Rock "$work/s$i.wav" "$work/D/Music/s$i.mp3"
done
(cd "$work/startdir" && "$bin/qh_make_demo_library" 'D:\Quaverhouse' 'D:\Music') > "$work/library.out" 2>&1 || fail "library: $(cat "$work/library.out")"
"$bin/qhregsvr" /s "$bin/Quillmark.so"
# The zones of a fresh store: none configured, so one zone on "Default DirectSound Device".
sed -i -e '/^"Zone1"=/d' -e '/^"ZoneDesc1"=/d' \
       -e "s/^\"SocketNumber\"=dword:.*/\"SocketNumber\"=dword:$(printf '%08x' "$port")/" "$QH_REGISTRY"
grep -q '^"Zone1"' "$QH_REGISTRY" && fail "zone 1 is still configured"

request() {  # action, extra argument XML; prints the answer
  curl -s -m 10 -H 'Content-Type: text/xml' --data-binary \
    "<actionList><action><actionName>$1</actionName><transID>1</transID><actionID>1</actionID><subDevice>0</subDevice>$2</action></actionList>" \
    "http://127.0.0.1:$port/control" || echo "(no answer: curl ended with $?)"
}
start() {  # name, environment assignments...
  local name=$1; shift
  (cd "$work/startdir" && exec env "$@" "$bin/Tonebarn" 1) > "$work/$name.out" 2>&1 &
  pid=$!
  for _ in $(seq 600); do
    kill -0 "$pid" 2>/dev/null || fail "$name: the jukebox ended at start-up"
    curl -s -m 2 -o /dev/null -H 'Content-Type: text/xml' --data-binary '<actionList/>' "http://127.0.0.1:$port/control" && return 0
    sleep 0.1
  done
  fail "$name: the control port never answered"
}
play_first_song() {  # name
  local answer state=""
  answer=$(request SongLoadPlay '<argument><name>SongID</name><direction>in</direction><value>1</value></argument>')
  grep -q '<actionReturnCode>0</actionReturnCode>' <<<"$answer" || fail "$1: SongLoadPlay answered $answer"
  for _ in $(seq 100); do
    state=$(request QryStreamState '<argument><name>StreamState</name><direction>out</direction></argument>')
    grep -q '<value>PLAYING</value>' <<<"$state" && return 0
    sleep 0.1
  done
  fail "$1: the zone is not PLAYING: $state"
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
  for _ in $(seq 600); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "$1: still running 60 s after SIG$2"
  local code=0
  wait "$pid" || code=$?
  pid=
  [ "$code" = 0 ] || fail "$1: SIG$2 ended the jukebox with $code"
}
log_text() { cat "$work/startdir/Logs/"* 2>/dev/null || true; }

# ---- The default output is SDL's default device (the dummy driver here); SIGTERM ends the jukebox.
start run1 SDL_AUDIODRIVER=dummy
play_first_song run1
stop_with run1 TERM
log_text | grep -q 'Quaverhouse Jukebox is shutting down' || fail "run1: no orderly shut-down in the log"
log_text | grep -q 'No sound device was found' && fail "run1: the dummy driver's device counted as none"
log_text | grep -q 'ParseXMLDeviceDef' && fail "run1: the start directory lacks the jukebox's device definition"
# Many connections were accepted; the listener's start is said once.
[ "$(log_text | grep -c 'Server thread listening for incoming connections')" = 1 ] \
  || fail "run1: the listening line is not in the log once"

# ---- Without a sound device the zone plays on the null device, said once in the log; SIGINT ends it.
start run2 QH_SOUND=none
play_first_song run2
stop_with run2 INT
[ "$(log_text | grep -c 'No sound device was found: the zones on "Default DirectSound Device" play on "Null Audio Device".')" = 1 ] \
  || fail "run2: the null-device line is not in the log once"
log_text | grep -q 'No sound device of stream' && fail "run2: a zone found no device"
# ---- A stop while the jukebox is still starting waits for start-up and then stops it in order.
(cd "$work/startdir" && exec env QH_SOUND=none "$bin/Tonebarn" 1) > "$work/run3.out" 2>&1 &
pid=$!
# Once start-up has written its first line (the signals are the program's own from then on).
for _ in $(seq 300); do
  [ "$(log_text | grep -c 'Jukebox Version .* is starting')" = 3 ] && break
  sleep 0.02
done
stop_with run3 TERM
[ "$(log_text | grep -c 'Stopping on signal')" = 3 ] || fail "run3: the stop during start-up was not taken in order"
# ---- On an X display: a double-click on the zone's logo opens the about box, and SIGTERM ends the
# jukebox in order while the box is open.
if command -v Xvfb > /dev/null && command -v xdotool > /dev/null; then
  exec {display_fd}<> <(:)
  # -noreset: the server must not start over (refusing connections) whenever xdotool's last call leaves.
  Xvfb -displayfd "$display_fd" -screen 0 1280x1024x24 -nolisten tcp -noreset > "$work/xvfb.out" 2>&1 &
  xvfb=$!
  trap 'kill "$xvfb" 2>/dev/null || true; cleanup' EXIT
  # The server writes its number once it takes connections, which on a loaded machine can take many
  # seconds: wait as long as it lives, within a minute.
  display=
  for _ in $(seq 60); do
    read -r -t 1 display <&"$display_fd" && break
    kill -0 "$xvfb" 2>/dev/null || break
  done
  [ -n "$display" ] || { cat "$work/xvfb.out" >&2; fail "Xvfb gave no display"; }
  export DISPLAY=":$display"
  # xdotool ends on an X error when a window goes away while it walks the tree, so windows are looked
  # for by polling, each look bounded, until a deadline.
  find_window() {  # title pattern, seconds; prints the first visible window with that title
    local deadline=$((SECONDS + $2)) found
    while [ "$SECONDS" -lt "$deadline" ]; do
      found=$(timeout 5 xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) || true
      [ -n "$found" ] && { echo "$found"; return 0; }
      sleep 0.1
    done
    return 1
  }
  start run4 QH_SOUND=none QH_DISPLAY=sdl SDL_VIDEODRIVER=x11
  main=$(find_window '^Quaverhouse Jukebox$' 60) || fail "run4: no main window on the display"
  # The logo: the top panel of the zone window (at 6,24 in the main window), at its middle. The zone
  # is shown by a start-up timer, later on a loaded machine, so the double-click is repeated until the
  # box is up; a double-click that reaches the open box's owner is refused by the modal box.
  about=
  for _ in $(seq 20); do
    timeout 5 xdotool mousemove --window "$main" 494 42 click --repeat 2 --delay 60 1 2>/dev/null || true
    about=$(find_window '^About Quaverhouse$' 3) && break
  done
  [ -n "$about" ] || fail "run4: a double-click on the logo opened no about box"
  stop_with run4 TERM
  log_text | grep -q 'is not available in this build' && fail "run4: the about box is not part of the program"
fi
echo "first run: refused without a library, played on the default output and on the null device, stopped by SIGTERM and SIGINT"
