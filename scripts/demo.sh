#!/usr/bin/env bash
# Installs what is missing, builds Release into build/, writes a sample backup definition and
# starts the program on it: the main window where there is a display, a headless run otherwise.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/common.sh"

# shellcheck disable=SC2086
install_missing $VELMORAN_BUILD_PACKAGES
build_release

DEMO="$ROOT/build/demo"
rm -rf "$DEMO"
mkdir -p "$DEMO/source/docs" "$DEMO/backup"
echo "Velmoran demo" > "$DEMO/source/readme.txt"
echo "first draft" > "$DEMO/source/docs/draft.txt"

# Binary fields of a definition: 4-byte little-endian integers, length-prefixed strings.
int32() { printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) \
    $((($1 >> 16) & 255)) $((($1 >> 24) & 255)))"; }
str() { int32 "${#1}"; printf '%s' "$1"; }
sig() { printf '%s\0' "$1"; }

DEF="$DEMO/sample.vmp"
{
    sig "Velmoran 0.04__"
    int32 0; str ""; int32 0; int32 1     # no message, keep open, show the log on errors
    int32 1                                 # one item
    sig "TVMTask 0.05___"
    str "$DEMO/source"; str "$DEMO/backup"; str "*.*"; str "*.bak"
    int32 1; int32 0; int32 0; int32 1; int32 1   # subdirs, wildcards, history kept
    str ""; int32 0                               # no message before the item
    int32 0; int32 0; int32 1; int32 1            # hidden, system, modified history, cache
    int32 0                                       # every file, whatever its time stamp
    printf '\0\0\0\0\0\0\0\x80\xff\x3f'           # date of time-stamp mode 1 (unused)
    int32 1; int32 0; str "*.lzh;*.zip;*.jpg;*.tif;*.mp3;*.wav;*.wma;*.avi"
} > "$DEF"
echo "Sample definition: $DEF ($(stat -c %s "$DEF") bytes)"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Starting the main window on the sample definition."
    exec "$ROOT/build/bin/velmoran" "$DEF"
fi
echo "No display: running a backup of the sample definition headless."
set +e
"$ROOT/build/bin/velmoran" "$DEF" /backup
status=$?
set -e
echo "velmoran exited with status $status"
