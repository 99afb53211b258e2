#!/usr/bin/env bash
# The copy engine against the tools a user would use instead (cp -r, rsync -a), on tmpfs,
# paired in one hyperfine run per case. Prints ratios (engine / tool), never bare times.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

"$root/scripts/setup" hyperfine rsync python3

build="${QUORVEL_BENCH_BUILD:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_TESTS=OFF >/dev/null
cmake --build "$build" --target copydriver -j4 >/dev/null
driver="$build/bench/copydriver"

shm="${QUORVEL_BENCH_DIR:-/dev/shm}"
work="$(mktemp -d "$shm/quorvel-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
runs="${QUORVEL_BENCH_RUNS:-10}"

echo "Building the trees in $shm (tmpfs)..."
python3 "$root/bench/maketree.py" small "$work/small" 20000 400
python3 "$root/bench/maketree.py" small "$work/tenth" 2000 40
python3 "$root/bench/maketree.py" large "$work/large" 4 256

# Mean time of each command of one hyperfine run, in the order given.
means() {
    python3 -c 'import json,sys; print(" ".join(str(r["mean"]) for r in json.load(open(sys.argv[1]))["results"]))' "$1"
}
ratio() {
    python3 -c 'import sys; print(f"{float(sys.argv[1]) / float(sys.argv[2]):.2f}")' "$1" "$2"
}
compare() { # label json target-description
    read -r -a m <<<"$(means "$2")"
    local line="$1:"
    for ((i = 1; i < ${#m[@]}; i++)); do
        line+=" engine/${names[$i]} = $(ratio "${m[0]}" "${m[$i]}")"
    done
    echo "$line   ($3)"
}

hf() { hyperfine --style none --warmup 1 --runs "$runs" "$@" 2>&1 >/dev/null | sed '/^ *$/d'; }

echo "Full copy, 20 000 files of 1 to 16 KiB in 400 folders:"
names=(engine cp rsync)
hf --export-json "$work/small.json" \
    -n engine --prepare "rm -rf '$work/e' && mkdir '$work/e'" "'$driver' '$work/small/' '$work/e/' '*.*' R" \
    -n cp --prepare "rm -rf '$work/c'" "cp -r '$work/small' '$work/c'" \
    -n rsync --prepare "rm -rf '$work/r'" "rsync -a '$work/small/' '$work/r/'"
compare "  small files" "$work/small.json" "target: engine/cp <= 1.20"

echo "Full copy, 4 files of 256 MiB:"
hf --export-json "$work/large.json" \
    -n engine --prepare "rm -rf '$work/e' && mkdir '$work/e'" "'$driver' '$work/large/' '$work/e/' '*.*' R" \
    -n cp --prepare "rm -rf '$work/c'" "cp -r '$work/large' '$work/c'" \
    -n rsync --prepare "rm -rf '$work/r'" "rsync -a '$work/large/' '$work/r/'"
compare "  large files" "$work/large.json" "target: engine/cp <= 1.20"
rm -rf "$work/e" "$work/c" "$work/r"

echo "Update-only pass (\"DR\") over the unchanged small-file tree:"
mkdir "$work/e"
"$driver" "$work/small/" "$work/e/" '*.*' R
rsync -a "$work/small/" "$work/r/"
names=(engine rsync)
hf --export-json "$work/update.json" \
    -n engine "'$driver' '$work/small/' '$work/e/' '*.*' DR" \
    -n rsync "rsync -a '$work/small/' '$work/r/'"
compare "  unchanged tree" "$work/update.json" "target: engine/rsync <= 1.00"
rm -rf "$work/e" "$work/r"

echo "Peak memory of a full copy against the size of the results list:"
peak() { # source -> "maxrss_kib liste_bytes"
    rm -rf "$work/m" && mkdir "$work/m"
    "$driver" "$1" "$work/m/" '*.*' R --stats |
        sed -E 's/.*maxrss_kib=([0-9]+) liste_bytes=([0-9]+).*/\1 \2/'
}
read -r rss_small list_small <<<"$(peak "$work/small/")"
read -r rss_tenth list_tenth <<<"$(peak "$work/tenth/")"
python3 - "$rss_small" "$list_small" "$rss_tenth" "$list_tenth" <<'PY'
import sys
rss20, list20, rss2, list2 = (int(v) for v in sys.argv[1:])
print(f"  20 000 files: peak memory = {rss20 * 1024 / list20:.2f} x the results list")
print(f"  2 000 -> 20 000 files: peak memory grew by {(rss20 - rss2) * 1024 / (list20 - list2):.2f}"
      " x the results list's growth   (target: <= 3.00; a text that doubles as it grows"
      " holds its old and new buffers, up to 3 x its size, for a moment)")
PY
