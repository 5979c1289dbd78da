#!/usr/bin/env bash
# The Windows orvlog against the Linux one: import the sample log (from a
# folder and file of Japanese names), dump, save, open and save again; the
# archives and dumps must be byte for byte those of the Linux build.
# Usage: windows-roundtrip.sh LINUX_BUILD WINDOWS_BUILD
set -euo pipefail
linux="$1"
win="$(cd "$2" && pwd)"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
run="$root/scripts/wine-run.sh"
export ORV_WINEPREFIX="$win/wine"

work="$win/roundtrip"
rm -rf "$work"
mkdir -p "$work/会議室"
cp "$root/samples/sample.log" "$work/会議室/ログ.log"
cd "$work"

"$root/$linux/orvlog" import -o linux.mld "会議室/ログ.log"
"$root/$linux/orvlog" dump linux.mld > linux.jsonl

"$run" "$win/orvlog.exe" import -o "会議室/保存.mld" "会議室/ログ.log"
"$run" "$win/orvlog.exe" dump "会議室/保存.mld" > windows.jsonl
"$run" "$win/orvlog.exe" import -o again.mld --into "会議室/保存.mld" "会議室/ログ.log" 2>again.err

cmp linux.mld "会議室/保存.mld"
cmp linux.mld again.mld
cmp linux.jsonl windows.jsonl
echo "windows round trip: archives and dumps identical ($(wc -c < linux.mld) bytes)"
