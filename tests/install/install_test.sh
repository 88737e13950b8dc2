#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it as a user would: a headless backup and
# restore from there (the libraries found through ../lib/velmoran), the desktop entry and the
# AppStream file validated, both manual pages rendered without warnings.
# Usage: install_test.sh BUILD_DIRECTORY
set -euo pipefail
BUILD=$1
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/../../scripts/lib/definition.sh"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

PREFIX=$WORK/prefix
cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null
[ -x "$PREFIX/bin/velmoran" ] || fail "no program in bin/"
for lib in libunlha32.so libunzip32.so libzip32j.so libtar32.so lib7-zip32.so libcab32.so \
    libunrar32.so; do
    [ -f "$PREFIX/lib/velmoran/$lib" ] || fail "no $lib in lib/velmoran"
done

echo "a headless backup and restore with the installed program"
mkdir -p "$WORK/src/sub" "$WORK/home"
echo "one" > "$WORK/src/one.txt"
echo "two" > "$WORK/src/sub/two.txt"
write_definition "$WORK/d.vmp" "$WORK/src" "$WORK/dst"
run() {
    env -i HOME="$WORK/home" PATH=/usr/bin:/bin LC_ALL=C.UTF-8 "$PREFIX/bin/velmoran" "$@"
}
run "$WORK/d.vmp" /backup || fail "backup exit status $?"
[ -f "$WORK/dst/src/src.lzh" ] || fail "no archive"
rm "$WORK/src/sub/two.txt"
run "$WORK/d.vmp" /restore || fail "restore exit status $?"
[ "$(cat "$WORK/src/sub/two.txt")" = "two" ] || fail "the file was not restored"

echo "desktop entry, MIME type and AppStream metadata"
desktop-file-validate "$PREFIX/share/applications/velmoran.desktop" || fail "desktop entry"
grep -q '^MimeType=application/x-velmoran-definition;' "$PREFIX/share/applications/velmoran.desktop" ||
    fail "the entry does not name the definition type"
grep -q 'type="application/x-velmoran-definition"' "$PREFIX/share/mime/packages/velmoran.xml" ||
    fail "the MIME package does not define the type"
appstreamcli validate --no-net "$PREFIX/share/metainfo/org.velmoran.Velmoran.metainfo.xml" ||
    fail "AppStream metadata"
[ -f "$PREFIX/share/icons/hicolor/48x48/apps/velmoran.png" ] || fail "no 48 px icon"
[ -f "$PREFIX/share/icons/hicolor/scalable/apps/velmoran.svg" ] || fail "no scalable icon"
[ -f "$PREFIX/share/doc/velmoran/Velmoran_J.html" ] || fail "no help document"
[ -f "$PREFIX/share/doc/velmoran/copyright" ] || fail "no licence text"

echo "manual pages"
for page in "$PREFIX/share/man/man1/velmoran.1.gz" "$PREFIX/share/man/ja/man1/velmoran.1.gz"; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: $warnings"
    text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null)
    for word in /backup /restore /verify /clearhistorydays crontab 130; do
        grep -qF -- "$word" <<<"$text" || fail "$page does not mention $word"
    done
done
echo "PASS"
