#!/usr/bin/env bash
# LZH benchmark (wall time beside CPU time, a sync before each compression; -lh7- also on one
# thread, -jt1, whose archive must be the same bytes): builds a corpus of at least 100 MiB (generated text, C headers, Perl modules,
# documentation, shared libraries and programs), then in one run compresses it with our -lh5-
# and -lh7- and with "zip -6 -q -r", extracts our archives with our library and with lhasa, checks
# every extraction against the corpus and prints the figures side by side.
#
#   bench/lzh/run.sh [work directory]      (default /tmp/velmoran-lzh-bench)
#
# Needs a built tree (BUILD, default build/) with lzh_command and libunlha32.so in bin/, and zip
# and lhasa on the PATH. The corpus is kept between runs.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${BUILD:-$ROOT/build}
WORK=${1:-/tmp/velmoran-lzh-bench}
CMD=$BUILD/bin/lzh_command
CORPUS=$WORK/corpus
OUT=$WORK/out

for tool in zip lhasa; do
    command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 2; }
done
[ -x "$CMD" ] || { echo "build lzh_command first: cmake --build $BUILD --target lzh_command" >&2; exit 2; }

# Copies regular files found under $1 (sorted, find arguments $3...) into $CORPUS/$2 until $size
# bytes (the third argument) are copied.
copy_some() {
    local from=$1 to=$2 limit=$3
    shift 3
    local total=0 f size
    mkdir -p "$CORPUS/$to"
    while IFS= read -r f; do
        size=$(stat -c %s "$f")
        [ $((total + size)) -gt "$limit" ] && continue
        mkdir -p "$CORPUS/$to/$(dirname "${f#"$from"/}")"
        cp -p "$f" "$CORPUS/$to/${f#"$from"/}"
        total=$((total + size))
    done < <(find "$from" -type f "$@" 2>/dev/null | LC_ALL=C sort)
}

if [ ! -f "$WORK/corpus.done" ]; then
    rm -rf "$CORPUS"
    mkdir -p "$CORPUS"
    echo "Building the corpus in $CORPUS ..."
    MiB=$((1024 * 1024))
    copy_some /usr/include source/include $((40 * MiB))
    copy_some /usr/share/perl source/perl $((15 * MiB))
    copy_some /usr/share/doc text/doc $((8 * MiB)) ! -name '*.gz'
    copy_some /usr/share/common-licenses text/licenses $((1 * MiB))
    copy_some /usr/lib/x86_64-linux-gnu binary/lib $((32 * MiB)) -name '*.so*'
    copy_some /usr/bin binary/bin $((10 * MiB))
    # Generated prose: words of the licenses in random order, with line breaks.
    tr -cs 'A-Za-z' '\n' < <(cat /usr/share/common-licenses/*) | sort -u > "$WORK/words"
    awk -v seed=42 'BEGIN { srand(seed) } { w[NR] = $0 } END {
        for (f = 0; f < 12; f++) {
            file = sprintf("'"$CORPUS"'/text/generated/prose%02d.txt", f); line = "";
            for (i = 0; i < 230000; i++) {
                line = line w[int(rand() * NR) + 1] " ";
                if (length(line) > 70) { print line > file; line = "" }
            }
            close(file)
        } }' <(mkdir -p "$CORPUS/text/generated"; cat "$WORK/words")
    touch "$WORK/corpus.done"
fi
CORPUS_BYTES=$(du -sb "$CORPUS" | cut -f1)
CORPUS_FILES=$(find "$CORPUS" -type f | wc -l)
# Read the corpus once so every tool starts with it in the page cache.
find "$CORPUS" -type f -exec cat {} + > /dev/null

rm -rf "$OUT"
mkdir -p "$OUT"
# Wall time and CPU time (user + system) of a command, the machine being shared.
declare -A SECONDS_OF CPU_OF SIZE_OF RSS_OF
timed() { # label command...
    local label=$1 times
    shift
    times=$( { TIMEFORMAT='%R %U %S'; time "$@" > "$WORK/last.out"; } 2>&1 )
    SECONDS_OF[$label]=$(awk '{ printf "%.2f", $1 }' <<<"$times")
    CPU_OF[$label]=$(awk '{ printf "%.2f", $2 + $3 }' <<<"$times")
}
ours() { # label command
    timed "$1" "$CMD" "$2"
    RSS_OF[$1]=$(sed 's/.*maxrss_kib=//' "$WORK/last.out")
}

echo "Compressing ..."
sync
ours lh5 "a -jm5 -a1 -r1 -- \"$OUT/lh5.lzh\" \"$CORPUS/\" \"*\""
ours lh7 "a -jm7 -a1 -r1 -- \"$OUT/lh7.lzh\" \"$CORPUS/\" \"*\""
sync
ours lh7-1 "a -jm7 -jt1 -a1 -r1 -- \"$OUT/lh7-1.lzh\" \"$CORPUS/\" \"*\""
cmp -s "$OUT/lh7.lzh" "$OUT/lh7-1.lzh" || { echo "the archive depends on the thread count" >&2; exit 1; }
sync
timed zip bash -c "cd '$CORPUS' && exec zip -6 -q -r '$OUT/corpus.zip' ."
SIZE_OF[lh5]=$(stat -c %s "$OUT/lh5.lzh")
SIZE_OF[lh7]=$(stat -c %s "$OUT/lh7.lzh")
SIZE_OF[zip]=$(stat -c %s "$OUT/corpus.zip")

echo "Extracting ..."
for m in lh5 lh7; do
    mkdir -p "$OUT/ours-$m" "$OUT/lhasa-$m"
    ours "x-ours-$m" "x -c1 -- \"$OUT/$m.lzh\" \"$OUT/ours-$m/\""
    timed "x-lhasa-$m" bash -c "cd '$OUT/lhasa-$m' && exec lhasa xq '$OUT/$m.lzh'"
done

echo "Checking the extracted trees ..."
for d in ours-lh5 lhasa-lh5 ours-lh7 lhasa-lh7; do
    diff -r "$CORPUS" "$OUT/$d" > /dev/null || { echo "MISMATCH in $d" >&2; exit 1; }
done

mib() { awk -v n="$1" 'BEGIN { printf "%.1f", n / 1048576 }'; }
echo
echo "Corpus: $CORPUS_FILES files, $(mib "$CORPUS_BYTES") MiB;" \
    "archiver threads: ${VELMORAN_ARCHIVER_THREADS:-one per core} (cores: $(nproc))"
row() { # label bytes ratio key
    printf '%-22s %12s %7s %9s %9s %12s\n' "$1" "$2" "$3" "${SECONDS_OF[$4]}" "${CPU_OF[$4]}" \
        "${RSS_OF[$4]:+${RSS_OF[$4]} KiB}"
}
printf '%-22s %12s %7s %9s %9s %12s\n' "" "bytes" "ratio" "wall s" "CPU s" "peak RSS"
for m in lh5 lh7 zip; do
    ratio=$(awk -v a="${SIZE_OF[$m]}" -v b="$CORPUS_BYTES" 'BEGIN { printf "%.1f%%", a * 100 / b }')
    label="compress -$m-"
    [ "$m" = zip ] && label="compress zip -6"
    row "$label" "${SIZE_OF[$m]}" "$ratio" "$m"
done
row "compress -lh7-, -jt1" "" "" "lh7-1"
for m in lh5 lh7; do
    row "extract -$m-, ours" "" "" "x-ours-$m"
    row "extract -$m-, lhasa" "" "" "x-lhasa-$m"
done
echo
size_ok=$([ "${SIZE_OF[lh7]}" -le "${SIZE_OF[zip]}" ] && echo yes || echo NO)
time_ok=$(awk -v a="${CPU_OF[lh7]}" -v b="${CPU_OF[zip]}" 'BEGIN { print (a <= 1.5 * b) }')
x_ok=$(awk -v a="${CPU_OF[x-ours-lh7]}" -v b="${CPU_OF[x-lhasa-lh7]}" 'BEGIN { print (a <= b) }')
echo "Goals (times compared as CPU time): -lh7- no larger than zip: $size_ok;" \
     "-lh7- time <= 1.5 x zip: $([ "$time_ok" = 1 ] && echo yes || echo NO);" \
     "extraction at least as fast as lhasa: $([ "$x_ok" = 1 ] && echo yes || echo NO)"
