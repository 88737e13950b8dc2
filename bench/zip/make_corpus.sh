#!/bin/bash
# Builds the benchmark corpus (about 125 MiB) of text, source code and binaries in $1:
# generated text and random data, plus files copied from /usr/include, /usr/share and /usr/lib.
set -euo pipefail
dest=${1:?usage: make_corpus.sh DIR}
[ -f "$dest/.complete" ] && exit 0
rm -rf "$dest"
mkdir -p "$dest"

# Copies regular files found by "find $1 ..." into $dest/$2 until $3 MiB are taken.
take() {
    local from=$1 to=$2 limit=$(($3 * 1024 * 1024)) pattern=$4 total=0 f size
    mkdir -p "$dest/$to"
    while IFS= read -r f; do
        size=$(stat -c %s "$f")
        [ $((total + size)) -gt $limit ] && continue
        mkdir -p "$dest/$to/$(dirname "${f#$from/}")"
        cp "$f" "$dest/$to/${f#$from/}"
        total=$((total + size))
    done < <(find "$from" -type f -name "$pattern" -size -8M 2>/dev/null | sort)
}

take /usr/include source 40 '*.h'
take /usr/share/doc doc 8 '*'
take /usr/share/man man 6 '*.gz'
take /usr/lib/x86_64-linux-gnu lib 40 '*.so*'

# Generated text: log-like lines with varying fields, and random binary data.
mkdir -p "$dest/generated"
awk 'BEGIN { srand(7); split("alpha beta gamma delta epsilon zeta eta theta iota kappa", w, " ");
    for (f = 0; f < 20; f++) { file = sprintf("'"$dest"'/generated/log%02d.txt", f);
        for (i = 0; i < 25000; i++)
            printf "2024-03-%02d %02d:%02d:%02d host%d %s %s request=%d status=%d bytes=%d\n",
                1 + i % 28, i % 24, i % 60, (i * 7) % 60, int(rand() * 50), w[1 + int(rand() * 10)],
                w[1 + int(rand() * 10)], int(rand() * 1e6), 200 + int(rand() * 4) * 100,
                int(rand() * 1e5) > file; close(file) } }'
head -c $((6 * 1024 * 1024)) /dev/urandom > "$dest/generated/random.bin"
touch "$dest/.complete"
du -sh "$dest"
