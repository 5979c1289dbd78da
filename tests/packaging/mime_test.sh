#!/usr/bin/env bash
# Builds a MIME database from the package's type alone in a scratch folder
# (update-mime-database checks the file against its schema) and checks that
# a ".mld" name, in any letter case, is of that type with its icon.
#   mime_test.sh MIME_XML
set -euo pipefail
xml=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/mime/packages"
cp "$xml" "$scratch/mime/packages/orv.xml"
errors=$(XDG_DATA_DIRS=$scratch XDG_DATA_HOME=$scratch update-mime-database "$scratch/mime" 2>&1)
if [[ -n $errors ]]; then
    echo "FAIL: update-mime-database: $errors"
    exit 1
fi
grep -q '^50:application/x-orv-document:\*\.mld$' "$scratch/mime/globs2" || {
    echo "FAIL: *.mld is not application/x-orv-document:"; cat "$scratch/mime/globs2"; exit 1; }
grep -qx 'application/x-orv-document:application-x-orv-document' "$scratch/mime/icons" || {
    echo "FAIL: the type has not its icon:"; cat "$scratch/mime/icons"; exit 1; }
echo "mime: *.mld is application/x-orv-document with its icon"
