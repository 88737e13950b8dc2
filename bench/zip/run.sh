#!/bin/bash
# Runs the ZIP benchmark: builds the Release libraries and zip_bench, makes the corpus once
# (kept in $VMZIP_BENCH_DIR, default /tmp/vmzip-bench) and compares with zip and unzip.
# Argument: the number of runs per step (best of, default 3). Creating 8000 files costs the
# same system time for both extractors and varies a lot on a busy disk; with
# VMZIP_BENCH_DIR=/dev/shm/vmzip-bench the figures show the work of the tools themselves.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${VMZIP_BUILD_DIR:-$root/build}
work=${VMZIP_BENCH_DIR:-/tmp/vmzip-bench}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target zip_bench
"$root/bench/zip/make_corpus.sh" "$work/corpus"
"$build/bin/zip_bench" "$work/corpus" "$work/run" "${1:-3}"
