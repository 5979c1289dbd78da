#!/usr/bin/env bash
# Runs a Windows program under wine with a prefix of its own inside the build
# tree (made on first use), quietly. Used as the cross build's test emulator.
set -euo pipefail
: "${ORV_WINEPREFIX:?set ORV_WINEPREFIX to the wine prefix folder}"
export WINEPREFIX="$ORV_WINEPREFIX"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# No display is needed; keep wine from looking for one.
unset DISPLAY WAYLAND_DISPLAY
# The 64-bit loader, told where it lives so that it finds its libraries.
if [ -x /usr/lib/wine/wine64 ]; then
  export WINELOADER=/usr/lib/wine/wine64
  WINE=/usr/lib/wine/wine64
else
  WINE=wine64
fi
# A fresh prefix is made quietly first (about 8 s).
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$WINE" wineboot --init >/dev/null 2>&1 || true
fi
exec "$WINE" "$@"
