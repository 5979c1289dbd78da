#!/usr/bin/env bash
# Checks that no source includes a header of a folder above its own.
# The layers, lowest first: res, core, search, library, views, app. The
# reading state (readstate/, on SQLite) stands on core beside search: app
# and cli use it, views never (they see core/readingstate.h). The library
# search (library/, on SQLite) stands on search. orvlog (cli/) stands on
# core, search, library, readstate and res; the installer stands apart. A
# folder's subfolders (core/import/) belong to it.
#
#   scripts/check-layers.sh [ROOT]   lists every include against the order;
#                                    exit status 1 when there is one
set -euo pipefail
ROOT=${1:-$(dirname "$0")/..}
cd "$ROOT"

# folder: the folders it may include from.
RULES='res: res
core: res core
search: res core search
readstate: res core readstate
library: res core search library
views: res core search library views
app: res core search library readstate views app
cli: res core search library readstate cli
installer: installer'

FOLDERS=()
for f in res core search library readstate views app cli installer; do [ -d "$f" ] && FOLDERS+=("$f"); done
TOPS=$(find . -mindepth 1 -maxdepth 1 -type d ! -name '.*' -printf '%f ')

{ grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "${FOLDERS[@]}" \
    --include='*.h' --include='*.cpp' --include='*.inc' || true; } |
  awk -v rules="$RULES" -v tops="$TOPS" '
    BEGIN {
      n = split(rules, lines, "\n")
      for (i = 1; i <= n; i++) {
        split(lines[i], kv, ": ")
        may[kv[1]] = kv[2]
      }
      m = split(tops, t, " ")
      for (i = 1; i <= m; i++) top[t[i]] = 1
    }
    {
      split($0, parts, ":")
      file = parts[1]; line = parts[2]
      split(file, p, "/"); from = p[1]
      s = $0; sub(/^[^"]*"/, "", s); sub(/\/.*/, "", s)
      if ((s in top) && index(" " may[from] " ", " " s " ") == 0) {
        printf "%s:%s: %s/ includes %s/ (may include: %s)\n", file, line, from, s, may[from]
        bad = 1
      }
    }
    END {
      if (bad) {
        print "check-layers: includes against the order res < core < search < library < views < app" > "/dev/stderr"
        exit 1
      }
    }'
