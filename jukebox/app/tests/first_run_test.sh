#!/usr/bin/env bash
# The jukebox as a new venue meets it, through the build's own programs: an empty settings store (the
# jukebox refuses with the database message), a library made with the schema creator from songs made
# with sox and lame, the zone a fresh store gives ("Default DirectSound Device"), a song played over the
# control port on the default output (SDL's dummy driver) and, without sound, on the null device with
# one log line; SIGTERM and SIGINT after a song has played end the program in order within 10 s (the
# sanitizers' leak scan at exit has a bound of its own). It runs in a copy of the build's start
# directory, which carries the jukebox's own device definition.
# On a private X display (Xvfb) a double-click on the zone's logo opens the about box of the real program.
#   first_run_test.sh <bin folder>
set -euo pipefail
bin=$(cd "$1" && pwd)
source "$(dirname "${BASH_SOURCE[0]}")/first_run_support.sh"
jukebox_args=(1)

# ---- An empty settings store: the jukebox says where the library is to come from and ends with 1.
refused_without_library

# ---- The library: two songs made with sox and lame, imported by the schema creator's builder.
make_songs 2
(cd "$work/startdir" && "$bin/qh_make_demo_library" 'D:\Quaverhouse' 'D:\Music') > "$work/library.out" 2>&1 || fail "library: $(cat "$work/library.out")"
"$bin/qhregsvr" /s "$bin/Quillmark.so"
# The zones of a fresh store: none configured, so one zone on "Default DirectSound Device".
sed -i -e '/^"Zone1"=/d' -e '/^"ZoneDesc1"=/d' \
       -e "s/^\"SocketNumber\"=dword:.*/\"SocketNumber\"=dword:$(printf '%08x' "$port")/" "$QH_REGISTRY"
grep -q '^"Zone1"' "$QH_REGISTRY" && fail "zone 1 is still configured"

# ---- The default output is SDL's default device (the dummy driver here); SIGTERM ends the jukebox.
start run1 SDL_AUDIODRIVER=dummy
play_song run1 0 1
stop_with run1 TERM
log_text | grep -q 'Quaverhouse Jukebox is shutting down' || fail "run1: no orderly shut-down in the log"
log_text | grep -q 'No sound device was found' && fail "run1: the dummy driver's device counted as none"
log_text | grep -q 'ParseXMLDeviceDef' && fail "run1: the start directory lacks the jukebox's device definition"
# Many connections were accepted; the listener's start is said once.
[ "$(log_text | grep -c 'Server thread listening for incoming connections')" = 1 ] \
  || fail "run1: the listening line is not in the log once"

# ---- Without a sound device the zone plays on the null device, said once in the log; SIGINT ends it.
start run2 QH_SOUND=none
play_song run2 0 1
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
start_display
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
echo "first run: refused without a library, played on the default output and on the null device, stopped by SIGTERM and SIGINT"
