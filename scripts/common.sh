# Shared by demo.sh and test.sh: installs missing Debian packages and builds Release into build/.
# Source it; it expects ROOT to be the project's root.

# Packages the build needs, and the peer tools that the tests check our archives with.
VELMORAN_BUILD_PACKAGES="cmake ninja-build g++ pkg-config qt6-base-dev libzip-dev zlib1g-dev
libgtest-dev libgmock-dev libbenchmark-dev libarchive-dev"
VELMORAN_TEST_PACKAGES="libarchive-tools lhasa 7zip unzip zip jlha-utils xvfb xauth xdotool
locales fonts-noto-cjk cron desktop-file-utils shared-mime-info libxml2-utils libglib2.0-bin
appstream lintian dpkg-dev file man-db gcab"

# Installs the packages among "$@" that are not installed yet (apt-get update once first).
install_missing() {
    local missing=()
    local p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
    fi
}

# Configures and builds Release into build/ (program at build/bin/velmoran).
build_release() {
    cmake -S "$ROOT" -B "$ROOT/build" -G Ninja -DCMAKE_BUILD_TYPE=Release
    cmake --build "$ROOT/build" -j "$(nproc)"
}
