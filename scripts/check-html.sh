#!/usr/bin/env bash
# Checks exported sites with the Nu HTML checker: every page of the sample
# log's site, and a sample of the pages of a generated forum of 20,000
# messages (when the generator is given), whose files must also stay under
# 1 MB each.
#
# usage: check-html.sh ORVLOG [ORV_GEN_FORUM]
# Exits 77 (skipped) when the checker or Java is not installed.
set -euo pipefail
ORVLOG=$1
GEN=${2:-}
SRC=$(cd "$(dirname "$0")/.." && pwd)
JAR=${ORV_VNU_JAR:-$SRC/build/tools/node_modules/vnu-jar/build/dist/vnu.jar}
if [ ! -f "$JAR" ] || ! command -v java >/dev/null 2>&1; then
  echo "check-html: no Nu checker ($JAR) or no java: skipped"
  exit 77
fi
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

"$ORVLOG" import -o "$WORK/sample.mld" "$SRC/samples/sample.log" 2>/dev/null
"$ORVLOG" export-html "$WORK/sample.mld" "$WORK/sample" 2>/dev/null
mapfile -t PAGES < <(find "$WORK/sample" -name '*.html' | sort)

if [ -n "$GEN" ] && [ -x "$GEN" ]; then
  "$GEN" "$WORK/forum" 20000 2 >/dev/null
  "$ORVLOG" import -o "$WORK/forum.mld" "$WORK"/forum/forum*.log 2>/dev/null
  "$ORVLOG" export-html "$WORK/forum.mld" "$WORK/big" 2>/dev/null
  BIG=$(find "$WORK/big" -type f -size +1024k)
  if [ -n "$BIG" ]; then
    echo "check-html: files over 1 MB:"; echo "$BIG"; exit 1
  fi
  # The first, a middle and the last of each kind of page, and the largest thread.
  for kind in "index*.html" "threads/*.html" "dates/*.html" "authors/index*.html" "authors/u-*.html"; do
    mapfile -t all < <(cd "$WORK/big" && compgen -G "$kind" | sort -V)
    n=${#all[@]}
    for i in 0 $((n / 2)) $((n - 1)); do PAGES+=("$WORK/big/${all[$i]}"); done
  done
  LARGEST=$(find "$WORK/big/threads" -name '*.html' -printf '%s %p\n' | sort -n | tail -n 1)
  PAGES+=("$WORK/big/search.html" "${LARGEST#* }")
fi

echo "check-html: ${#PAGES[@]} pages"
java -Xss8m -jar "$JAR" --errors-only --format gnu "${PAGES[@]}"
echo "check-html: no errors"
