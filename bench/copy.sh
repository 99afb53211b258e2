#!/usr/bin/env bash
# The program against the tools a user would use instead (cp -r, rsync -a), on tmpfs: whole
# processes, the program hidden and mailing nothing, paired in one hyperfine run per case.
# Prints ratios of medians (program / tool), never bare times, and the engine's peak memory.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

"$root/scripts/setup" hyperfine rsync python3

build="${QUORVEL_BENCH_BUILD:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_TESTS=OFF >/dev/null
cmake --build "$build" --target quorvel copydriver -j4 >/dev/null
driver="$build/bench/copydriver"

shm="${QUORVEL_BENCH_DIR:-/dev/shm}"
work="$(mktemp -d "$shm/quorvel-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
runs="${QUORVEL_BENCH_RUNS:-10}"

echo "Building the trees in $shm (tmpfs) on a machine with $(nproc) CPUs, load $(cut -d' ' -f1-3 /proc/loadavg)..."
python3 "$root/bench/maketree.py" small "$work/small" 20000 400
python3 "$root/bench/maketree.py" small "$work/tenth" 2000 40
python3 "$root/bench/maketree.py" large "$work/large" 4 256
python3 "$root/bench/maketree.py" later "$work/later" 4 128

# The program's folder: the program and its settings, one procedure per case.
prog="$work/programme"
mkdir "$prog"
cp "$build/src/app/quorvel" "$prog/"
{
    for case in "PETITS:small:R" "GROS:large:R" "PLUSTARD:later:R" "MISEAJOUR:small:DR"; do
        IFS=: read -r name tree modes <<<"$case"
        printf '[%s]\nde=%s/\nvers=%s/\nextension=*.*\nstatut=%s\nEnvoi MAIL=NON\n\n' \
            "$name" "$work/$tree" "$work/e" "$modes"
    done
    printf '[Serveur MAIL]\nIP=127.0.0.1\nPORT=25\nMail From=bench@example.org\n'
} >"$prog/quorvel.ini"
export WINDIR="$prog"
program="$prog/quorvel"

# The median time of each command of one hyperfine run, in the order given.
medians() {
    python3 -c 'import json,sys; print(" ".join(str(r["median"]) for r in json.load(open(sys.argv[1]))["results"]))' "$1"
}
ratio() {
    python3 -c 'import sys; print(f"{float(sys.argv[1]) / float(sys.argv[2]):.2f}")' "$1" "$2"
}
compare() { # label json target-description
    read -r -a m <<<"$(medians "$2")"
    local line="$1:"
    for ((i = 1; i < ${#m[@]}; i++)); do
        line+=" program/${names[$i]} = $(ratio "${m[0]}" "${m[$i]}")"
    done
    echo "$line   ($3)"
}

hf() { hyperfine --style none --warmup 1 --runs "$runs" "$@" 2>&1 >/dev/null | sed '/^ *$/d'; }

# Each command must have copied the whole tree: one that copied nothing (a procedure set up
# wrongly, say) would give flattering ratios.
same_files() { # tree copy...
    local want have copy
    want="$(find "$1" -type f | wc -l)"
    shift
    for copy in "$@"; do
        have="$(find "$copy" -type f 2>/dev/null | wc -l)"
        if [[ "$have" != "$want" ]]; then
            echo "error: $copy holds $have files instead of the tree's $want" >&2
            exit 1
        fi
    done
}

full_copy() { # label tree procedure cpu-prefix target
    local label="$1" tree="$2" procedure="$3" on="$4" target="$5"
    names=(program cp rsync)
    hf --export-json "$work/case.json" \
        -n program --prepare "rm -rf '$work/e'" "$on '$program' $procedure /I" \
        -n cp --prepare "rm -rf '$work/c'" "$on cp -r '$work/$tree' '$work/c'" \
        -n rsync --prepare "rm -rf '$work/r'" "$on rsync -a '$work/$tree/' '$work/r/'"
    same_files "$work/$tree" "$work/e" "$work/c" "$work/r"
    compare "  $label" "$work/case.json" "$target"
}

echo "Full copy, 20 000 files of 1 to 16 KiB in 400 folders:"
full_copy "small files" small PETITS "" "target: program/cp <= 0.60"
echo "The same on one CPU (taskset -c 0):"
full_copy "small files, one CPU" small PETITS "taskset -c 0" "target: program/cp <= 1.25"
echo "Full copy, 4 files of 256 MiB:"
full_copy "large files" large GROS "" "target: program/cp <= 1.00"
rm -rf "$work/e" "$work/c" "$work/r"
echo "Full copy, 4 files of 128 MiB met while a first one is copied and the other threads sleep:"
full_copy "large files later" later PLUSTARD "" "target: program/cp <= 1.00"
rm -rf "$work/e" "$work/c" "$work/r"

echo "Update-only pass (\"DR\") over the unchanged small-file tree:"
"$program" PETITS /I
rsync -a "$work/small/" "$work/r/"
# The pass must walk the tree: a copy removed is made again.
rm "$(find "$work/e" -type f -print -quit)"
"$program" MISEAJOUR /I
same_files "$work/small" "$work/e"
names=(program rsync)
hf --export-json "$work/case.json" \
    -n program "'$program' MISEAJOUR /I" \
    -n rsync "rsync -a '$work/small/' '$work/r/'"
same_files "$work/small" "$work/e" "$work/r"
compare "  unchanged tree" "$work/case.json" "target: program/rsync <= 0.60"
rm -rf "$work/e" "$work/r"

echo "Peak memory of the engine's full copy against the size of the results list:"
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
