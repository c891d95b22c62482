#!/usr/bin/env bash
# scripts/demo.sh run again keeps its library (a playlist saved meanwhile is still there), takes another
# port and folder by option, maps a folder of music as drive M:, writes a log setting the Logs page
# accepts, and starts afresh only when asked.
#   demo_rerun_test.sh <source folder> <build folder>
set -euo pipefail
top=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; tail -20 "$work/run.out" >&2 || true; exit 1; }
# A free port the options sheet accepts (1 to 32767).
free_port() {
  python3 -c '
import random, socket
while True:
    port = random.randint(20000, 32767)
    s = socket.socket()
    try:
        s.bind(("127.0.0.1", port))
    except OSError:
        continue
    print(port)
    break'
}
demo_run() {  # arguments of demo.sh
  QH_SKIP_SETUP=1 QH_SKIP_BUILD=1 QH_BUILD_DIR="$build" bash "$top/scripts/demo.sh" --dir "$work/demo" \
    --stop-after-startup "$@" > "$work/run.out" 2>&1 || fail "demo.sh $* ended with $?"
  grep -q "Tonebarn: started; stopping as asked" "$work/run.out" || fail "demo.sh $*: the jukebox did not start"
}
# The jukebox of the last run listened on the control port it was given.
listened() {
  grep -qs "Server thread listening for incoming connections on port $1\b" "$work"/demo/startdir/Logs/*.log ||
    fail "the jukebox did not listen on port $1"
}
database="$work/demo/D/Quaverhouse/Quaverhouse.qhd"
playlists() { sqlite3 "$database" "select count(*) from PlaylistDetail where PlaylistName = 'Kept';"; }
setting() { grep "^\"$1\"=" "$work/demo/registry.txt" | cut -d= -f2-; }

port=$(free_port)
demo_run --port "$port"
[ "$(setting SocketNumber)" = "dword:$(printf '%08x' "$port")" ] || fail "the port $port is not the setting"
listened "$port"
# The log is on with a folder that exists and is long enough for the Logs page.
[ "$(setting ErrorLog)" = "dword:00000001" ] || fail "the demo's log is off"
log_path=$(setting ErrorLogPath | tr -d '"' | sed 's/\\\\/\//g')
[ "${#log_path}" -ge 3 ] || fail "the log path '$log_path' is refused by the Logs page"
[ -d "$log_path" ] || fail "the log path $log_path names no folder"
ls "$log_path"/*.log > /dev/null 2>&1 || fail "no log was written into $log_path"
# What a guest saves while the demo runs.
sqlite3 "$database" "insert into PlaylistDetail (PlaylistName, PlaylistSequenceNum, SongID) values ('Kept', 1, 1);"

mkdir -p "$work/My Music"
port=$(free_port)
QH_DEMO_MUSIC="$work/My Music" demo_run --port "$port"
grep -q "Keeping the demo library" "$work/run.out" || fail "the second run did not keep the library"
[ "$(playlists)" = 1 ] || fail "the saved playlist was lost"
[ "$(setting SocketNumber)" = "dword:$(printf '%08x' "$port")" ] || fail "the second port is not the setting"
listened "$port"
grep -qP "^M\t$work/My Music\t" "$work/demo/drives.txt" || fail "the music folder is not drive M:"

demo_run --fresh --port "$port"
listened "$port"
[ "$(playlists)" = 0 ] || fail "--fresh kept the old library"
grep -q '^M' "$work/demo/drives.txt" && fail "drive M: stayed without QH_DEMO_MUSIC"
echo "demo re-run: library kept, port and folder taken, music mapped, fresh start on request"
