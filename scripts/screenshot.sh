#!/usr/bin/env bash
# Takes the README's picture of the viewer: the sample forum imported, its
# first thread opened, under Xvfb with the Noto CJK fonts, written to
# docs/screenshot.png. Run it again when the window changes:
#   scripts/screenshot.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/rel}
OUT=docs/screenshot.png

if [ -z "${ORV_IN_XVFB:-}" ]; then
  ORV_IN_XVFB=1 exec xvfb-run -a -s '-screen 0 1280x900x24' "$0" "$@"
fi

unset QT_QPA_PLATFORM
scratch=$(mktemp -d)
viewer=""
cleanup() {
  if [ -n "$viewer" ]; then kill "$viewer" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
# Settings, reading state and caches of its own: the default window, no
# recent files and no read marks of the user.
export XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data XDG_CACHE_HOME=$scratch/cache
"$BUILD/orvlog" import -o "$scratch/sample.mld" samples/sample.log

"$BUILD/orv" "$scratch/sample.mld" &
viewer=$!
# The main window, once the splash screen has gone.
window=""
for _ in $(seq 1 100); do
  window=$(xdotool search --onlyvisible --name "Orv's Meeting log viewer" 2>/dev/null | tail -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "screenshot: the viewer showed no window" >&2; exit 1; }
xdotool windowsize "$window" 1000 640 windowmove "$window" 0 0
sleep 3
# The first thread opened in the tree, its first reply shown.
xdotool mousemove --window "$window" 80 100 click 1
sleep 0.5
xdotool key --window "$window" Right Down Right Down
sleep 1
import -window "$window" -strip "$scratch/shot.png"
convert "$scratch/shot.png" -strip -define png:exclude-chunks=date,time "$OUT"
echo "screenshot: wrote $OUT"
