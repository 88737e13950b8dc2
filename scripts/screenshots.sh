#!/usr/bin/env bash
# Renders every window to PNG under a virtual X server, with a Japanese font installed, into
# build/screenshots/ (one file named after each window), and reports texts cut off by their
# widgets.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export ROOT
source "$ROOT/scripts/common.sh"

# shellcheck disable=SC2086
install_missing $VELMORAN_BUILD_PACKAGES xvfb xauth fonts-noto-cjk
build_release
OUT=$ROOT/build/screenshots
rm -rf "$OUT"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
# The program's own settings and state stay out of the user's.
env -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$WORK/config" \
    XDG_STATE_HOME="$WORK/state" XDG_CACHE_HOME="$WORK/cache" XDG_DATA_HOME="$WORK/data" \
    xvfb-run -a -s "-screen 0 1280x1024x24" "$ROOT/build/bin/velmoran_screenshots" "$OUT"
echo "screenshots in $OUT"
