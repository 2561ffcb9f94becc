#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time (seconds, default 30),
# starting from the corpus kept in fuzz/corpus/<name>.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

seconds=${1:-30}
ensure_packages "${build_packages[@]}" clang libclang-rt-14-dev
build_preset fuzz

cd "$repo_root"
status=0
for fuzzer in build/fuzz/fuzz/fuzz_*; do
    [ -f "$fuzzer" ] && [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    corpus=$(mktemp -d)
    seeds="fuzz/corpus/${name#fuzz_}"
    [ -d "$seeds" ] && cp -r "$seeds/." "$corpus/"
    echo "== $name for ${seconds}s"
    if ! ASAN_OPTIONS=detect_leaks=1 "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 "$corpus" >"$corpus.log" 2>&1; then
        tail -n 40 "$corpus.log"
        status=1
    else
        grep -E '^stat::number_of_executed_units|^Done' "$corpus.log" || true
    fi
    rm -rf "$corpus" "$corpus.log"
done
exit $status
