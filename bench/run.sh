#!/usr/bin/env bash
# Runs every benchmark on the synthetic 100,000-message forum (about 60 MB
# in 10 files), made once in build/bench-data, and prints the figures next
# to the plain tools they are measured against, on the same files in the
# same run.
set -euo pipefail
export LC_NUMERIC=C  # the shell clock and awk read a decimal point
B=${1:-build/rel}
DATA=${ORV_BENCH_DATA:-build/bench-data}
export ORV_BENCH_DATA=$DATA
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

if [ ! -f "$DATA/forum10.log" ]; then
  echo "== generating the forum in $DATA"
  "$B/bench/orv_gen_forum" "$DATA" 100000 10
fi
if [ ! -f "$DATA/forum.mld" ] || [ "$DATA/forum01.log" -nt "$DATA/forum.mld" ]; then
  "$B/orvlog" import -o "$DATA/forum.mld" "$DATA"/forum*.log >/dev/null 2>&1
fi
# A reply chain a million messages deep, each message a few bytes.
if [ ! -f "$DATA/chain.mld" ]; then
  echo "== generating the 1,000,000-deep chain in $DATA"
  "$B/bench/orv_gen_forum" --chain "$DATA/chain.log" 1000000
  "$B/orvlog" import -o "$DATA/chain.mld" "$DATA/chain.log" >/dev/null 2>&1
  rm -f "$DATA/chain.log"  # the import benchmarks read every log of the folder
fi

# Best of five wall-clock runs of a command, in seconds, timed by the
# shell's own clock (a date process on each side would add its own start).
best() {
  local best=""
  for _ in 1 2 3 4 5; do
    local t0 t1
    t0=$EPOCHREALTIME; "$@" >/dev/null 2>&1; t1=$EPOCHREALTIME
    best=$(echo "$t0 $t1 $best" | awk '{d=$2-$1; if ($3=="" || d<$3) print d; else print $3}')
  done
  echo "$best"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.2f", a/b}'; }
ms() { awk -v a="$1" 'BEGIN{printf "%.0f ms", a*1000}'; }
# Peak resident memory of a command in KiB.
peak() { /usr/bin/time -f "%M" "$@" 2>&1 >/dev/null | tail -1; }
kib() { echo $(( $(stat -c %s "$1") / 1024 )); }

LOGS=("$DATA"/forum*.log)
MLD=$DATA/forum.mld
echo "== data: $(du -ch "${LOGS[@]}" | tail -1 | cut -f1) of logs, $(du -h "$MLD" | cut -f1) document"
WC=$(best wc -l "${LOGS[@]}")
CAT=$(best cat "$MLD")
CATDD=$(best bash -c 'cat "$@" | dd of="$0" bs=1M conv=fsync status=none' "$DATA/dd-copy" "${LOGS[@]}")
CPSYNC=$(best bash -c 'cp "$0" "$1" && sync "$1"' "$MLD" "$DATA/cp-copy.mld")
rm -f "$DATA/dd-copy" "$DATA/cp-copy.mld"
echo "== reference: wc -l on the logs $(ms "$WC"), cat of the document $(ms "$CAT"),"
echo "   cat logs | dd conv=fsync $(ms "$CATDD"), cp + fsync of the document $(ms "$CPSYNC")"

# The same forum converted to UTF-8 with LF line ends, made once: read
# through the detector and the converter.
UTF8DIR=$DATA/utf8-lf
if [ ! -f "$UTF8DIR/forum10.log" ] || [ "$DATA/forum10.log" -nt "$UTF8DIR/forum10.log" ]; then
  mkdir -p "$UTF8DIR"
  for f in "${LOGS[@]}"; do
    uconv -f windows-31j -t utf-8 "$f" | tr -d '\r' >"$UTF8DIR/$(basename "$f")"
  done
fi
"$B/bench/core_bench" --benchmark_format=console | tee "$DATA/core_bench.txt"
IMPORT=$(awk '/^BM_Import\/0\// {print $2/1000}' "$DATA/core_bench.txt")
IMPORTCLI=$(awk '/^BM_Import\/1\// {print $2/1000}' "$DATA/core_bench.txt")
IMPORTVIEW=$(awk '/^BM_Import\/2\// {print $2/1000}' "$DATA/core_bench.txt")
OPEN=$(awk '/^BM_Open/ {print $2/1000}' "$DATA/core_bench.txt")
SAVE=$(awk '/^BM_Save/ {print $2/1000}' "$DATA/core_bench.txt")
IMPORTO=$(best "$B/orvlog" import -o "$DATA/import-bench.mld" "${LOGS[@]}")
rm -f "$DATA/import-bench.mld"
SHOW=$(best "$B/orvlog" show "$MLD" 50000)

echo "== import in-process $(ms "$IMPORT") / wc -l:                $(ratio "$IMPORT" "$WC") (target 5)"
echo "== orvlog import -o $(ms "$IMPORTO") / cat logs | dd fsync:  $(ratio "$IMPORTO" "$CATDD") (target 3)"
UTF8LOGS=("$UTF8DIR"/forum*.log)
IMPORTU=$(best "$B/orvlog" import -o "$DATA/import-bench.mld" "${UTF8LOGS[@]}")
rm -f "$DATA/import-bench.mld"
echo "== orvlog import -o of the forum as UTF-8 with LF $(ms "$IMPORTU") / as CP932: $(ratio "$IMPORTU" "$IMPORTO") (target 2)"
echo "== in-process import of the UTF-8 LF forum $(ms "$IMPORTCLI") / as CP932: $(ratio "$IMPORTCLI" "$IMPORT") (target 2)"
echo "==   the same with the viewer's counting pass $(ms "$IMPORTVIEW") / as CP932: $(ratio "$IMPORTVIEW" "$IMPORT") (target 2)"
awk '/^BM_ImportInterleaved/ {for (i = 1; i <= NF; i++) if ($i ~ /=/) {split($i, kv, "="); v[kv[1]] = kv[2]}
     printf "==   taken in turn (medians of 9): CP932 %.0f ms, UTF-8 LF %.0f ms (%.2f), with counting %.0f ms (%.2f)\n",
       v["cp932_ms"], v["utf8_ms"], v["utf8_ratio"], v["counted_ms"], v["counted_ratio"]}' "$DATA/core_bench.txt"
echo "== orvlog show $(ms "$SHOW") / cat of the document:          $(ratio "$SHOW" "$CAT") (target 5)"
echo "== open in-process $(ms "$OPEN") / cat of the document:      $(ratio "$OPEN" "$CAT") (target 3)"
echo "== save $(ms "$SAVE") / cp + fsync of the document:          $(ratio "$SAVE" "$CPSYNC") (target 3)"

SHOWPEAK=$(peak "$B/orvlog" show "$MLD" 50000)
echo "== orvlog show peak ${SHOWPEAK} KiB / document $(kib "$MLD") KiB:       $(ratio "$SHOWPEAK" "$(kib "$MLD")") (target 1.5)"
"$B/bench/orv_memprobe" "$MLD"
CHAIN=$DATA/chain.mld
CHAINPEAK=$(peak "$B/orvlog" show "$CHAIN" 1000000)
echo "== chain: orvlog show peak ${CHAINPEAK} KiB / document $(kib "$CHAIN") KiB: $(ratio "$CHAINPEAK" "$(kib "$CHAIN")") (target 4)"
"$B/bench/orv_memprobe" "$CHAIN"
/usr/bin/time -f "== orvlog tree peak RSS %M KiB" "$B/orvlog" tree "$MLD" >/dev/null
# The HTML export against what writing its files costs: a cp -r of the
# finished site plus a plain dump of the same document. The folders are
# removed between runs, outside the timing.
DUMP=$(best "$B/orvlog" dump "$MLD")
EXPORT=""
for _ in 1 2 3 4 5; do
  rm -rf "$DATA/html-bench"
  t0=$(date +%s.%N); "$B/orvlog" export-html "$MLD" "$DATA/html-bench"; t1=$(date +%s.%N)
  EXPORT=$(echo "$t0 $t1 $EXPORT" | awk '{d=$2-$1; if ($3=="" || d<$3) print d; else print $3}')
done
CPR=""
for _ in 1 2 3 4 5; do
  rm -rf "$DATA/html-copy"
  t0=$(date +%s.%N); cp -r "$DATA/html-bench" "$DATA/html-copy"; t1=$(date +%s.%N)
  CPR=$(echo "$t0 $t1 $CPR" | awk '{d=$2-$1; if ($3=="" || d<$3) print d; else print $3}')
done
FILES=$(find "$DATA/html-bench" -type f | wc -l)
LARGEST=$(find "$DATA/html-bench" -type f -printf '%s %P\n' | sort -n | tail -1)
OVER=$(find "$DATA/html-bench" -type f -size +1024k | wc -l)
rm -rf "$DATA/html-bench" "$DATA/html-copy"
echo "== export-html $(ms "$EXPORT") / (cp -r of the site $(ms "$CPR") + dump $(ms "$DUMP")):" \
  "$(awk -v a="$EXPORT" -v b="$CPR" -v c="$DUMP" 'BEGIN{printf "%.2f", a/(b+c)}') (target 1.3)"
echo "== site: $FILES files, largest ${LARGEST% *} bytes (${LARGEST#* }), $OVER over 1 MB (target 0)"

for b in "$B"/bench/*_bench; do
  # core_bench ran above; the library pane's is run with its library below.
  case "$(basename "$b")" in core_bench | app_library_bench) continue ;; esac
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_format=console | tee "$DATA/$(basename "$b").txt"
done
# The viewer's import of the UTF-8 LF forum (counting pass, question
# answered) against its import of the CP932 logs, both with the progress
# dialog.
[ -f "$DATA/views_bench.txt" ] && awk '/^BM_ImportForum\/1\// {c = $2} /^BM_ImportForum\/2\// {u = $2}
     /^BM_ImportForumInterleaved/ {for (i = 1; i <= NF; i++) if ($i ~ /=/) {split($i, kv, "="); v[kv[1]] = kv[2]}}
     END {if (c > 0 && u > 0) printf "== viewer import of the UTF-8 LF forum %s ms / of the CP932 logs %s ms: %.2f (target 2)\n", u, c, u / c
          if (v["ratio"] > 0) printf "==   taken in turn (medians of 7): %.0f ms / %.0f ms: %.2f (target 2)\n", v["utf8_counted_ms"], v["cp932_ms"], v["ratio"]}' \
  "$DATA/views_bench.txt"
if [ -f "$DATA/search_bench.txt" ]; then
  for arg in 0 1 2; do
    E=$(awk -v a="$arg" '$1 ~ "^BM_SearchNoHitAllFolds/"a"/" {print $2}' "$DATA/search_bench.txt")
    R=$(awk -v a="$arg" '$1 ~ "^BM_RipgrepIgnoreCase/"a"/" {print $2}' "$DATA/search_bench.txt")
    [ -n "$E" ] && [ -n "$R" ] || continue
    case $arg in 0) what="easy case";; *) what="hard case";; esac
    echo "== search $arg ($what) ${E} ms / rg -i -c ${R} ms: $(ratio "$E" "$R") (target 2 for the hard cases)"
  done
fi
if [ -f "$DATA/readstate_bench.txt" ]; then
  awk '/^BM_MarkAllReadAndWrite/ {printf "== mark 100,000 messages read and write them: %s ms (target 200)\n", $2}
       /^BM_AttachState100k / {printf "== reading state added to an open, 100,000 marks: %s ms (target 20)\n", $2}
       /^BM_AttachState100kOpeningTheStore/ {printf "==   the same with the state file opened and checked: %s ms\n", $2}
       /^BM_CountKeys100k/ {printf "==   the unread count, taken while idle after the opening: %s ms\n", $2}' \
    "$DATA/readstate_bench.txt"
  rm -rf "$DATA/readstate-bench"
fi
# Find all against one find next that finds nothing, on the same texts.
[ -f "$DATA/search_bench.txt" ] && awk '/^BM_SearchNoHitAllFolds\// {split($1, a, "/"); s[a[2]] = $2}
     /^BM_FindAllNoHitAllFolds\// {split($1, a, "/"); f[a[2]] = $2}
     END {for (k in f) if (s[k] > 0) printf "== find all / find next, text %s: %.2f (target 1.2)\n", k, f[k] / s[k]}' \
  "$DATA/search_bench.txt"
# The library search (ten documents, the index).
bash "$(dirname "$0")/library_bench.sh" "$B" "$DATA"
