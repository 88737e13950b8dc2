#!/usr/bin/env bash
# Drives the program from the keyboard as a user would, on a bare X server without a window
# manager: open a definition through the File menu, run a backup, restore with an option, bring
# back an older version of one file, stop a long run. Usage: keyboard_test.sh VELMORAN_EXECUTABLE (run under xvfb-run).
set -euo pipefail
PROGRAM=$1
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/../../../scripts/lib/definition.sh"

WORK=$(mktemp -d)
trap 'kill "$PID" 2>/dev/null || true; rm -rf "$WORK"' EXIT
PID=
# The test suite runs with the offscreen platform; this test needs the X server xvfb-run started.
export QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME=$WORK/config XDG_STATE_HOME=$WORK/state XDG_CACHE_HOME=$WORK/cache
export XDG_DATA_HOME=$WORK/data XDG_RUNTIME_DIR=$WORK/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
LOG=$XDG_STATE_HOME/Tarn/Velmoran/Velmoran.LOG

fail() { echo "FAIL: $*" >&2; [ -f "$LOG" ] && cat "$LOG" >&2; exit 1; }
# wait_for SECONDS COMMAND...: polls until the command succeeds.
wait_for() {
    local limit=$(($1 * 10))
    shift
    for ((i = 0; i < limit; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
log_has() { [ -f "$LOG" ] && grep -q -- "$1" "$LOG"; }
title_is() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
window_named() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
# Keys to the main window (there is no window manager to give it the focus back).
keys() {
    xdotool windowfocus --sync "$WID" 2>/dev/null || true
    for k in "$@"; do
        xdotool key "$k"
        sleep 0.3
    done
}
# open_definition PATH: File > Open, the path typed into the dialog.
open_definition() {
    keys alt+f o
    wait_for 10 window_named 'Velmoranバックアップ定義を開く' || fail "no open dialog"
    xdotool type --delay 10 "$1"
    xdotool key Return
    wait_for 10 title_is "$(basename "$1") - Velmoran" || fail "definition $1 not opened"
}

# A small tree, and a long one whose backup runs for a while.
mkdir -p "$WORK/small/docs/old" "$WORK/backup"
echo "readme" > "$WORK/small/readme.txt"
echo "notes" > "$WORK/small/docs/notes.txt"
echo "older" > "$WORK/small/docs/old/older.txt"
touch -d '2024-01-01 12:00' "$WORK"/small/readme.txt "$WORK"/small/docs/notes.txt
write_definition "$WORK/small.vmp" "$WORK/small" "$WORK/backup"
for d in $(seq 1 120); do
    mkdir -p "$WORK/long1/d$d" "$WORK/long2/d$d"
    for f in 1 2 3 4; do
        head -c 65536 /dev/urandom > "$WORK/long1/d$d/f$f.bin"
        cp "$WORK/long1/d$d/f$f.bin" "$WORK/long2/d$d/f$f.bin"
    done
done
write_definition "$WORK/long.vmp" "$WORK/long1" "$WORK/longbackup1" "$WORK/long2" \
    "$WORK/longbackup2"

# A stand-in crontab on PATH, and a process named cron for the scheduler to find running.
mkdir -p "$WORK/bin"
cat > "$WORK/bin/crontab" <<EOF
#!/bin/sh
case "\$1" in
-l) [ -f "$WORK/crontab.table" ] && exec cat "$WORK/crontab.table"
    echo "no crontab for tester" >&2; exit 1;;
-) cat > "$WORK/crontab.table";;
esac
EOF
chmod +x "$WORK/bin/crontab"
cp "$(command -v sleep)" "$WORK/bin/cron"
"$WORK/bin/cron" 600 &
CRON=$!
trap 'kill "$PID" "$CRON" 2>/dev/null || true; rm -rf "$WORK"' EXIT

PATH="$WORK/bin:$PATH" "$PROGRAM" &
PID=$!
wait_for 20 title_is 'Untitled - Velmoran' || fail "the main window did not appear"
WID=$(xdotool search --onlyvisible --name '^Untitled - Velmoran$' | head -1)

echo "from nothing: a new definition, an item added in the editor, saved under a name, backed up"
mkdir -p "$WORK/fresh/sub"
echo "fresh" > "$WORK/fresh/fresh.txt"
echo "deeper" > "$WORK/fresh/sub/deeper.txt"
keys alt+f n
keys alt+v a
wait_for 10 window_named 'バックアップ項目の編集' || fail "no item editor"
sleep 0.3
xdotool key alt+s
xdotool type --delay 10 "$WORK/fresh"
xdotool key alt+a
sleep 0.3
xdotool key alt+c
xdotool type --delay 10 "$WORK/freshbackup"
xdotool key Return
wait_for 10 bash -c "! xdotool search --onlyvisible --name 'バックアップ項目の編集' >/dev/null 2>&1" ||
    fail "the item editor did not close"
keys alt+f a
wait_for 10 window_named 'Velmoranバックアップ定義の保存' || fail "no save dialog"
xdotool type --delay 10 "$WORK/fresh.vmp"
xdotool key Return
wait_for 10 title_is "fresh.vmp - Velmoran" || fail "the definition was not saved under its name"
rm -f "$LOG"
keys alt+v e
wait_for 30 log_has 'バックアップ完了．' || fail "the backup of the new definition did not finish"
[ -f "$WORK/freshbackup/fresh/fresh.lzh" ] || fail "no archive of the new item's source"
[ -f "$WORK/freshbackup/fresh/sub/sub.lzh" ] || fail "no archive of its subdirectory"
# The saved definition reads back: a headless run of it finds the same item.
rm -rf "$WORK/freshbackup"
env -u DISPLAY -u WAYLAND_DISPLAY "$PROGRAM" "$WORK/fresh.vmp" /backup || fail "the saved definition did not run"
[ -f "$WORK/freshbackup/fresh/fresh.lzh" ] || fail "the saved definition lost its item"

echo "open a definition and run its backup from the menu"
open_definition "$WORK/small.vmp"
keys alt+v e
wait_for 30 log_has 'バックアップ完了．' || fail "the backup did not finish"
[ -f "$WORK/backup/small/small.lzh" ] || fail "no archive of the source directory"
[ -f "$WORK/backup/small/docs/old/old.lzh" ] || fail "no archive of a subdirectory"

echo "restore with 'overwrite newer files' chosen in the dialog"
rm "$WORK/small/docs/notes.txt"
echo "changed after the backup" > "$WORK/small/readme.txt"
rm -f "$LOG"
keys alt+v r
wait_for 10 window_named 'ファイル復元の確認' || fail "no restore options dialog"
xdotool key alt+o
sleep 0.3
xdotool key Return
wait_for 30 log_has '復元開始' || fail "the restore did not run"
[ "$(cat "$WORK/small/docs/notes.txt")" = "notes" ] || fail "deleted file not restored"
[ "$(cat "$WORK/small/readme.txt")" = "readme" ] || fail "newer file not overwritten"

echo "the file history: an older version of a changed file restored into a folder"
echo "readme, second version" > "$WORK/small/readme.txt"
touch -d '2024-02-01 12:00' "$WORK/small/readme.txt"
rm -f "$LOG"
keys alt+v e
wait_for 30 log_has 'バックアップ完了．' || fail "the second backup did not finish"
keys alt+v f
wait_for 10 window_named 'ファイルの履歴' || fail "no file-history dialog"
sleep 0.3
xdotool key ctrl+a
xdotool type --delay 10 "$WORK/small/readme.txt"
xdotool key Return
sleep 0.5
xdotool key Down
xdotool key alt+d
sleep 0.2
xdotool key Tab
xdotool type --delay 10 "$WORK/restored"
xdotool key Return
wait_for 10 test -f "$WORK/restored/readme.txt" || fail "the older version was not restored"
[ "$(cat "$WORK/restored/readme.txt")" = "readme" ] || fail "not the older version"
[ "$(cat "$WORK/small/readme.txt")" = "readme, second version" ] || fail "the file itself changed"
xdotool key Escape
wait_for 10 bash -c "! xdotool search --onlyvisible --name 'ファイルの履歴' >/dev/null 2>&1" ||
    fail "the file-history dialog did not close"

echo "schedule the backup: the schedule dialog, then the trigger dialog, both confirmed with Enter"
keys alt+o s
wait_for 10 window_named 'Velmoranのスケジュール' || fail "no schedule dialog"
sleep 0.3
xdotool key Return
wait_for 10 window_named 'タスクの実行日時' || fail "no trigger dialog after the schedule dialog"
sleep 0.3
xdotool key Return
wait_for 10 grep -qF "'$WORK/small.vmp' '/backup'" "$WORK/crontab.table" ||
    fail "no crontab line for the work item"
[ -f "$XDG_CONFIG_HOME/Tarn/Velmoran/tasks/Velmoranによるバックアップ.job" ] || fail "no work item file"

echo "stop a long run"
open_definition "$WORK/long.vmp"
rm -f "$LOG"
keys alt+v e
wait_for 60 test -d "$WORK/longbackup1/long1" || fail "the long run did not start"
keys alt+v s
wait_for 20 window_named '^Velmoran$' || fail "no stop question"
xdotool key alt+y
wait_for 60 log_has 'ユーザーによる中断．' || fail "the run did not stop"
[ ! -e "$WORK/longbackup2" ] || fail "the second item ran after the stop"
[ "$(find "$WORK/longbackup1" -name '*.lzh' | wc -l)" -lt 121 ] || fail "the first item ran to its end"

echo "exit through the File menu"
keys alt+f x
wait_for 10 bash -c "! kill -0 $PID 2>/dev/null" || fail "the program did not exit"
wait "$PID" || fail "exit status $?"
PID=
echo "PASS"
