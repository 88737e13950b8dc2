#!/bin/bash
# Runs the pattern-list benchmark: builds patterns_bench in Release and matches 1,000,000
# generated names (first argument) in the best of 5 rounds (second argument).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${VMPATTERNS_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target patterns_bench
"$build/bin/patterns_bench" "${1:-1000000}" "${2:-5}"
