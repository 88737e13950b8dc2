# What the engine benchmarks share (sourced by run.sh, first_backup.sh, verify.sh and
# versions.sh, with ROOT and BUILD set): builds the program and engine_bench, makes $WORK
# (removed at the end) with a private home below it, and gives the helpers that run the
# program headless there.
if [ -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$BUILD" >/dev/null # picks up new folders, keeps the settings
else
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$BUILD" -j2 --target engine_bench velmoran unlha32 velmoran_unzip32 velmoran_zip32j \
    >/dev/null
BENCH=$BUILD/bin/engine_bench
PROGRAM=$BUILD/bin/velmoran

WORK=$(mktemp -d "${TMPDIR:-/tmp}/velmoran-${BENCH_NAME:-engine-bench}.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

# Runs the program headless with private settings and log below $WORK/home; prints
# "wall cpu maxrss-KiB status" (engine_bench run discards the command's standard output).
# Stderr goes to $WORK/home/stderr.txt.
HOME_DIR=$WORK/home
mkdir -p "$HOME_DIR/config/Tarn" "$HOME_DIR/state" "$HOME_DIR/cache" "$HOME_DIR/etc"
settings() { # archiver type: atLha or atZip
    printf '[Options]\nArchiverType=%s\n' "$1" > "$HOME_DIR/config/Tarn/Velmoran.conf"
}
program() { # arguments... (VELMORAN_ARCHIVER_THREADS, when set, reaches the libraries)
    (cd "$HOME_DIR" && "$BENCH" run env -u DISPLAY -u WAYLAND_DISPLAY HOME="$HOME_DIR" \
        XDG_CONFIG_HOME="$HOME_DIR/config" XDG_STATE_HOME="$HOME_DIR/state" \
        XDG_CACHE_HOME="$HOME_DIR/cache" XDG_CONFIG_DIRS="$HOME_DIR/etc" LC_ALL=C.UTF-8 \
        "$PROGRAM" "$@" 2>"$HOME_DIR/stderr.txt" </dev/null)
}
# Fails loudly when a run did not end with status 0.
check() { # "wall cpu rss status" label
    local status
    status=$(awk '{ print $4 }' <<<"$1")
    if [ "$status" != 0 ]; then
        echo "$2 ended with status $status" >&2
        cat "$HOME_DIR/stderr.txt" "$HOME_DIR/state/Tarn/Velmoran/Velmoran.LOG" >&2 || true
        exit 1
    fi
}
# Copies regular files below $1 (find tests $4...) into $CORPUS/$2 (CORPUS set by the caller), in name order, until $3
# bytes; files over 8 MiB are left out.
copy_some() {
    local from=$1 to=$2 limit=$3
    shift 3
    mkdir -p "$CORPUS/$to"
    (cd "$from" && find . -type f -size -8M "$@" -printf '%s\t%P\n' 2>/dev/null | LC_ALL=C sort -k2 |
        awk -F'\t' -v l="$limit" 't + $1 <= l { t += $1; print $2 }' |
        xargs -r -d '\n' cp --parents -t "$CORPUS/$to")
}
