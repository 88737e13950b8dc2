#!/bin/bash
# Checks ZIP64 by hand (too slow for the tests): a member of 4.5 GiB (a sparse file, deflated)
# and, with --big-archive, an archive over 4 GiB (the same file stored, then a small member
# behind it). Each archive is listed and tested with unzip, 7zz and ours, and the small
# member is extracted byte-exact. Needs zip_cmd (bench/zip) built into $VMZIP_BUILD_DIR.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${VMZIP_BUILD_DIR:-$root/build}
work=${VMZIP_BENCH_DIR:-/tmp/vmzip-bench}/zip64
cmake --build "$build" -j2 --target zip_cmd >/dev/null
rm -rf "$work" && mkdir -p "$work/src"
truncate -s 4608M "$work/src/huge.bin"
printf 'small member behind the huge one\n' > "$work/src/small.txt"

check() {
    local arc=$1
    echo "== $arc ($(stat -c %s "$arc") bytes)"
    unzip -l "$arc" | tail -4
    unzip -tq "$arc"
    7zz t "$arc" | grep -E "^Everything is Ok|Error" || true
    "$build/bin/zip_cmd" unzip "-t -q \"$arc\""
    "$build/bin/zip_cmd" unzip "-x -o \"$arc\" \"$work/out/\" \"small.txt\""
    cmp "$work/src/small.txt" "$work/out/small.txt" && echo "small.txt extracted byte-exact"
    rm -rf "$work/out"
}

time "$build/bin/zip_cmd" zip " -S -D -q -o  \"$work/deflated.zip\" \"$work/src/\" \"huge.bin\" \"small.txt\""
check "$work/deflated.zip"
if [ "${1:-}" = "--big-archive" ]; then
    time "$build/bin/zip_cmd" zip " -S -D -q -o -0  \"$work/stored.zip\" \"$work/src/\" \"huge.bin\" \"small.txt\""
    check "$work/stored.zip"
fi
rm -rf "$work"
