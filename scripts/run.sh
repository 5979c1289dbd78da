#!/usr/bin/env bash
# Starts the viewer with the sample log imported (`make run`). Without a
# display the sample's reply tree is shown through orvlog instead.
# usage: scripts/run.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/rel}
SAMPLE=samples/sample.log

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display (DISPLAY is not set), so the viewer cannot be shown;" \
       "here is the sample's tree from orvlog instead." >&2
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  "$BUILD/orvlog" import -o "$tmp/sample.mld" "$SAMPLE"
  "$BUILD/orvlog" tree "$tmp/sample.mld"
  exit 0
fi

# The build exports an offscreen platform for the tests; the viewer is to be
# seen here.
unset QT_QPA_PLATFORM
exec "$BUILD/orv" "$SAMPLE"
