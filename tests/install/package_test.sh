#!/usr/bin/env bash
# Builds the Debian package and checks it: every installed file is in it, lintian finds no
# error, and (when velmoran is not installed on this machine already) it installs, runs a
# headless backup and removes without leaving a file behind.
# Usage: package_test.sh BUILD_DIRECTORY
set -euo pipefail
BUILD=$1
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/../../scripts/lib/definition.sh"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$BUILD/package"
(cd "$BUILD" && cpack -G DEB >/dev/null) || fail "cpack"
DEB=$(ls "$BUILD"/package/velmoran_*.deb)

cmake --install "$BUILD" --prefix "$WORK/usr" >/dev/null
(cd "$WORK" && find usr -type f | sort) > "$WORK/installed"
dpkg-deb -c "$DEB" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort > "$WORK/packaged"
diff "$WORK/installed" "$WORK/packaged" || fail "the package and the install differ"

lintian --no-tag-display-limit "$DEB" > "$WORK/lintian" 2>&1 || true
if grep -q '^E:' "$WORK/lintian"; then
    cat "$WORK/lintian" >&2
    fail "lintian errors"
fi

if dpkg-query -W -f='${Status}' velmoran 2>/dev/null | grep -q 'install ok installed'; then
    echo "velmoran is installed on this machine: the install round trip is skipped"
    echo "PASS"
    exit 0
fi
echo "install, run, remove"
dpkg -i "$DEB" >/dev/null || fail "dpkg -i"
mkdir -p "$WORK/src" "$WORK/home"
echo "x" > "$WORK/src/x.txt"
write_definition "$WORK/d.vmp" "$WORK/src" "$WORK/dst"
status=0
env -i HOME="$WORK/home" PATH=/usr/bin:/bin LC_ALL=C.UTF-8 velmoran "$WORK/d.vmp" /backup ||
    status=$?
files=$(dpkg -L velmoran | while read -r f; do [ -f "$f" ] && echo "$f"; done)
dpkg --purge velmoran >/dev/null || fail "dpkg --purge"
[ "$status" = 0 ] || fail "the installed program's backup ended with $status"
[ -f "$WORK/dst/src/src.lzh" ] || fail "the installed program made no archive"
dpkg-query -W velmoran >/dev/null 2>&1 && fail "dpkg still knows the package"
for f in $files; do
    [ ! -e "$f" ] || fail "$f is left after removal"
done
echo "PASS"
