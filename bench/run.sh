#!/usr/bin/env bash
# Runs every benchmark on the synthetic 100,000-message forum (about 60 MB
# in 10 files), made once in build/bench-data, and prints the figures next
# to the plain tools they are measured against.
set -euo pipefail
B=${1:-build/rel}
DATA=${ORV_BENCH_DATA:-build/bench-data}
export ORV_BENCH_DATA=$DATA
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

if [ ! -f "$DATA/forum10.log" ]; then
  echo "== generating the forum in $DATA"
  "$B/bench/orv_gen_forum" "$DATA" 100000 10
fi
if [ ! -f "$DATA/forum.mld" ] || [ "$DATA/forum01.log" -nt "$DATA/forum.mld" ]; then
  "$B/orvlog" import -o "$DATA/forum.mld" "$DATA"/forum*.log
fi

# Best of five wall-clock runs of a command, in seconds.
best() {
  local best=""
  for _ in 1 2 3 4 5; do
    local t0 t1
    t0=$(date +%s.%N); "$@" >/dev/null; t1=$(date +%s.%N)
    best=$(echo "$t0 $t1 $best" | awk '{d=$2-$1; if ($3=="" || d<$3) print d; else print $3}')
  done
  echo "$best"
}

echo "== data: $(du -ch "$DATA"/forum*.log | tail -1 | cut -f1) of logs, $(du -h "$DATA/forum.mld" | cut -f1) document"
WC=$(best wc -l "$DATA"/forum*.log)
CAT=$(best cat "$DATA/forum.mld")
echo "== reference: wc -l on the logs ${WC}s, cat of the document ${CAT}s"

"$B/bench/core_bench" --benchmark_format=console | tee "$DATA/core_bench.txt"
IMPORT=$(awk '/^BM_Import/ {print $2/1000}' "$DATA/core_bench.txt")
OPEN=$(awk '/^BM_Open/ {print $2/1000}' "$DATA/core_bench.txt")
echo "== import / wc -l: $(awk -v a="$IMPORT" -v b="$WC" 'BEGIN{printf "%.1f", a/b}') (target 5)"
echo "== open / cat:     $(awk -v a="$OPEN" -v b="$CAT" 'BEGIN{printf "%.1f", a/b}') (target 5)"
# The HTML export against a plain dump of the same document; the site's
# folder is removed between runs, outside the timing.
DUMP=$(best "$B/orvlog" dump "$DATA/forum.mld")
EXPORT=""
for _ in 1 2 3 4 5; do
  rm -rf "$DATA/html-bench"
  t0=$(date +%s.%N); "$B/orvlog" export-html "$DATA/forum.mld" "$DATA/html-bench"; t1=$(date +%s.%N)
  EXPORT=$(echo "$t0 $t1 $EXPORT" | awk '{d=$2-$1; if ($3=="" || d<$3) print d; else print $3}')
done
rm -rf "$DATA/html-bench"
echo "== export-html ${EXPORT}s, dump ${DUMP}s: export-html / dump $(awk -v a="$EXPORT" -v b="$DUMP" 'BEGIN{printf "%.2f", a/b}') (target 1.5)"
/usr/bin/time -f "== orvlog tree peak RSS %M KiB" "$B/orvlog" tree "$DATA/forum.mld" >/dev/null
"$B/bench/orv_memprobe" "$DATA/forum.mld"

for b in "$B"/bench/*_bench; do
  [ "$(basename "$b")" = core_bench ] && continue
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_format=console | tee "$DATA/$(basename "$b").txt"
done
# Find all against one find next that finds nothing, on the same texts.
[ -f "$DATA/search_bench.txt" ] && awk '/^BM_SearchNoHitAllFolds\// {split($1, a, "/"); s[a[2]] = $2}
     /^BM_FindAllNoHitAllFolds\// {split($1, a, "/"); f[a[2]] = $2}
     END {for (k in f) if (s[k] > 0) printf "== find all / find next, text %s: %.2f (target 1.2)\n", k, f[k] / s[k]}' \
  "$DATA/search_bench.txt"
