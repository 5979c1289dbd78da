#!/usr/bin/env bash
# Runs every fuzz target for the given number of seconds with its seed
# corpus (fuzz/corpus/<target without fuzz_>/), keeping new inputs in the
# build tree.
set -euo pipefail
B=${1:-build/fuzz}
SECONDS_EACH=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
status=0
for t in "$B"/fuzz/fuzz_*; do
  [ -x "$t" ] || continue
  name=$(basename "$t"); seed=${name#fuzz_}
  [ "$seed" = log_import ] && seed=log
  work="$B/fuzz/corpus-$name"; mkdir -p "$work"
  echo "== $name for ${SECONDS_EACH}s"
  if ! "$t" -max_total_time="$SECONDS_EACH" -max_len=65536 -rss_limit_mb=4096 \
       -artifact_prefix="$B/fuzz/$name-" "$work" "$here/corpus/$seed" 2>"$B/fuzz/$name.log"; then
    echo "!! $name found a problem; see $B/fuzz/$name.log"; tail -30 "$B/fuzz/$name.log"; status=1
  else
    grep -E '^(#[0-9]+ *DONE|Done)' "$B/fuzz/$name.log" | tail -1 || true
  fi
done
exit $status
