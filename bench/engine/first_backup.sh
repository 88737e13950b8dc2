#!/usr/bin/env bash
# First backups of a 100 MiB mixed tree (C headers, documentation, shared libraries, Python
# sources), in ZIP and in LHA mode, against "zip -r -q -6" of the same tree into one archive,
# all in one run: ROUNDS alternating rounds (default 4), a sync before every timing. Shows wall
# time beside CPU time (user + system), the ratios on both, the median wall ratio of the
# rounds (the goals are judged on it: ZIP <= 0.7 x, LHA <= 0.8 x), the thread count the
# archiver libraries used, and the archive sizes, also those made with one thread (the
# libraries' output does not depend on the thread count, so the sizes must agree).
#
#   bench/engine/first_backup.sh     BUILD=dir (default build/), ROUNDS=n, TMPDIR=where,
#                                    VELMORAN_ARCHIVER_THREADS=n (default: one per core)
# Needs about 400 MiB below $TMPDIR (removed at the end) and zip on the PATH.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${BUILD:-$ROOT/build}
ROUNDS=${ROUNDS:-4}
THREADS=${VELMORAN_ARCHIVER_THREADS:-$(nproc)}
export VELMORAN_ARCHIVER_THREADS=$THREADS

command -v zip >/dev/null || { echo "zip is missing" >&2; exit 2; }
BENCH_NAME=first-backup
# shellcheck source=bench/engine/common.sh
source "$ROOT/bench/engine/common.sh"

echo "Building the tree ..."
CORPUS=$WORK/tree
MiB=$((1024 * 1024))
copy_some /usr/include include $((38 * MiB)) \( -name '*.h' -o -name '*.hpp' \)
copy_some /usr/share/doc doc $((7 * MiB)) ! -name '*.gz'
copy_some /usr/lib/x86_64-linux-gnu lib $((35 * MiB)) -name '*.so*'
copy_some /usr/lib/python3 python $((20 * MiB)) -name '*.py'
tree_bytes=$(du -sb "$CORPUS" | cut -f1)
tree_files=$(find "$CORPUS" -type f | wc -l)
tree_dirs=$(find "$CORPUS" -mindepth 1 -type d | wc -l)
find "$CORPUS" -type f -exec cat {} + > /dev/null # into the page cache
"$BENCH" definition "$WORK/b.vmp" "$CORPUS" "$WORK/dest"

# One timing after a sync: prints "wall cpu".
zip_backup() { # threads
    rm -rf "$WORK/dest"
    settings atZip
    sync
    local line
    line=$(VELMORAN_ARCHIVER_THREADS=$1 program "$WORK/b.vmp" /backup)
    check "$line" "ZIP backup"
    awk '{ print $1, $2 }' <<<"$line"
}
lha_backup() { # threads
    rm -rf "$WORK/dest"
    settings atLha
    sync
    local line
    line=$(VELMORAN_ARCHIVER_THREADS=$1 program "$WORK/b.vmp" /backup)
    check "$line" "LHA backup"
    awk '{ print $1, $2 }' <<<"$line"
}
peer_zip() {
    rm -f "$WORK/peer.zip"
    sync
    "$BENCH" run sh -c 'cd "$0" && exec zip -r -q -6 "$1" .' "$CORPUS" "$WORK/peer.zip" |
        awk '{ print $1, $2 }'
}
archive_bytes() { # suffix
    find "$WORK/dest" -name "*.$1" -printf '%s\n' | awk '{ t += $1 } END { print t + 0 }'
}

: > "$WORK/rounds"
for ((r = 1; r <= ROUNDS; r++)); do
    echo "Round $r of $ROUNDS ..."
    peer=$(peer_zip)
    zipt=$(zip_backup "$THREADS")
    zip_bytes=$(archive_bytes zip)
    lhat=$(lha_backup "$THREADS")
    lha_bytes=$(archive_bytes lzh)
    echo "$peer $zipt $lhat" >> "$WORK/rounds"
done
# The same backups on one thread, once, for their sizes and times.
zip1=$(zip_backup 1)
zip1_bytes=$(archive_bytes zip)
lha1=$(lha_backup 1)
lha1_bytes=$(archive_bytes lzh)
peer_bytes=$(stat -c %s "$WORK/peer.zip")

echo
printf 'Tree: %.1f MiB in %d files and %d directories; archiver threads: %s (cores: %d)\n' \
    "$(awk -v b="$tree_bytes" 'BEGIN { print b / 1048576 }')" "$tree_files" "$tree_dirs" \
    "$THREADS" "$(nproc)"
echo
printf '%-6s %-22s %8s %8s %8s %8s %7s %7s\n' "round" "" "wall s" "CPU s" "zip wall" "zip CPU" \
    "wall x" "CPU x"
awk '{
    printf "%-6d %-22s %8.2f %8.2f %8.2f %8.2f %7.2f %7.2f\n", NR, "ZIP first backup", $3, $4, $1, $2,
           $3 / $1, $4 / $2
    printf "%-6d %-22s %8.2f %8.2f %8.2f %8.2f %7.2f %7.2f\n", NR, "LHA first backup", $5, $6, $1, $2,
           $5 / $1, $6 / $2
}' "$WORK/rounds"
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
zip_ratio=$(awk '{ print $3 / $1 }' "$WORK/rounds" | median)
lha_ratio=$(awk '{ print $5 / $1 }' "$WORK/rounds" | median)
peer_wall=$(awk '{ print $1 }' "$WORK/rounds" | median)
echo
printf 'One thread (once): ZIP wall %s CPU %s, LHA wall %s CPU %s  (zip -6 median wall %s)\n' \
    $zip1 $lha1 "$peer_wall"
printf 'Median wall ratio: ZIP %.2f x (goal <= 0.70: %s), LHA %.2f x (goal <= 0.80: %s)\n' \
    "$zip_ratio" "$(awk -v r="$zip_ratio" 'BEGIN { print (r <= 0.7 ? "met" : "MISSED") }')" \
    "$lha_ratio" "$(awk -v r="$lha_ratio" 'BEGIN { print (r <= 0.8 ? "met" : "MISSED") }')"
printf 'Archive bytes: ZIP %d (one thread %d), LHA %d (one thread %d), zip -6 %d\n' \
    "$zip_bytes" "$zip1_bytes" "$lha_bytes" "$lha1_bytes" "$peer_bytes"
[ "$zip_bytes" = "$zip1_bytes" ] && [ "$lha_bytes" = "$lha1_bytes" ] ||
    { echo "the archive sizes depend on the thread count" >&2; exit 1; }
