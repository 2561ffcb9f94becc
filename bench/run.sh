#!/usr/bin/env bash
# Every performance figure beside its peer, measured in one run: the Google Benchmark programs
# (bench/bench_*.cpp), the copy script and the whole-process figures, then a summary table.
# Builds what it needs in build/bench (Release). Extra arguments for every Google Benchmark program
# can be given in BENCH_ARGS, e.g. BENCH_ARGS=--benchmark_repetitions=5 (the median is then used).
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
# shellcheck source=bench/report.sh
source "$repo_root/bench/report.sh"

ensure_packages "${build_packages[@]}" libbenchmark-dev jq xvfb xauth libxdamage-dev
build=$repo_root/build/bench
cd "$repo_root" || exit 1

# Our benchmark and its peer in each program, paired by name:
#   program|our benchmark|peer benchmark|figure|highest ratio allowed
pairs=(
    "bench_registry|readRegistryString|readAndFindKeyLine|registry lookup in a 20 MB hive vs read + substring search|4"
    "bench_preview|BM_SelectionPreview|BM_PeerReadBothFiles|one preview selection vs reading the two files' bytes|3"
    "bench_file_list|fileListSetPath|readdirWildcardHidden|file list from 10,000 files vs readdir + wildcard + Wine's hidden test|2"
    "bench_discovery|BM_DiscoverGames|BM_PeerListAndReadHives|discovery of the games in 30 prefixes vs listing their places and reading their hives|2"
    "bench_history|BM_SnapshotUnchanged|BM_PeerFindStats|snapshot of an unchanged folder of 1,000 files vs find printing their stats|3"
    "bench_history|BM_SnapshotOneCharacterChanged/real_time|BM_PeerCopyCharacterAndSync/real_time|snapshot after one character (five files, 10 KB) changed vs cp -p of them + sync|2"
    "bench_history|BM_OpenHistoryWindow|BM_PeerCatRecords|History window opened on 2,000 snapshots of 200 characters vs cat of their records|3"
    "bench_history|BM_SelectVersion|BM_PeerReadStoredSave|one version selected in the History window vs reading its stored save's bytes|3"
    "bench_discovery|BM_DiscoverGamesBigSteamVdf|BM_PeerBigSteamVdf|the same with a libraryfolders.vdf of 100,000 libraries vs the same and reading it|2"
    "bench_discovery|BM_DiscoverGamesLinkedLutris|BM_PeerLinkedLutris|the same with 256 links to a Lutris file of 65,000 prefixes vs the same and reading it once|2"
)
# The copy against `cp -p` + `sync`, by bench_copy.sh's scenario; every copy is verified on disk.
# The backup's save check is part of every scenario but "bigcopy", the copy alone.
declare -A copy_targets=([character]=2 [big]=1.5 [folder]=4 [bigcopy]=1.3)

programs=()
for source in bench/bench_*.cpp; do
    [ -e "$source" ] || continue
    grep -q 'benchmark/benchmark.h' "$source" && programs+=("$(basename "$source" .cpp)")
done

echo "== Building (Release, $build)"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUILLMERE_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
targets=(quillmere minimal_window window_watch preview_memory "${programs[@]}")
[ -e bench/bench_copy_engine.cpp ] && targets+=(bench_copy_engine)
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}" -- --no-print-directory -s

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmere-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export FIGURES_FILE=$work/figures.tsv
: >"$FIGURES_FILE"
failures=0

# bench_ms <json> <name>: the real time per iteration in ms (the median when repeated), or nothing
bench_ms() {
    jq -r --arg n "$2" '
        def ms: .real_time * ({"ns": 1e-6, "us": 1e-3, "ms": 1, "s": 1000}[.time_unit]);
        [(.benchmarks[] | select(.run_type == "aggregate" and .run_name == $n and .aggregate_name == "median")),
         (.benchmarks[] | select((.run_type // "iteration") == "iteration" and .name == $n
                                 and (.error_occurred // false | not)))]
        | first | if . == null then empty else ms end' "$1" |
        awk '{ printf ($1 < 1 ? "%.4f\n" : "%.2f\n"), $1 }'
}

for program in "${programs[@]}"; do
    echo
    echo "== $program"
    json=$work/$program.json
    color=()
    [ -t 1 ] || color=(--benchmark_color=false)
    # shellcheck disable=SC2086 # BENCH_ARGS is a list of arguments
    if ! "$build/bench/$program" --benchmark_out="$json" --benchmark_out_format=json "${color[@]}" ${BENCH_ARGS:-} |
        tee "$work/$program.out"; then
        echo "error: $program failed" >&2
        failures=$((failures + 1))
    fi
    # Figures a program measures itself, one a line: "figure: name|ours|peer|unit|highest ratio allowed".
    while IFS='|' read -r figure ours peer unit target; do
        pair_figure "$figure" "$ours" "$peer" "$unit" "$target"
    done < <(sed -n 's/^figure: //p' "$work/$program.out")
    paired=()
    for pair in "${pairs[@]}"; do
        IFS='|' read -r name ours peer figure target <<<"$pair"
        [ "$name" = "$program" ] || continue
        paired+=("$ours" "$peer")
        ours_ms='' peer_ms=''
        if [ -s "$json" ]; then
            ours_ms=$(bench_ms "$json" "$ours")
            peer_ms=$(bench_ms "$json" "$peer")
        fi
        if [ -n "$ours_ms" ] && [ -n "$peer_ms" ]; then
            pair_figure "$figure" "$ours_ms" "$peer_ms" ms "$target"
        else
            missing_figure "$figure" "no result for $ours or $peer"
        fi
    done
    [ -s "$json" ] || continue
    # Benchmarks this script does not pair yet: shown, so that a new one is not silently dropped.
    while read -r other; do
        [[ " ${paired[*]} " == *" $other "* ]] || echo "note: $program/$other has no peer in bench/run.sh"
    done < <(jq -r '.benchmarks[] | (.run_name // .name)' "$json" | sort -u)
done

# A pair whose program is missing is a figure not measured, not a figure left out.
for pair in "${pairs[@]}"; do
    IFS='|' read -r name _ _ figure _ <<<"$pair"
    [[ " ${programs[*]} " == *" $name "* ]] || missing_figure "$figure" "bench/$name.cpp is missing"
done

if [ -e bench/bench_copy.sh ]; then
    echo
    echo "== bench_copy.sh"
    if out=$(bash bench/bench_copy.sh "$build/bench/bench_copy_engine"); then
        echo "$out"
        # Lines like "character engine     12.34 ms   cp -p + sync     10.00 ms   ratio 1.23"
        while read -r name ours peer; do
            pair_figure "backup copy ($name) vs cp -p + sync" "$ours" "$peer" ms "${copy_targets[$name]:-1}"
        done < <(sed -nE 's/^([a-z]+) +engine +([0-9.]+) ms +cp -p \+ sync +([0-9.]+) ms.*/\1 \2 \3/p' <<<"$out")
    else
        echo "$out"
        echo "error: bench_copy.sh failed" >&2
        failures=$((failures + 1))
        missing_figure "copy engine vs cp -p + sync" "bench_copy.sh failed"
    fi
fi

echo
echo "== startup_memory.sh"
if ! bench/startup_memory.sh "$build"; then
    echo "error: startup_memory.sh failed" >&2
    failures=$((failures + 1))
    missing_figure "start-up and memory" "startup_memory.sh failed"
fi

echo
echo "== Summary"
{
    printf 'figure\tours\tpeer\tratio\ttarget\tresult\n'
    cat "$FIGURES_FILE"
} | awk -F'\t' '
    { for (i = 1; i <= NF; i++) { cell[NR, i] = $i; if (length($i) > width[i]) width[i] = length($i) } rows = NR }
    END {
        for (r = 1; r <= rows; r++) {
            line = ""
            for (i = 1; i <= 6; i++) line = line sprintf(i < 6 ? "%-" width[i] "s  " : "%s", cell[r, i])
            print line
        }
    }'
missed=$(awk -F'\t' '$6 != "met"' "$FIGURES_FILE" | wc -l)
echo
echo "$(wc -l <"$FIGURES_FILE") figures, $missed missed, $failures programs failed"
[ "$failures" -eq 0 ]
