#!/usr/bin/env bash
# Installs what is missing, builds Release into build/, writes a sample backup definition and
# starts the program on it: the main window where there is a display, a headless run otherwise.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/common.sh"
source "$ROOT/scripts/lib/definition.sh"

# shellcheck disable=SC2086
install_missing $VELMORAN_BUILD_PACKAGES libarchive-tools
build_release

DEMO="$ROOT/build/demo"
rm -rf "$DEMO"
mkdir -p "$DEMO/source/docs/drafts" "$DEMO/backup"
# The demo keeps its settings, log and working directory to itself.
export XDG_CONFIG_HOME="$DEMO/config" XDG_STATE_HOME="$DEMO/state" XDG_CACHE_HOME="$DEMO/cache"
LOG="$DEMO/state/Tarn/Velmoran/Velmoran.LOG"
# Append each run's log, so that the end shows all three runs.
mkdir -p "$XDG_CONFIG_HOME/Tarn"
printf '[Options]\nOverwriteLog=0\n' > "$XDG_CONFIG_HOME/Tarn/Velmoran.conf"

# A small sample tree: text, a Japanese name, a subdirectory, some binary data.
echo "Velmoran demo" > "$DEMO/source/readme.txt"
echo "first draft" > "$DEMO/source/docs/drafts/draft.txt"
echo "議事録" > "$DEMO/source/docs/会議.txt"
head -c 200000 /dev/urandom > "$DEMO/source/docs/data.bin"
touch -d '2024-01-01 12:00' "$DEMO"/source/readme.txt "$DEMO"/source/docs/drafts/draft.txt \
    "$DEMO"/source/docs/会議.txt "$DEMO"/source/docs/data.bin

DEF="$DEMO/sample.vmp"
write_definition "$DEF" "$DEMO/source" "$DEMO/backup"
echo "Sample definition: $DEF"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${1:-}" = "--window" ]; then
    echo "Starting the main window on the sample definition."
    exec "$ROOT/build/bin/velmoran" "$DEF"
fi

run() {
    echo "\$ velmoran $*"
    env -u DISPLAY -u WAYLAND_DISPLAY "$ROOT/build/bin/velmoran" "$@"
    echo "(exit status $?)"
}
show_backup() {
    echo "--- backup tree"
    (cd "$DEMO/backup" && find . -type f | sort)
    find "$DEMO/backup" -name '*.lzh' | sort | while read -r a; do
        echo "--- ${a#"$DEMO/backup/"}"
        bsdtar -tvf "$a" 2>/dev/null || true
    done
}

echo; echo "=== first backup"
run "$DEF" /backup
show_backup

echo; echo "=== change one file, delete another, back up again"
sleep 1
echo "second draft" > "$DEMO/source/docs/drafts/draft.txt"
echo "changed readme" > "$DEMO/source/readme.txt"
rm "$DEMO/source/docs/data.bin"
run "$DEF" /backup
show_backup

echo; echo "=== restore into an emptied source"
mv "$DEMO/source" "$DEMO/source.before"
run "$DEF" /restore
if diff -r "$DEMO/source.before" "$DEMO/source"; then
    echo "Restored tree is identical to the source before it was emptied."
else
    echo "Restored tree differs from the source." >&2
    exit 1
fi

echo; echo "=== run log ($LOG)"
cat "$LOG"
