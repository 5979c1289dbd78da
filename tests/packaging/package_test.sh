#!/usr/bin/env bash
# Installs the .deb into a scratch root with dpkg -x and runs the programs
# from there: the installed orvlog must tell the project's version, import
# the sample log and print its tree as the build's orvlog does; the files
# of the desktop and the manual must be where Debian looks for them.
#   package_test.sh DEB VERSION SAMPLE_LOG BUILD_ORVLOG
set -euo pipefail
deb=$1 version=$2 sample=$3 build_orvlog=$4
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"

failed=0
fail() { echo "FAIL: $*"; failed=1; }

for f in \
    usr/bin/orv usr/bin/orvlog usr/bin/orvinst \
    usr/share/man/man1/orvlog.1.gz usr/share/man/man1/orv.1.gz usr/share/man/man1/orvinst.1.gz \
    usr/share/bash-completion/completions/orvlog \
    usr/share/applications/orv.desktop \
    usr/share/mime/packages/orv.xml \
    usr/share/metainfo/orv.metainfo.xml \
    usr/share/doc/orv/copyright usr/share/doc/orv/changelog.gz; do
    [[ -f $root/$f ]] || fail "$f is not in the package"
done
for size in 16 22 24 32 48 64 128 256; do
    for icon in apps/orv.png mimetypes/application-x-orv-document.png; do
        f=usr/share/icons/hicolor/${size}x${size}/$icon
        if [[ ! -f $root/$f ]]; then
            fail "$f is not in the package"
        elif [[ $(identify -format '%wx%h' "$root/$f") != "${size}x${size}" ]]; then
            fail "$f is not ${size}x${size}"
        fi
    done
done
# Nothing that the system's triggers make belongs in the package.
for f in usr/share/mime/mime.cache usr/share/applications/mimeinfo.cache \
    usr/share/icons/hicolor/icon-theme.cache; do
    [[ ! -e $root/$f ]] || fail "$f, made by the system, is in the package"
done

orvlog=$root/usr/bin/orvlog
got=$("$orvlog" --version) || fail "the installed orvlog --version failed"
[[ $got == "orvlog $version" ]] || fail "the installed orvlog says '$got', not 'orvlog $version'"

"$orvlog" import -o "$root/sample.mld" "$sample" || fail "the installed orvlog import failed"
"$build_orvlog" import -o "$root/expected.mld" "$sample"
tree=$("$orvlog" tree "$root/sample.mld") || fail "the installed orvlog tree failed"
[[ -n $tree ]] || fail "the installed orvlog tree printed nothing"
[[ $tree == "$("$build_orvlog" tree "$root/expected.mld")" ]] ||
    fail "the installed orvlog prints another tree than the build's"
cmp -s "$root/sample.mld" "$root/expected.mld" ||
    fail "the installed orvlog writes another document than the build's"

# The installed viewer starts as far as its usage without a display.
"$root/usr/bin/orv" --help | grep -q '^usage: orv' || fail "the installed orv --help failed"

if ((failed)); then exit 1; fi
echo "package: installed into a scratch root; orvlog $version imports and prints the sample"
