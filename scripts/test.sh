#!/usr/bin/env bash
# Installs what is missing, builds Release into build/ and runs every test.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/common.sh"

# shellcheck disable=SC2086
install_missing $VELMORAN_BUILD_PACKAGES $VELMORAN_TEST_PACKAGES
build_release

# Tests run without a display unless a test starts its own.
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=offscreen
cd "$ROOT/build"
ctest --output-on-failure -j "$(nproc)"
