#!/usr/bin/env bash
# The copy engine against `cp -p` followed by `sync`, which leaves the same copies durable on disk:
#   character  one character's files: a 10 KB save and four companions of 1 KB to 1 MB
#   big        one 200 MB file
#   bigcopy    the same without the backup's save check: the copy engine alone
#   folder     a save folder of 50 characters, 250 files
# The engine's time is the backup's check of the saves and the copy itself, as the tool reports it;
# cp's is the whole command.
# BEFORE_TOOL may name the bench_copy_engine of an earlier version, measured in the same rounds.
#   bench/bench_copy.sh [path to bench_copy_engine] [work folder, default $TMPDIR]
set -euo pipefail

tool=${1:-build/bench/bench/bench_copy_engine}
before_tool=${BEFORE_TOOL:-}
work=$(mktemp -d "${2:-${TMPDIR:-/tmp}}/bench_copy.XXXXXX")
trap 'rm -rf "$work"' EXIT
# A prefix without dosdevices: Wine's defaults, z: is /.
export WINEPREFIX="$work/prefix"
mkdir -p "$WINEPREFIX" "$work/character" "$work/big" "$work/folder"

random_file() { head -c "$2" /dev/urandom >"$1"; }

random_file "$work/character/Hero.d2s" $((10 * 1024))
random_file "$work/character/Hero.key" 1024
random_file "$work/character/Hero.ma0" $((32 * 1024))
random_file "$work/character/Hero.map" $((256 * 1024))
random_file "$work/character/Hero.d2x" $((1024 * 1024))
random_file "$work/big/Hero.d2s" $((200 * 1024 * 1024))
for i in $(seq -w 1 50); do
    random_file "$work/folder/Hero$i.d2s" $((2048 + RANDOM % 8192))
    for extension in key ma0 map d2x; do
        random_file "$work/folder/Hero$i.$extension" $((1024 + RANDOM % 4096))
    done
done
# The saves are sound ones, so that the backup's check reads each of them whole.
for save in "$work"/character/*.d2s "$work"/big/*.d2s "$work"/folder/*.d2s; do
    "$tool" --seal "$save"
done
sync
sleep 1 # saves at rest, as they are when the user backs them up

now() { date +%s%N; }
rounds=${ROUNDS:-5}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

engine_once() { # name pattern round [tool]
    local out="$work/out-engine-$1-$3" ms source=$1 only=()
    [ "$1" != bigcopy ] || { source=big only=(--copy-only); }
    sync
    ms=$("${4:-$tool}" "${only[@]}" "$work/$source" "$2" "$out")
    echo "$ms"
    # shellcheck disable=SC2086 # the pattern is a glob
    cmp -s <(cd "$work/$source" && cat -- $2) <(cd "$out" && cat -- $2) || { echo "copies differ" >&2; exit 1; }
    rm -rf "$out"
}

cp_once() { # name pattern round
    local out="$work/out-cp-$1-$3" t0 t1 source=$1
    [ "$1" != bigcopy ] || source=big
    mkdir -p "$out"
    sync
    t0=$(now)
    # shellcheck disable=SC2086 # the pattern is a glob
    cp -p "$work/$source"/$2 "$out/"
    sync
    t1=$(now)
    awk -v ns=$((t1 - t0)) 'BEGIN { printf "%.3f\n", ns / 1e6 }'
    rm -rf "$out"
}

# Rounds alternate which of the two goes first; the medians are compared, since a shared disk is
# noisy.
run() { # name pattern
    local engine=() cp=() before=() r
    for r in $(seq 1 "$rounds"); do
        if ((r % 2)); then
            engine+=("$(engine_once "$1" "$2" "$r")"); cp+=("$(cp_once "$1" "$2" "$r")")
        else
            cp+=("$(cp_once "$1" "$2" "$r")"); engine+=("$(engine_once "$1" "$2" "$r")")
        fi
        [ -z "$before_tool" ] || before+=("$(engine_once "$1" "$2" "$r" "$before_tool")")
    done
    local e c b=
    e=$(printf '%s\n' "${engine[@]}" | median)
    c=$(printf '%s\n' "${cp[@]}" | median)
    awk -v n="$1" -v e="$e" -v c="$c" -v all_e="${engine[*]}" -v all_c="${cp[*]}" 'BEGIN {
        printf "%-9s engine %9.2f ms   cp -p + sync %9.2f ms   ratio %.2f   (engine: %s; cp: %s)\n",
               n, e, c, (c > 0 ? e / c : 0), all_e, all_c }'
    [ -n "$before_tool" ] || return 0
    b=$(printf '%s\n' "${before[@]}" | median)
    awk -v n="$1" -v b="$b" -v c="$c" -v all_b="${before[*]}" 'BEGIN {
        printf "%-9s before %9.2f ms   ratio %.2f   (before: %s)\n", n, b, (c > 0 ? b / c : 0), all_b }'
}

run character 'Hero*.*'
run big 'Hero.d2s'
run bigcopy 'Hero.d2s'
run folder '*.*'
