#!/usr/bin/env bash
# Runs the layer check on a made-up tree, one include per case, and
# compares what it reports with what each case should give.
set -euo pipefail
CHECK=$1
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

# folder of the including file | include | flagged (1) or allowed (0)
CASES='res|core/ports.h|1
res|res/msgicon.h|0
core|res/strings.h|0
core|search/fold.h|1
core|core/import/reader.h|0
search|core/orvdoc.h|0
search|views/textview.h|1
search|app/settings.h|1
search|library/library.h|1
library|search/findengine.h|0
library|views/textview.h|1
library|app/settings.h|1
views|library/library.h|0
views|search/findall.h|0
views|app/mainframe.h|1
app|views/textview.h|0
app|res/strings.h|0
cli|search/findall.h|0
cli|library/library.h|0
cli|views/textview.h|1
cli|app/settings.h|1
installer|core/ports.h|1
installer|installer/instinfo.h|0
core/import|search/fold.h|1
core/import|core/ports.h|0
readstate|core/readingstate.h|0
readstate|search/fold.h|1
readstate|views/textview.h|1
core|readstate/statestore.h|1
views|readstate/statestore.h|1
app|readstate/docreadstate.h|0
cli|readstate/statestore.h|0'

fail=0
while IFS='|' read -r folder include flagged; do
  rm -rf "$T"/*
  for d in res core search library readstate views app cli installer; do mkdir -p "$T/$d"; done
  mkdir -p "$T/$folder"
  printf '#include "%s"\n' "$include" >"$T/$folder/x.cpp"
  got=0
  "$CHECK" "$T" >/dev/null 2>&1 || got=1
  if [ "$got" != "$flagged" ]; then
    echo "FAIL: $folder/x.cpp including $include: expected $flagged, got $got"
    fail=1
  fi
done <<<"$CASES"

# An include of a file that is no folder of the tree (a system header
# written with quotes, a header beside the source) is no layer.
rm -rf "$T"/*; mkdir -p "$T/core"
printf '#include "samechar.inc"\n#include "gtest/gtest.h"\n' >"$T/core/y.cpp"
"$CHECK" "$T" >/dev/null 2>&1 || { echo "FAIL: non-layer includes flagged"; fail=1; }
exit "$fail"
