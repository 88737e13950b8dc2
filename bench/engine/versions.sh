#!/usr/bin/env bash
# The kept versions of one file (/versions) in a directory with HISTORY history archives
# (default 200, one per backup, each holding the version that backup replaced, among 50 other
# files of the directory), in ZIP and in LHA mode, against what a user does without it: the
# peer listers run over every archive of the directory, one process per archive ("unzip -l",
# "lhasa l"), filtered for the file. ROUNDS alternating rounds (default 3), a sync before every
# timing; wall time beside CPU time (user + system) and the ratios to the peers.
#
#   bench/engine/versions.sh     BUILD=dir (default build/), ROUNDS=n, HISTORY=n, TMPDIR=where
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${BUILD:-$ROOT/build}
ROUNDS=${ROUNDS:-3}
HISTORY=${HISTORY:-200}

for tool in unzip lhasa; do
    command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 2; }
done
BENCH_NAME=versions
# shellcheck source=bench/engine/common.sh
source "$ROOT/bench/engine/common.sh"

SRC=$WORK/src/docs
mkdir -p "$SRC"
for i in $(seq 1 50); do
    seq "$i" 4000 > "$SRC/other$i.txt"
done
# Backups that each change the file once (its time one day later each time).
history() { # archiver type, destination
    settings "$1"
    "$BENCH" definition "$WORK/$1.vmp" "$SRC" "$2"
    local n line
    for ((n = 0; n <= HISTORY; n++)); do
        seq "$n" 20000 > "$SRC/plan.txt"
        touch -d "@$((1577872800 + n * 86400))" "$SRC/plan.txt"
        line=$(program "$WORK/$1.vmp" /backup)
        check "$line" "$1 backup $n"
    done
}
echo "Making $HISTORY versions (ZIP, LHA) ..."
history atZip "$WORK/dest-zip"
history atLha "$WORK/dest-lha"
find "$WORK" -name '*.zip' -o -name '*.lzh' | xargs cat > /dev/null # into the page cache

ours() { # archiver type: prints "wall cpu"
    settings "$1"
    sync
    local line count
    line=$(program "$WORK/$1.vmp" /versions "$SRC/plan.txt")
    check "$line" "$1 versions"
    # engine_bench discards the output: count the versions in a second, untimed run.
    count=$(cd "$HOME_DIR" && env -u DISPLAY -u WAYLAND_DISPLAY HOME="$HOME_DIR" \
        XDG_CONFIG_HOME="$HOME_DIR/config" XDG_STATE_HOME="$HOME_DIR/state" \
        XDG_CACHE_HOME="$HOME_DIR/cache" "$PROGRAM" "$WORK/$1.vmp" /versions "$SRC/plan.txt" |
        wc -l)
    [ "$count" = $((HISTORY + 1)) ] || { echo "$1: $count versions listed" >&2; exit 1; }
    awk '{ print $1, $2 }' <<<"$line"
}
peer() { # destination, suffix, list command...: prints "wall cpu"
    local dest=$1 suffix=$2
    shift 2
    sync
    local line
    line=$("$BENCH" run sh -c 'for a in "$0"/docs/*."$1"; do "$2" "$3" "$a"; done |
        grep -c plan.txt' "$dest" "$suffix" "$@")
    awk '{ print $1, $2 }' <<<"$line"
}

: > "$WORK/rounds"
for ((r = 1; r <= ROUNDS; r++)); do
    echo "Round $r of $ROUNDS ..."
    unz=$(peer "$WORK/dest-zip" zip unzip -l)
    zipv=$(ours atZip)
    lha=$(peer "$WORK/dest-lha" lzh lhasa l)
    lhav=$(ours atLha)
    echo "$unz $zipv $lha $lhav" >> "$WORK/rounds"
done

echo
printf '%d versions of one file among %d archives of its directory\n' $((HISTORY + 1)) \
    "$(find "$WORK/dest-zip" -name '*.zip' | wc -l)"
printf '%-6s %-14s %8s %8s %10s %9s %8s %7s\n' "round" "" "wall s" "CPU s" "peer" "peer wall" \
    "peer CPU" "wall x"
awk '{
    printf "%-6d %-14s %8.2f %8.2f %10s %9.2f %8.2f %7.2f\n", NR, "ZIP /versions", $3, $4,
           "unzip -l", $1, $2, $3 / $1
    printf "%-6d %-14s %8.2f %8.2f %10s %9.2f %8.2f %7.2f\n", NR, "LHA /versions", $7, $8,
           "lhasa l", $5, $6, $7 / $5
}' "$WORK/rounds"
