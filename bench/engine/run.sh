#!/usr/bin/env bash
# Engine benchmarks, each against its peer in the same run (by hand, never a test):
#   1. scan: the walk of a backup pass (per directory one ScanFiles and one ScanDirs) over
#      100,000 files in 5,000 directories, against find over the same tree (goal <= 1.3 x);
#   2. a no-change second backup (LHA, listing cache on) of 20,000 files in 2,000 directories,
#      against find over the source and destination trees (goal <= 2 x);
#   3. a first backup in ZIP mode of a 100 MiB mixed tree against "zip -r -q" of the same tree
#      into one archive (goal <= 1.25 x);
#   4. the peak memory (max RSS) of a first backup of 100,000 files (LHA);
#   5. first backups of 2,500 and 5,000 files in one directory, to show how the time grows.
# Times are the best of REPS runs (default 3) with warm caches; ratios and goals are judged on
# CPU time (user + system) because the machine is shared; wall times are shown beside them.
#
#   bench/engine/run.sh            BUILD=dir (default build-bench/), REPS=n, TMPDIR=where
# First backups in ZIP and LHA mode judged on wall time, against zip -6 in alternating rounds
# after a sync, with the archiver libraries' thread count: bench/engine/first_backup.sh.
# Needs about 1 GiB below $TMPDIR (removed at the end) and zip and find on the PATH.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${BUILD:-$ROOT/build-bench}
REPS=${REPS:-3}

for tool in zip find; do
    command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 2; }
done
# shellcheck source=bench/engine/common.sh
source "$ROOT/bench/engine/common.sh"
# Best (smallest) wall and CPU time over lines "wall cpu ...".
best_of() { awk 'NR == 1 || $1 < w { w = $1 } NR == 1 || $2 < c { c = $2 } END { print w, c }'; }

declare -a ROWS
row() { # name ours-wall ours-cpu peer-wall peer-cpu goal (empty: a reference row)
    ROWS+=("$(awk -v n="$1" -v ow="$2" -v oc="$3" -v pw="$4" -v pc="$5" -v g="$6" 'BEGIN {
        rw = ow / pw; rc = oc / pc
        if (g == "") { printf "%-34s %8.3f %8.3f %8.3f %8.3f %7.2f %7.2f %6s  %s\n", n, ow, oc, pw,
                              pc, rw, rc, "-", "(reference)"; exit }
        printf "%-34s %8.3f %8.3f %8.3f %8.3f %7.2f %7.2f %6.2f  %s\n", n, ow, oc, pw, pc, rw, rc,
               g, (rc <= g ? "met" : "MISSED") (rw <= g ? "" : " (wall: missed)") }')")
}
NOTES=()

echo "== 1. Scan: 100,000 files in 5,000 directories"
"$BENCH" tree "$WORK/t100k" 100000 5000 0 2000 1
scan=$("$BENCH" scan "$WORK/t100k" "$REPS")
echo "$scan"
get() { awk -v k="$1" '$1 == k { print $2, $3 }' <<<"$scan"; }
found=$(find "$WORK/t100k" -mindepth 1 -type f | wc -l)
[ "$(get scan_files | cut -d' ' -f1)" = "$found" ] || { echo "scan found other files" >&2; exit 1; }
read -r ow oc <<<"$(get scan_ours)"
read -r fw fc <<<"$(get scan_find)"
read -r sw sc <<<"$(get scan_find_stat)"
row "scan vs find" "$ow" "$oc" "$fw" "$fc" 1.3
row "  vs find -printf (stat)" "$ow" "$oc" "$sw" "$sc" ""

echo "== 4. Peak memory: first backup of the same 100,000 files (LHA)"
settings atLha
"$BENCH" definition "$WORK/m.vmp" "$WORK/t100k" "$WORK/d100k"
mem=$(program "$WORK/m.vmp" /backup)
check "$mem" "first backup of 100,000 files"
echo "$mem"
archives=$(find "$WORK/d100k" -name '*.lzh' | wc -l)
NOTES+=("$(awk -v a="$archives" '{ printf "first backup of 100,000 files (LHA, %d archives): " \
    "max RSS %.1f MiB, wall %.1f s, CPU %.1f s", a, $3 / 1024, $1, $2 }' <<<"$mem")")
rm -rf "$WORK/t100k" "$WORK/d100k"

echo "== 2. No-change backup: 20,000 files in 2,000 directories (LHA, listing cache)"
"$BENCH" tree "$WORK/t20k" 20000 2000 0 2000 2
"$BENCH" definition "$WORK/n.vmp" "$WORK/t20k" "$WORK/d20k"
check "$(program "$WORK/n.vmp" /backup)" "first backup"
# The second run makes the destination's lock file; the timed runs start after it.
check "$(program "$WORK/n.vmp" /backup)" "warm-up backup"
touch "$WORK/after-warm-up"
sleep 1
: > "$WORK/ours" && : > "$WORK/peer" && : > "$WORK/peer-stat"
for ((r = 0; r < REPS; r++)); do
    line=$(program "$WORK/n.vmp" /backup)
    check "$line" "no-change backup"
    echo "$line" >> "$WORK/ours"
    "$BENCH" run find "$WORK/t20k" "$WORK/d20k" >> "$WORK/peer"
    "$BENCH" run find "$WORK/t20k" "$WORK/d20k" -printf '%s %T@ %m\n' >> "$WORK/peer-stat"
done
# No archive may change; rewritten listing caches are counted (and their directories).
archives=$(find "$WORK/d20k" -newer "$WORK/after-warm-up" -name '*.lzh' | wc -l)
[ "$archives" = 0 ] || { echo "a no-change backup wrote $archives archives" >&2; exit 1; }
rewritten=$(find "$WORK/d20k" -newer "$WORK/after-warm-up" -name '*.lst' | wc -l)
NOTES+=("no-change backup: no archive written; listing caches rewritten: $rewritten")
read -r ow oc <<<"$(best_of < "$WORK/ours")"
read -r fw fc <<<"$(best_of < "$WORK/peer")"
row "no-change backup vs find src dst" "$ow" "$oc" "$fw" "$fc" 2
read -r sw sc <<<"$(best_of < "$WORK/peer-stat")"
row "  vs find src dst -printf (stat)" "$ow" "$oc" "$sw" "$sc" ""
rm -rf "$WORK/t20k" "$WORK/d20k"

echo "== 5. First backup of one large directory (LHA): how the time grows with its size"
for n in 2500 5000; do
    "$BENCH" tree "$WORK/flat$n" "$n" 1 0 2000 3
    "$BENCH" definition "$WORK/f.vmp" "$WORK/flat$n" "$WORK/df"
    line=$(program "$WORK/f.vmp" /backup)
    check "$line" "first backup of $n files in one directory"
    echo "$line"
    NOTES+=("$(awk -v n="$n" '{ printf "first backup of %d files in one directory (LHA): wall %.1f s, " \
        "CPU %.1f s", n, $1, $2 }' <<<"$line")")
    rm -rf "$WORK/flat$n" "$WORK/df"
done

echo "== 3. First backup in ZIP mode of a 100 MiB mixed tree"
CORPUS=$WORK/mixed
MiB=$((1024 * 1024))
for i in $(seq 1 30); do
    mkdir -p "$CORPUS/text/part$((i % 3))"
    "$BENCH" text "$CORPUS/text/part$((i % 3))/notes$i.txt" $MiB "$i"
done
copy_some /usr/include source/include $((35 * MiB)) \( -name '*.h' -o -name '*.hpp' -o -name '*.c' \)
copy_some /usr/lib/x86_64-linux-gnu binary/lib $((25 * MiB)) -name '*.so*'
copy_some /usr/bin binary/bin $((10 * MiB))
corpus_bytes=$(du -sb "$CORPUS" | cut -f1)
corpus_files=$(find "$CORPUS" -type f | wc -l)
corpus_dirs=$(find "$CORPUS" -mindepth 1 -type d | wc -l)
find "$CORPUS" -type f -exec cat {} + > /dev/null # into the page cache
settings atZip
"$BENCH" definition "$WORK/z.vmp" "$CORPUS" "$WORK/dz"
: > "$WORK/ours" && : > "$WORK/peer"
for ((r = 0; r < REPS; r++)); do
    rm -rf "$WORK/dz" "$WORK/peer.zip"
    line=$(program "$WORK/z.vmp" /backup)
    check "$line" "ZIP backup"
    echo "$line" >> "$WORK/ours"
    "$BENCH" run sh -c 'cd "$0" && exec zip -r -q "$1" .' "$CORPUS" "$WORK/peer.zip" >> "$WORK/peer"
done
ours_bytes=$(find "$WORK/dz" -name '*.zip' -printf '%s\n' | awk '{ t += $1 } END { print t }')
peer_bytes=$(stat -c %s "$WORK/peer.zip")
read -r ow oc <<<"$(best_of < "$WORK/ours")"
read -r fw fc <<<"$(best_of < "$WORK/peer")"
row "ZIP first backup vs zip -r -q" "$ow" "$oc" "$fw" "$fc" 1.25
NOTES+=("$(awk -v b="$corpus_bytes" -v f="$corpus_files" -v d="$corpus_dirs" -v o="$ours_bytes" \
    -v p="$peer_bytes" 'BEGIN { printf "mixed tree: %.1f MiB in %d files and %d directories; " \
    "our ZIP archives %.1f MiB in all, zip'"'"'s archive %.1f MiB", b / 1048576, f, d, o / 1048576,
    p / 1048576 }')")

echo
printf '%-34s %8s %8s %8s %8s %7s %7s %6s  %s\n' "" "ours" "ours" "peer" "peer" "ratio" "ratio" \
    "goal" ""
printf '%-34s %8s %8s %8s %8s %7s %7s %6s  %s\n' "" "wall s" "CPU s" "wall s" "CPU s" "wall" "CPU" \
    "(CPU)" ""
printf '%s\n' "${ROWS[@]}"
printf '%s\n' "${NOTES[@]}"
