#!/usr/bin/env bash
# The jukebox as a new venue meets it, step by step as the README's first-run section tells it, through
# the build's own programs on a private X display without a window manager (Xvfb, driven by keys and
# clicks with xdotool):
#   - an empty settings store: the jukebox refuses with the database message and ends with 1;
#   - the log writer registered with qhregsvr; the library made with Ledgerkeep's "Erase Database" (its
#     Save As chooser, Yes), then "Exit";
#   - the jukebox on that library: two songs made with sox and lame brought in with the key I (Import,
#     the folder typed into the chooser, every file chosen, Open); on the Streams page of its options
#     zone 1 described on "Default DirectSound Device", on the Logs page the error log turned on; quit
#     with the key Q and Yes;
#   - started again: the zone as described, a song played over the control port in zone 1 on the default
#     output (SDL's dummy driver), SIGTERM ends it in order, the log in the folder given on the Logs page.
# It runs in a copy of the build's start directory, which carries the jukebox's own device definition.
#   readme_first_run_test.sh <bin folder>
set -euo pipefail
bin=$(cd "$1" && pwd)
command -v ffmpeg > /dev/null || { echo "FAIL: ffmpeg is missing (scripts/packages.txt)" >&2; exit 1; }
source "$(dirname "${BASH_SOURCE[0]}")/first_run_support.sh"
# The log folder given on the Logs page.
log_dir=$work/D/Logs

refused_without_library
start_display

# Keys go where the program's keyboard focus is; a press on the title bar of the window the keys are
# meant for makes it the active one first, as a person would. The program then gives the display's
# keyboard to that window itself (there is no window manager).
press() { timeout 10 xdotool key --delay 60 "$@" || fail "the keys $* could not be sent"; }
# A click at a place in the window of a title (an expression of its WIDTH for x), the window looked up
# again on every try: a program may have replaced the window of a title meanwhile.
click_at() {  # title pattern, x, y
  local X= Y= WIDTH= HEIGHT= SCREEN= WINDOW= deadline=$((SECONDS + 30)) window
  while [ "$SECONDS" -lt "$deadline" ]; do
    WIDTH=
    if window=$(find_window "$1" 10); then
      eval "$(timeout 10 xdotool getwindowgeometry --shell "$window" 2>/dev/null)" || true
      [ -n "$WIDTH" ] && timeout 10 xdotool mousemove --window "$window" $(($2)) "$3" click 1 2>/dev/null && return 0
    fi
    sleep 0.2
  done
  fail "no click at $2,$3 in \"$1\""
}
grab_window() {  # title pattern, picture file
  local X= Y= WIDTH= HEIGHT= SCREEN= WINDOW= deadline=$((SECONDS + 30)) window
  while [ "$SECONDS" -lt "$deadline" ]; do
    WIDTH=
    if window=$(find_window "$1" 10); then
      eval "$(timeout 10 xdotool getwindowgeometry --shell "$window" 2>/dev/null)" || true
      [ -n "$WIDTH" ] && timeout 10 ffmpeg -loglevel error -y -f x11grab -video_size "${WIDTH}x${HEIGHT}" \
        -i "$DISPLAY+$X,$Y" -frames:v 1 "$2" && return 0
    fi
    sleep 0.2
  done
  fail "no picture of \"$1\""
}
press_in() {  # title pattern, keys...
  local title=$1
  shift
  click_at "$title" 'WIDTH / 2' 6
  press "$@"
}
type_text() { timeout 20 xdotool type --delay 40 "$1" || fail "\"$1\" could not be typed"; }
# A press on a dialog's control by its template's place and size (dialog units): the platform's dialog
# units are fixed (x 6/4, y 13/8 pixels) and a dialog's client area starts 3 pixels in and 22 down.
click_control() {  # title pattern, x, y, width, height
  click_at "$1" $(( ($2 + $4 / 2) * 6 / 4 + 3 )) $(( ($3 + $5 / 2) * 13 / 8 + 22 ))
}
# A press on a tab of the options sheet. Tabs are as wide as their labels in the font the machine
# has, so their edges are read off the screen: one pixel row through the tab strip, where only the
# tabs' frame lines are dark.
click_tab() {  # title pattern of the sheet, tab index
  local deadline=$((SECONDS + 20)) X= Y= WIDTH= HEIGHT= SCREEN= WINDOW= centre= sheet
  while [ "$SECONDS" -lt "$deadline" ]; do
    sheet=$(find_window "$1" 10) || continue
    WIDTH=
    eval "$(timeout 5 xdotool getwindowgeometry --shell "$sheet" 2>/dev/null)" || true
    [ -n "$WIDTH" ] || { sleep 0.2; continue; }
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
  click_at "$1" "$centre" 40
}
answer_yes() {  # name of the step; the question box "Quaverhouse" is answered Yes (No is the default)
  find_window '^Quaverhouse$' 30 > /dev/null || fail "$1: no question"
  press_in '^Quaverhouse$' shift+Tab Return
  window_gone '^Quaverhouse$' 30 || fail "$1: the question stayed open"
}
close_note() {  # name of the step; the note box "Quaverhouse" is closed with Enter
  find_window '^Quaverhouse$' 60 > /dev/null || fail "$1: no note"
  press_in '^Quaverhouse$' Return
  window_gone '^Quaverhouse$' 30 || fail "$1: the note stayed open"
}

# ---- Step 1: the log writer is registered in the settings.
"$bin/qhregsvr" /s "$bin/Quillmark.so" || fail "qhregsvr could not register the log writer"

# ---- Step 2: the library, made by Ledgerkeep: "Erase Database", the file name in the Save As
# chooser, Yes; then "Exit".
mkdir -p "$work/D/Quaverhouse"
(cd "$work" && QH_DISPLAY=sdl SDL_VIDEODRIVER=x11 exec "$bin/Ledgerkeep") > "$work/ledgerkeep.out" 2>&1 &
pid=$!
find_window '^Quaverhouse Administrator$' 60 > /dev/null || fail "Ledgerkeep showed no window"
# Without a library the check, backup and repair buttons are off: the keyboard starts on "Erase".
press_in '^Quaverhouse Administrator$' space
find_window '^Save As$' 30 > /dev/null || fail "Erase Database opened no Save As chooser"
press_in '^Save As$' Tab Tab  # past "Look in" and the list, to the file name
type_text 'D:\Quaverhouse\Quaverhouse.qhd'
press_in '^Save As$' Return
answer_yes "Erase Database"
for _ in $(seq 300); do
  [ -f "$work/D/Quaverhouse/Quaverhouse.qhd" ] && [ -d "$work/D/Quaverhouse/Songs" ] && break
  sleep 0.1
done
[ -f "$work/D/Quaverhouse/Quaverhouse.qhd" ] || fail "Ledgerkeep made no database"
[ "$(setting SongDbPath)" = '"SongDbPath"="D:\\Quaverhouse"' ] || fail "SongDbPath is $(setting SongDbPath)"
click_control '^Quaverhouse Administrator$' 272 186 50 14  # Exit
wait_end Ledgerkeep Exit 30

# The jukebox's control port, set before its first start: the default 12130 may be another test's.
printf '\n[HKEY_CURRENT_USER\\Software\\Tallowmere\\Quaverhouse\\Remote]\n"SocketNumber"=dword:%08x\n' "$port" >> "$QH_REGISTRY"

# ---- Step 3: the jukebox on the new library, with the zone a fresh store gives.
make_songs 2
start setup QH_DISPLAY=sdl SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
find_window '^Quaverhouse Jukebox$' 60 > /dev/null || fail "setup: no main window on the display"
# ---- Step 4: the key I, Import; the folder typed as the file name opens it; every file, Open.
press_in '^Quaverhouse Jukebox$' i
find_window '^Import or Index existing sound files$' 30 > /dev/null || fail "setup: the key I asked nothing"
press_in '^Import or Index existing sound files$' Return  # Import
find_window '^Import Song$' 30 > /dev/null || fail "setup: Import opened no chooser"
press_in '^Import Song$' Tab Tab
type_text 'D:\Music'
press_in '^Import Song$' Return
press_in '^Import Song$' shift+Tab Home shift+End Return
close_note "setup: the import report"
[ "$(ls "$work/D/Quaverhouse/Songs/" | grep -c '^Song.*\.mp3$')" = 2 ] || fail "setup: the songs were not imported: $(ls "$work/D/Quaverhouse/Songs/")"
# ---- Step 5: the key O; on Streams row 1 through "<< Edit"; on Logs the error log; OK.
mkdir -p "$work/D/Logs"
press_in '^Quaverhouse Jukebox$' o
find_window '^Quaverhouse Options$' 30 > /dev/null || fail "setup: the key O opened no options"
# The General page as the sheet opens on it (kept with KEEP=1 beside the other output).
grab_window '^Quaverhouse Options$' "$work/options-general.png"
click_tab '^Quaverhouse Options$' 1
press_in '^Quaverhouse Options$' Home Tab Return  # row 1, "<< Edit"
find_window '^Edit Stream 1$' 30 > /dev/null || fail "setup: no Edit Stream 1"
press_in '^Edit Stream 1$' shift+Tab shift+Tab  # from the device list (its first entry is the default output) to the description
type_text 'Front Bar'
press_in '^Edit Stream 1$' Return
window_gone '^Edit Stream 1$' 30 || fail "setup: Edit Stream 1 stayed open"
click_tab '^Quaverhouse Options$' 4
press_in '^Quaverhouse Options$' space Tab Tab  # "Enable Error Log", then the log folder
type_text 'D:\Logs'
press_in '^Quaverhouse Options$' Return
window_gone '^Quaverhouse Options$' 30 || fail "setup: the options stayed open"
close_note "setup: the word that the settings take effect at the next start"
for expected in '"Zone1"="Default DirectSound Device"' '"ZoneDesc1"="Front Bar"' '"Zone2"=""' \
                '"ErrorLog"=dword:00000001' '"ErrorLogPath"="D:\\Logs"' '"CompressOnExit"=dword:00000001'; do
  grep -qxF "$expected" "$QH_REGISTRY" || fail "setup: the settings lack $expected"
done
# The key that opened the options typed nothing into them.
[ "$(setting CddbServer)" = '"CddbServer"="gnudb.gnudb.org"' ] || fail "setup: the CDDB server became $(setting CddbServer)"
press_in '^Quaverhouse Jukebox$' q
answer_yes "setup: the key Q"
wait_end setup "quitting" 30

# ---- Step 6: started again with its zone; the default output is SDL's default device (the dummy
# driver here); a song played in zone 1; SIGTERM ends the jukebox in order.
start run1 SDL_AUDIODRIVER=dummy
list=$(request QryStreamList 0 '<argument><name>StreamList</name><direction>out</direction></argument>')
grep -q 'Front Bar' <<<"$list" || fail "run1: the zones are $list"
play_song run1 0 1
stop_with run1 TERM
log_text | grep -q 'Quaverhouse Jukebox is shutting down' || fail "run1: no orderly shut-down in the log"
log_text | grep -q 'No sound device was found' && fail "run1: the dummy driver's device counted as none"
log_text | grep -q 'No sound device of stream' && fail "run1: a zone found no device"
log_text | grep -q 'ParseXMLDeviceDef' && fail "run1: the start directory lacks the jukebox's device definition"
echo "README first run: refused without a library; library by Ledgerkeep, songs imported, the zone and log set in the options; played in zone 1 after a restart; stopped by Q and SIGTERM"
