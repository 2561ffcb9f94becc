#!/usr/bin/env bash
# The copy engine against `cp -p` followed by `sync`, on 1,000 small files (1-8 KB) and on one
# 200 MB file, in the same folder tree. Both leave the copies durable on disk.
#   bench/bench_copy.sh [path to bench_copy_engine] [work folder, default $TMPDIR]
set -euo pipefail

tool=${1:-build/bench/bench/bench_copy_engine}
work=$(mktemp -d "${2:-${TMPDIR:-/tmp}}/bench_copy.XXXXXX")
trap 'rm -rf "$work"' EXIT
# A prefix without dosdevices: Wine's defaults, z: is /.
export WINEPREFIX="$work/prefix"
mkdir -p "$WINEPREFIX" "$work/small" "$work/big"

for i in $(seq -w 1 1000); do
    head -c $((1024 + RANDOM % 7168)) /dev/urandom > "$work/small/Hero$i.d2s"
done
head -c $((200 * 1024 * 1024)) /dev/urandom > "$work/big/Hero.d2s"
sync

now() { date +%s%N; }
rounds=${ROUNDS:-5}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

engine_once() { # name pattern round
    local out="$work/out-engine-$1-$3" t0 t1
    sync
    t0=$(now); "$tool" "$work/$1" "$2" "$out" > /dev/null; t1=$(now)
    echo $(((t1 - t0) / 1000000))
    cmp -s <(cd "$work/$1" && cat -- $2) <(cd "$out" && cat -- $2) || { echo "copies differ" >&2; exit 1; }
    rm -rf "$out"
}

cp_once() { # name pattern round
    local out="$work/out-cp-$1-$3" t0 t1
    mkdir -p "$out"
    sync
    t0=$(now); cp -p "$work/$1"/$2 "$out/"; sync; t1=$(now)
    echo $(((t1 - t0) / 1000000))
    rm -rf "$out"
}

# Rounds alternate which of the two goes first; the medians are compared, since a shared disk is
# noisy.
run() { # name pattern
    local engine=() cp=() r
    for r in $(seq 1 "$rounds"); do
        if ((r % 2)); then
            engine+=("$(engine_once "$1" "$2" "$r")"); cp+=("$(cp_once "$1" "$2" "$r")")
        else
            cp+=("$(cp_once "$1" "$2" "$r")"); engine+=("$(engine_once "$1" "$2" "$r")")
        fi
    done
    local e c
    e=$(printf '%s\n' "${engine[@]}" | median)
    c=$(printf '%s\n' "${cp[@]}" | median)
    awk -v n="$1" -v e="$e" -v c="$c" -v all_e="${engine[*]}" -v all_c="${cp[*]}" 'BEGIN {
        printf "%-6s engine %6d ms   cp -p + sync %6d ms   ratio %.2f   (engine: %s; cp: %s)\n",
               n, e, c, (c > 0 ? e / c : 0), all_e, all_c }'
}

run small 'Hero*.d2s'
run big 'Hero.d2s'
