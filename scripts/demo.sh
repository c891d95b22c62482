#!/usr/bin/env bash
# Builds everything and runs the jukebox on a demo library made in the build folder: its own drive table,
# registry store and lock folder (never the user's settings or files), a dozen short songs made with sox
# and lame with their covers, two zones on the null sound device, headless unless QH_DISPLAY=sdl. A
# library made by an earlier run is kept, with the songs imported and the playlists saved since.
#
#   bash scripts/demo.sh                  build, make the library (once), run the jukebox until it is quit
#   bash scripts/demo.sh --stop-after-startup   the same, but the jukebox stops once it has started
#                                         (snapshots written); the test suite runs this
#   --fresh                               start afresh: the demo folder of an earlier run is deleted first
#   --port <number>                       the control port (12130 unless given)
#   --dir <folder>                        the demo folder (<build folder>/demo unless given)
#   QH_DEMO_MUSIC=<folder>                a folder of your music, drive M: of the demo (import from M:\)
#   QH_DEMO_DEVICE=<sound device>         the zones' device when the library is made (the null device)
#   QH_SKIP_SETUP=1 QH_BUILD_DIR=<dir>    skip the package installation, use another build folder
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
stop_after_startup=0
fresh=0
port=12130
demo=
while [ $# -gt 0 ]; do
  case "$1" in
    --stop-after-startup) stop_after_startup=1 ;;
    --fresh) fresh=1 ;;
    --port)
      [ $# -ge 2 ] || { echo "demo.sh: --port needs a number" >&2; exit 2; }
      port=$2; shift ;;
    --dir)
      [ $# -ge 2 ] || { echo "demo.sh: --dir needs a folder" >&2; exit 2; }
      demo=$2; shift ;;
    *) echo "demo.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done
case "$port" in
  ''|*[!0-9]*) echo "demo.sh: the port must be a number from 1 to 32767, not '$port'" >&2; exit 2 ;;
esac
if [ "$port" -lt 1 ] || [ "$port" -gt 32767 ]; then
  echo "demo.sh: the port must be a number from 1 to 32767, not $port" >&2
  exit 2
fi
music="${QH_DEMO_MUSIC:-}"
if [ -n "$music" ] && [ ! -d "$music" ]; then
  echo "demo.sh: QH_DEMO_MUSIC names no folder: $music" >&2
  exit 2
fi

if [ "${QH_SKIP_SETUP:-0}" != 1 ]; then
  bash "$top/scripts/setup.sh"
fi
build="${QH_BUILD_DIR:-$top/build}"
if [ "${QH_SKIP_BUILD:-0}" != 1 ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQH_BUILD_TESTS=OFF
  cmake --build "$build" -j "$(nproc)"
fi
bin="$(cd "$build" && pwd)/bin"
for program in Tonebarn qh_make_demo_library qhregsvr Quillmark.so; do
  if [ ! -e "$bin/$program" ]; then
    echo "demo.sh: $bin/$program was not built; the jukebox cannot run yet." >&2
    exit 1
  fi
done

# Everything of the demo lives below the build folder (or the folder of --dir).
demo="${demo:-$build/demo}"
mkdir -p "$(dirname "$demo")"
demo="$(cd "$(dirname "$demo")" && pwd)/$(basename "$demo")"
if [ "$fresh" = 1 ]; then
  rm -rf "$demo"
fi
keep=0
if [ -f "$demo/D/Quaverhouse/Quaverhouse.qhd" ] && [ -f "$demo/registry.txt" ]; then
  keep=1
fi
mkdir -p "$demo/D/Incoming" "$demo/startdir/Logs" "$demo/locks" "$demo/snapshots" "$demo/work"
# The jukebox's own device definition: the commands its options sheet offers for start-up.
cp -r "$top/resources/jukebox/sysdevices" "$demo/startdir/"
export QH_REGISTRY="$demo/registry.txt"
export QH_DRIVES="$demo/drives.txt"
export QH_LOCK_DIR="$demo/locks"
printf 'D\t%s\tDE30D15C\tDEMO\tfixed\n' "$demo/D" > "$QH_DRIVES"
# Your music as drive M:, removable, so the Storage page never offers it for the jukebox's own song
# files; the import and index choosers read from it.
if [ -n "$music" ]; then
  printf 'M\t%s\t4D555349\tMUSIC\tremovable\n' "$(cd "$music" && pwd)" >> "$QH_DRIVES"
fi

echo "== Registering the log writer Quillmark in the demo's registry store"
"$bin/qhregsvr" /s "$bin/Quillmark.so"

if [ "$keep" = 1 ]; then
  echo "== Keeping the demo library of an earlier run in $demo (--fresh starts afresh)"
else
  echo "== Making a dozen demo songs with sox and lame"
  titles=("Morning Tide" "Copper Lanterns" "Slow Harbour" "Northern Stair" "Paper Boats" "Velvet Engine"
          "Glass Orchard" "Tin Roof Waltz" "Lowland Signal" "Amber Window" "Night Ferry" "Last Orders")
  artists=("The Quavers" "Mabel Rook" "The Quavers" "Hollow Pines" "Mabel Rook" "Hollow Pines")
  albums=("House Lights" "Side Door" "House Lights" "Cellar Tapes" "Side Door" "Cellar Tapes")
  genres=("Jazz" "Folk" "Jazz" "Rock" "Folk" "Rock")
  colours=("0x3050a0" "0xa05030" "0x30a060" "0x806020" "0x603090" "0x209090")
  notes=(220 247 262 294 330 349 392 440 494 523 587 659)
  # One cover per album colour, all drawn by one ffmpeg; each song's cover is a copy of its album's.
  draw=()
  for k in "${!colours[@]}"; do
    draw+=(-f lavfi -i "color=c=${colours[$k]}:s=160x160")
  done
  for k in "${!colours[@]}"; do
    draw+=(-map "$k" -frames:v 1 "$demo/work/cover$k.jpg")
  done
  ffmpeg -loglevel error -y "${draw[@]}"
  for i in $(seq 0 11); do
    name=$(printf 'song%02d' $((i + 1)))
    k=$((i % 6))
    sox -q -n -r 44100 -c 2 "$demo/work/$name.wav" synth 6 pluck "${notes[$i]}" \
        fade q 0.2 6 0.8 vol 0.6
    lame --quiet -b 128 --tt "${titles[$i]}" --ta "${artists[$k]}" --tl "${albums[$k]}" --ty 2026 \
         --tn $((i + 1)) --tg "${genres[$k]}" "$demo/work/$name.wav" "$demo/D/Incoming/$name.mp3"
    cp "$demo/work/cover$k.jpg" "$demo/D/Incoming/$name.jpg"
  done

  echo "== Building the demo library (zones on ${QH_DEMO_DEVICE:-Null Audio Device})"
  # Run in the start directory: the log folder it writes into the settings is the start directory's.
  (cd "$demo/startdir" && "$bin/qh_make_demo_library" 'D:\Quaverhouse' 'D:\Incoming' "Bar" "Terrace")
fi
# The control port of this run.
sed -i -e "s/^\"SocketNumber\"=dword:.*/\"SocketNumber\"=dword:$(printf '%08x' "$port")/" "$QH_REGISTRY"

cat <<EOF

== Starting Tonebarn (headless unless QH_DISPLAY=sdl; sound on the null device)
   library:   $demo/D/Quaverhouse (drive D: of $QH_DRIVES)${music:+
   music:     $music (drive M:, import it with the Import button)}
   settings:  $QH_REGISTRY
   log:       $demo/startdir/Logs
   snapshots: $demo/snapshots
   Drive it with curl on its control port $port, e.g.
     curl -s -X POST -H 'Content-Type: text/xml' --data-binary @request.xml http://localhost:$port/control
   with request.xml holding an actionList document, e.g. the first song in zone 1:
     <actionList><action><actionName>SongLoadPlay</actionName><transID>1</transID><actionID>1</actionID>
       <subDevice>0</subDevice><argument><name>SongID</name><direction>in</direction><value>1</value>
       </argument></action></actionList>
   (then XportPlayPause, without an argument, pauses and plays on).
   Quit with the key Q on the window (QH_DISPLAY=sdl) or with Ctrl+C.

EOF
cd "$demo/startdir"
export QH_SNAPSHOT_DIR="$demo/snapshots"
if [ "$stop_after_startup" = 1 ]; then
  export QH_STOP_AFTER_STARTUP=1
fi
exec "$bin/Tonebarn" 1
