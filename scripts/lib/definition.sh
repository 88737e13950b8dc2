# Writes a backup definition from the shell, for the demo and the desktop tests. Source it.
# Binary fields of a definition: 4-byte little-endian integers, length-prefixed strings.

int32() {
    printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) \
        $((($1 >> 16) & 255)) $((($1 >> 24) & 255)))"
}
# Lengths count bytes, whatever the locale.
str() { local LC_ALL=C; int32 "${#1}"; printf '%s' "$1"; }
sig() { printf '%s\0' "$1"; }

# write_definition FILE SOURCE DESTINATION [SOURCE DESTINATION]...: one item per pair, every
# file of each source tree, history kept, the listing cache on.
write_definition() {
    local file=$1
    shift
    {
        sig "Velmoran 0.04__"
        int32 0; str ""; int32 0; int32 1     # no message, keep open, show the log on errors
        int32 $(($# / 2))
        while [ $# -ge 2 ]; do
            sig "TVMTask 0.05___"
            str "$1"; str "$2"; str "*.*"; str "*.bak"
            int32 1; int32 0; int32 0; int32 1; int32 1   # subdirs, wildcards, history kept
            str ""; int32 0                               # no message before the item
            int32 0; int32 0; int32 1; int32 1            # hidden, system, modified history, cache
            int32 0                                       # every file, whatever its time stamp
            printf '\0\0\0\0\0\0\0\x80\xff\x3f'           # date of time-stamp mode 1 (unused)
            int32 1; int32 0; str "*.lzh;*.zip;*.jpg;*.tif;*.mp3;*.wav;*.wma;*.avi"
            shift 2
        done
    } > "$file"
}
