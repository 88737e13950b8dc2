#!/usr/bin/env bash
# Verify of the backup of a 100 MiB mixed tree (C headers, documentation, shared libraries,
# Python sources), in ZIP and in LHA mode, against the peer testers run over the same archives
# the backup made: "unzip -tq" and "lhasa t", one process per archive. ROUNDS alternating
# rounds (default 3), a sync before every timing (the archives stay in the page cache: the
# timings compare decompression and checking, not the disk; the peers also pay one process
# start per archive, as a script over a backup would). Shows wall time beside CPU time
# (user + system), the peak memory of our run, and the ratios to the peers.
#
#   bench/engine/verify.sh     BUILD=dir (default build/), ROUNDS=n, TMPDIR=where
# Needs about 300 MiB below $TMPDIR (removed at the end), unzip and lhasa on the PATH.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${BUILD:-$ROOT/build}
ROUNDS=${ROUNDS:-3}

for tool in unzip lhasa; do
    command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 2; }
done
BENCH_NAME=verify
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

# One backup per format, each into its own destination.
backup() { # archiver type, destination
    settings "$1"
    "$BENCH" definition "$WORK/$1.vmp" "$CORPUS" "$2"
    local line
    line=$(program "$WORK/$1.vmp" /backup)
    check "$line" "$1 backup"
}
echo "Backing up (ZIP, LHA) ..."
backup atZip "$WORK/dest-zip"
backup atLha "$WORK/dest-lha"
zip_archives=$(find "$WORK/dest-zip" -name '*.zip' | wc -l)
lha_archives=$(find "$WORK/dest-lha" -name '*.lzh' | wc -l)
find "$WORK" -name '*.zip' -o -name '*.lzh' | xargs cat > /dev/null # into the page cache

ours() { # archiver type: prints "wall cpu rss"
    settings "$1"
    sync
    local line
    line=$(program "$WORK/$1.vmp" /verify)
    check "$line" "$1 verify"
    awk '{ print $1, $2, $3 }' <<<"$line"
}
peer() { # destination, suffix, test command...: prints "wall cpu"
    local dest=$1 suffix=$2
    shift 2
    sync
    local line
    line=$("$BENCH" run sh -c 'find "$0" -name "*.$1" -print0 | sort -z |
        { shift 2; xargs -0 -r -n1 "$@"; }' "$dest" "$suffix" x "$@")
    [ "$(awk '{ print $4 }' <<<"$line")" = 0 ] || { echo "peer $* failed" >&2; exit 1; }
    awk '{ print $1, $2 }' <<<"$line"
}

: > "$WORK/rounds"
for ((r = 1; r <= ROUNDS; r++)); do
    echo "Round $r of $ROUNDS ..."
    unz=$(peer "$WORK/dest-zip" zip unzip -tq)
    zipv=$(ours atZip)
    lha=$(peer "$WORK/dest-lha" lzh lhasa t)
    lhav=$(ours atLha)
    echo "$unz $zipv $lha $lhav" >> "$WORK/rounds"
done

echo
printf 'Tree: %.1f MiB in %d files; %d ZIP and %d LHA archives\n' \
    "$(awk -v b="$tree_bytes" 'BEGIN { print b / 1048576 }')" "$tree_files" "$zip_archives" \
    "$lha_archives"
echo
printf '%-6s %-12s %8s %8s %9s %10s %8s %7s %7s\n' "round" "" "wall s" "CPU s" "RSS KiB" \
    "peer" "peer wall" "wall x" "CPU x"
awk '{
    printf "%-6d %-12s %8.2f %8.2f %9d %10s %8.2f %7.2f %7.2f\n", NR, "ZIP verify", $3, $4, $5,
           "unzip -tq", $1, $3 / $1, $4 / $2
    printf "%-6d %-12s %8.2f %8.2f %9d %10s %8.2f %7.2f %7.2f\n", NR, "LHA verify", $8, $9, $10,
           "lhasa t", $6, $8 / $6, $9 / $7
}' "$WORK/rounds"
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
printf '\nMedian wall ratio: ZIP %.2f x unzip -tq, LHA %.2f x lhasa t\n' \
    "$(awk '{ print $3 / $1 }' "$WORK/rounds" | median)" \
    "$(awk '{ print $8 / $6 }' "$WORK/rounds" | median)"
