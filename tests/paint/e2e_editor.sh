# Sourced by the editor's end-to-end scripts, with EXE set to darnaedit.exe of
# the staged program folder: a copy of that folder with a large frame (control
# panel shown) and stored pen 1 a hard pen 13 pixels across (pen 0, the current
# one, stays the smallest soft pen), the editor started on a white 320 x 200
# picture, and the helpers the scripts share: check NAME ACTUAL OP EXPECTED
# (sets fail=1 on a mismatch), shot NAME (the screen into $DIR/NAME.ppm) and
# $PX (e2e_pixels.py). The editor is killed and $DIR removed at exit.
WINE="${WINELOADER:-/usr/lib/wine/wine64}"
PX="python3 $(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/e2e_pixels.py"
DIR="$(mktemp -d)"
app=""
trap '[ -n "$app" ] && kill "$app" 2>/dev/null; rm -rf "$DIR"' EXIT
fail=0
check() {   # check NAME ACTUAL OP EXPECTED
  if [ "$2" "$3" "$4" ]; then echo "ok   $1 ($2)"; else echo "FAIL $1: $2, expected $3 $4"; fail=1; fi
}
# The pointer leaves the canvas first: the brush outline at the pointer comes
# and goes with the frame's timer.
shot() {
  xdotool mousemove 700 800
  sleep 1.2
  xwd -root -display "$DISPLAY" | convert xwd:- "$DIR/$1.ppm"
}

mkdir -p "$DIR/prog"
cp -r "$(dirname "$EXE")"/. "$DIR/prog/"
convert -size 320x200 xc:white BMP3:"$DIR/blank.bmp"
python3 - "$DIR/prog" <<'PY'
import struct, sys
env = bytearray(2864)
struct.pack_into('<iIIiii', env, 0, 0, (10 << 16) | 10, (950 << 16) | 1220, 1, 1, 1)
open(sys.argv[1] + '/env_.env', 'wb').write(env)
pens = bytearray(6400)
struct.pack_into('<ddi', pens, 64, 6.0, 6.0, 1)
open(sys.argv[1] + '/pen.dat', 'wb').write(pens)
PY
export DARNA_PROGRAM_FOLDER="Z:${DIR//\//\\}\\prog\\"
"$WINE" "$DIR/prog/darnaedit.exe" "Z:${DIR//\//\\}\\blank.bmp" &
app=$!
for i in $(seq 1 60); do
  xdotool search --name "Darna" >/dev/null 2>&1 && break
  sleep 0.5
done
sleep 4
