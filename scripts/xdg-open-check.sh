#!/usr/bin/env bash
# Opens a ".mld" document the way a desktop does, with only what the
# package installs: the .deb unpacked into a scratch root, its MIME type,
# desktop entry and icons in a scratch XDG data folder, and `xdg-open
# forum.mld` under Xvfb (as on GNOME: through gio). Passes when the
# viewer's window shows the document, and keeps a picture of the screen.
#   scripts/xdg-open-check.sh DEB [PICTURE.png]
set -euo pipefail
cd "$(dirname "$0")/.."
DEB=$(realpath "$1")
PICTURE=$(realpath -m "${2:-build/xdg-open.png}")

if [ -z "${ORV_IN_XVFB:-}" ]; then
  ORV_IN_XVFB=1 exec xvfb-run -a -s '-screen 0 1024x700x24' "$0" "$DEB" "$PICTURE"
fi

unset QT_QPA_PLATFORM
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
dpkg -x "$DEB" "$root"
# What the package's triggers do on a real system.
update-mime-database "$root/usr/share/mime" >/dev/null 2>&1
update-desktop-database "$root/usr/share/applications"
export XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config
export XDG_DATA_DIRS=$root/usr/share:/usr/share
export XDG_CURRENT_DESKTOP=GNOME PATH=$root/usr/bin:$PATH
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"

"$root/usr/bin/orvlog" import -o "$scratch/forum.mld" samples/sample.log
echo "xdg-open-check: type $(gio info -a standard::content-type "$scratch/forum.mld" |
  sed -n 's/.*standard::content-type: //p'), default application" \
  "$(gio mime application/x-orv-document | head -1)"
xdg-open "$scratch/forum.mld"

window=""
for _ in $(seq 1 150); do
  window=$(xdotool search --onlyvisible --name "forum" 2>/dev/null | tail -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
# The splash screen gone.
sleep 4
import -window root "$PICTURE"
if [ -z "$window" ]; then
  echo "xdg-open-check: FAIL: no window shows forum.mld (screen in $PICTURE)" >&2
  exit 1
fi
echo "xdg-open-check: the viewer opened forum.mld: \"$(xdotool getwindowname "$window")\"" \
  "(screen in $PICTURE)"
