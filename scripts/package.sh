#!/usr/bin/env bash
# Builds the Debian package build/package/velmoran_VERSION_ARCH.deb (installs what is missing,
# builds Release first). Install it with: apt install ./build/package/velmoran_*.deb
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export ROOT
source "$ROOT/scripts/common.sh"

# shellcheck disable=SC2086
install_missing $VELMORAN_BUILD_PACKAGES dpkg-dev file
build_release
rm -rf "$ROOT/build/package"
(cd "$ROOT/build" && cpack -G DEB)
ls "$ROOT"/build/package/velmoran_*.deb
