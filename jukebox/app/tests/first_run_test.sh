#!/usr/bin/env bash
# The jukebox as a new venue meets it, step by step as the README's first-run section tells it, through
# the build's own programs on a private X display (Xvfb, driven by keys and clicks with xdotool):
#   - an empty settings store: the jukebox refuses with the database message and ends with 1;
#   - the log writer registered with qhregsvr; the library made with Ledgerkeep's "Erase Database" (its
#     Save As chooser, Yes), then "Exit";
#   - the jukebox on that library: two songs made with sox and lame brought in with the key I (Import,
#     the folder typed into the chooser, every file chosen, Open); on the Streams page of its options
#     zone 1 described on "Default DirectSound Device", on the Logs page the error log turned on; quit
#     with the key Q and Yes;
#   - started again: a song played over the control port in that zone on the default output (SDL's
#     dummy driver) and, without sound, on the null device with one log line; a double-click on
#     the zone's logo opens the about box; SIGTERM and SIGINT after a song has played and during
#     start-up end the program in order within 10 s.
# It runs in a copy of the build's start directory, which carries the jukebox's own device definition.
#   first_run_test.sh <bin folder>
set -euo pipefail
bin=$(cd "$1" && pwd)
for tool in Xvfb xdotool ffmpeg sox lame curl python3; do
  command -v "$tool" > /dev/null || { echo "FAIL: $tool is missing (scripts/packages.txt)" >&2; exit 1; }
done
work=$(mktemp -d)
pid=
xvfb=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -9 "$pid" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; for f in "$work"/*.out; do [ -f "$f" ] && { echo "== $f" >&2; tail -30 "$f" >&2; }; done; exit 1; }

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
(cd "$work/startdir" && QH_SOUND=none exec "$bin/Tonebarn") > "$work/run0.out" 2>&1
code=$?
set -e
[ "$code" = 1 ] || fail "an empty settings store ended with $code, not 1"
grep -q "The Quaverhouse database folder was not found" "$work/run0.out" || fail "no database message"

# ---- The display, and the keys and clicks of a person in front of it.
exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1280x1024x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb=$!
display=
for _ in $(seq 100); do
  read -r -t 0.1 display <&"$display_fd" && break
done
[ -n "$display" ] || fail "Xvfb gave no display"
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
window_gone() {  # title pattern, seconds
  local deadline=$((SECONDS + $2))
  while [ "$SECONDS" -lt "$deadline" ]; do
    [ -z "$(timeout 5 xdotool search --onlyvisible --name "$1" 2>/dev/null)" ] && return 0
    sleep 0.1
  done
  return 1
}
# Keys go where the display's keyboard is. Without a window manager only the program hands it to its
# windows, and a window that just opened while another closed may not have it: a press on the title
# bar of the window the keys are meant for makes it the active one first, as a person would.
press() { timeout 10 xdotool key --delay 60 "$@" || fail "the keys $* could not be sent"; }
press_in() {  # window, keys...
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(timeout 5 xdotool getwindowgeometry --shell "$1" 2>/dev/null)" || true
  [ -n "${WIDTH:-}" ] && timeout 10 xdotool mousemove --window "$1" $((WIDTH / 2)) 6 click 1 2>/dev/null || true
  shift
  press "$@"
}
type_text() { timeout 20 xdotool type --delay 40 "$1" || fail "\"$1\" could not be typed"; }
# A press on a dialog's control by its template's place and size (dialog units): the platform's dialog
# units are fixed (x 6/4, y 13/8 pixels) and a dialog's client area starts 3 pixels in and 22 down.
click_control() {  # window, x, y, width, height
  timeout 10 xdotool mousemove --window "$1" $(( ($2 + $4 / 2) * 6 / 4 + 3 )) $(( ($3 + $5 / 2) * 13 / 8 + 22 )) click 1 \
    || fail "no click on window $1"
}
# A press on a tab of the options sheet. Tabs are as wide as their labels in the font the machine
# has, so their edges are read off the screen: one pixel row through the tab strip, where only the
# tabs' frame lines are dark.
click_tab() {  # sheet window, tab index
  local deadline=$((SECONDS + 20)) X Y WIDTH HEIGHT SCREEN WINDOW centre=
  while [ "$SECONDS" -lt "$deadline" ]; do
    eval "$(timeout 5 xdotool getwindowgeometry --shell "$1")"
    centre=$(timeout 10 ffmpeg -loglevel error -f x11grab -video_size "${WIDTH}x1" -i "$DISPLAY+$X,$((Y + 33))" \
               -frames:v 1 -f rawvideo -pix_fmt gray - | python3 -c '
import sys
row = sys.stdin.buffer.read()
dark = [x for x in range(1, len(row) - 1) if row[x] < 160]
edges = []
for x in dark:
    if edges and x == edges[-1][1] + 1: edges[-1][1] = x
    else: edges.append([x, x])
tab = int(sys.argv[1])
if len(edges) >= 7 and tab + 1 < len(edges): print((edges[tab][1] + edges[tab + 1][0]) // 2)
' "$2") || true
    [ -n "$centre" ] && break
    sleep 0.2
  done
  [ -n "$centre" ] || fail "the tabs of the options sheet were not found on the screen"
  timeout 10 xdotool mousemove --window "$1" "$centre" 40 click 1 || fail "no click on tab $2"
}
setting() {  # value name: its line in the settings store
  grep -a "^\"$1\"=" "$QH_REGISTRY" || true
}

# ---- Step 1: the log writer is registered in the settings.
"$bin/qhregsvr" /s "$bin/Quillmark.so" || fail "qhregsvr could not register the log writer"

# ---- Step 2: the library, made by Ledgerkeep: "Erase Database", the file name in the Save As
# chooser, Yes; then "Exit".
mkdir -p "$work/D/Quaverhouse"
(cd "$work" && QH_DISPLAY=sdl SDL_VIDEODRIVER=x11 exec "$bin/Ledgerkeep") > "$work/ledgerkeep.out" 2>&1 &
pid=$!
admin=$(find_window '^Quaverhouse Administrator$' 60) || fail "Ledgerkeep showed no window"
# Without a library the check, backup and repair buttons are off: the first key Tab reaches "Erase".
press_in "$admin" Tab space
chooser=$(find_window '^Save As$' 30) || fail "Erase Database opened no Save As chooser"
press_in "$chooser" Tab Tab  # past "Look in" and the list, to the file name
type_text 'D:\Quaverhouse\Quaverhouse.qhd'
press_in "$chooser" Return
box=$(find_window '^Quaverhouse$' 30) || fail "Ledgerkeep asked nothing before making the database"
press_in "$box" shift+Tab Return  # Yes (No is the default)
for _ in $(seq 300); do
  [ -f "$work/D/Quaverhouse/Quaverhouse.qhd" ] && [ -d "$work/D/Quaverhouse/Songs" ] && break
  sleep 0.1
done
[ -f "$work/D/Quaverhouse/Quaverhouse.qhd" ] || fail "Ledgerkeep made no database"
[ "$(setting SongDbPath)" = '"SongDbPath"="D:\\Quaverhouse"' ] || fail "SongDbPath is $(setting SongDbPath)"
window_gone '^Quaverhouse$' 30 || fail "the question stayed open"
click_control "$admin" 272 186 50 14  # Exit
for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "Ledgerkeep still ran after Exit"
code=0
wait "$pid" || code=$?
pid=
[ "$code" = 0 ] || fail "Ledgerkeep ended with $code"

# The jukebox's control port, set before its first start: the default 12130 may be another test's.
printf '\n[HKEY_CURRENT_USER\\Software\\Tallowmere\\Quaverhouse\\Remote]\n"SocketNumber"=dword:%08x\n' "$port" >> "$QH_REGISTRY"

request() {  # action, zone (0 for the first), extra argument XML; prints the answer
  curl -s -m 10 -H 'Content-Type: text/xml' --data-binary \
    "<actionList><action><actionName>$1</actionName><transID>1</transID><actionID>1</actionID><subDevice>$2</subDevice>$3</action></actionList>" \
    "http://127.0.0.1:$port/control" || true
}
start() {  # name, environment assignments...; the jukebox as the README starts it
  local name=$1; shift
  (cd "$work/startdir" && exec env "$@" "$bin/Tonebarn") > "$work/$name.out" 2>&1 &
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
stop_with() {  # name, signal
  kill -"$2" "$pid"
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "$1: still running 10 s after SIG$2"
  local code=0
  wait "$pid" || code=$?
  pid=
  [ "$code" = 0 ] || fail "$1: SIG$2 ended the jukebox with $code"
}
# The log folder given on the Logs page.
log_text() { cat "$work/D/Logs/"* 2>/dev/null || true; }

# ---- Step 3: the jukebox on the new library, with the zone a fresh store gives.
for i in 1 2; do
  sox -q -n -r 44100 -c 2 "$work/s$i.wav" synth 20 pluck $((330 + 110 * i)) vol 0.5
  lame --quiet -b 128 --tt "First Run $i" --ta "The Testers" --tl "Opening" --tg Rock "$work/s$i.wav" "$work/D/Music/s$i.mp3"
done
start setup QH_DISPLAY=sdl SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
main=$(find_window '^Quaverhouse Jukebox$' 60) || fail "setup: no main window on the display"
# ---- Step 4: the key I, Import; the folder typed as the file name opens it; every file, Open.
press_in "$main" i
box=$(find_window '^Import or Index existing sound files$' 30) || fail "setup: the key I asked nothing"
press_in "$box" Return  # Import
chooser=$(find_window '^Import Song$' 30) || fail "setup: Import opened no chooser"
press_in "$chooser" Tab Tab
type_text 'D:\Music'
press_in "$chooser" Return
press_in "$chooser" shift+Tab Home shift+End Return
box=$(find_window '^Quaverhouse$' 60) || fail "setup: the import ended without its report"
press_in "$box" Return
window_gone '^Quaverhouse$' 30 || fail "setup: the import report stayed open"
[ "$(ls "$work/D/Quaverhouse/Songs/" | grep -c '^Song.*\.mp3$')" = 2 ] || fail "setup: the songs were not imported: $(ls "$work/D/Quaverhouse/Songs/")"
# ---- Step 5: the key O; on Streams row 1 through "<< Edit"; on Logs the error log; OK.
mkdir -p "$work/D/Logs"
press_in "$main" o
sheet=$(find_window '^Quaverhouse Options$' 30) || fail "setup: the key O opened no options"
click_tab "$sheet" 1
press_in "$sheet" Home Tab Return  # row 1, "<< Edit"
box=$(find_window '^Edit Stream 1$' 30) || fail "setup: no Edit Stream 1"
press_in "$box" shift+Tab shift+Tab  # from the device list (its first entry is the default output) to the description
type_text 'Front Bar'
press_in "$box" Return
window_gone '^Edit Stream 1$' 30 || fail "setup: Edit Stream 1 stayed open"
click_tab "$sheet" 4
press_in "$sheet" space Tab Tab  # "Enable Error Log", then the log folder
type_text 'D:\Logs'
press_in "$sheet" Return
window_gone '^Quaverhouse Options$' 30 || fail "setup: the options stayed open"
# "... the settings take effect at the next start."
box=$(find_window '^Quaverhouse$' 30) || fail "setup: no word that the settings take effect at the next start"
press_in "$box" Return
window_gone '^Quaverhouse$' 30 || fail "setup: the restart note stayed open"
for expected in '"Zone1"="Default DirectSound Device"' '"ZoneDesc1"="Front Bar"' '"Zone2"=""' \
                '"ErrorLog"=dword:00000001' '"ErrorLogPath"="D:\\Logs"'; do
  grep -qxF "$expected" "$QH_REGISTRY" || fail "setup: the settings lack $expected"
done
# The key that opened the options typed nothing into them.
grep -q '^"CddbServer"=' "$QH_REGISTRY" && ! grep -q '^"CddbServer"="gnudb.gnudb.org"$' "$QH_REGISTRY" \
  && fail "setup: the CDDB server became $(setting CddbServer)"
press_in "$main" q
box=$(find_window '^Quaverhouse$' 30) || fail "setup: the key Q asked nothing"
press_in "$box" shift+Tab Return  # Yes (No is the default)
for _ in $(seq 150); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "setup: still running 15 s after quitting"
code=0
wait "$pid" || code=$?
pid=
[ "$code" = 0 ] || fail "setup: quitting ended the jukebox with $code"

# ---- Step 6: started again with its zone; the default output is SDL's default device (the dummy
# driver here); SIGTERM ends the jukebox in order after a song has played.
start run1 SDL_AUDIODRIVER=dummy
list=$(request QryStreamList 0 '<argument><name>StreamList</name><direction>out</direction></argument>')
grep -q 'Front Bar' <<<"$list" || fail "run1: the zones are $list"
play_song run1 0 1
stop_with run1 TERM
log_text | grep -q 'Quaverhouse Jukebox is shutting down' || fail "run1: no orderly shut-down in the log"
log_text | grep -q 'No sound device was found' && fail "run1: the dummy driver's device counted as none"
log_text | grep -q 'No sound device of stream' && fail "run1: a zone found no device"
log_text | grep -q 'ParseXMLDeviceDef' && fail "run1: the start directory lacks the jukebox's device definition"
# Many connections were accepted; the listener's start is said once.
[ "$(log_text | grep -c 'Server thread listening for incoming connections')" = 1 ] \
  || fail "run1: the listening line is not in the log once"

# ---- Without a sound device zone 1 plays on the null device, said once in the log; SIGINT ends it.
start run2 QH_SOUND=none
play_song run2 0 1
stop_with run2 INT
[ "$(log_text | grep -c 'No sound device was found: the zones on "Default DirectSound Device" play on "Null Audio Device".')" = 1 ] \
  || fail "run2: the null-device line is not in the log once"
log_text | grep -q 'No sound device of stream' && fail "run2: a zone found no device"
# ---- A stop while the jukebox is still starting waits for start-up and then stops it in order.
(cd "$work/startdir" && exec env QH_SOUND=none "$bin/Tonebarn") > "$work/run3.out" 2>&1 &
pid=$!
# Once start-up has written its first line (the signals are the program's own from then on).
for _ in $(seq 300); do
  [ "$(log_text | grep -c 'Jukebox Version .* is starting')" = 3 ] && break
  sleep 0.02
done
stop_with run3 TERM
[ "$(log_text | grep -c 'Stopping on signal')" = 3 ] || fail "run3: the stop during start-up was not taken in order"
# ---- On the display: a double-click on the zone's logo opens the about box, and SIGTERM ends the
# jukebox in order while the box is open.
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
echo "first run: refused without a library; library by Ledgerkeep, songs imported, the zone and log set in the options; played on the default output and on the null device; stopped by Q, SIGTERM and SIGINT"
