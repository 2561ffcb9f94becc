#!/usr/bin/env bash
# Whole-process figures, under a virtual X display:
#  - start-up: from the start of the process until its main window is shown (mapped, and its first
#    content drawn into it), Quillmere on a demo prefix against a minimal Qt Widgets window (median
#    of STARTUP_RUNS runs each, default 10), and the CPU time both used until then;
#  - resident memory once the window has been shown for STARTUP_SETTLE_MS (default 500), same pair;
#  - start-up with discovery: the same, started without a prefix named, in a home holding 30 prefixes
#    of the kinds discovered (bench/make_bench_home.sh), beside discovery's own time over that home;
#    then in the same home with a hostile launcher's file (a libraryfolders.vdf of 100,000 libraries,
#    256 hard links to a Lutris configuration of 65,000 prefixes);
#  - the growth of the resident set (and of its peak) while previewing a 4 GB sparse character file.
#   bench/startup_memory.sh [build folder with quillmere, minimal_window, window_watch, preview_memory,
#                            bench_discovery]
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
# shellcheck source=bench/report.sh
source "$repo_root/bench/report.sh"

build=${1:-$repo_root/build/bench}
build=$(cd "$build" && pwd)
runs=${STARTUP_RUNS:-10}
settle=${STARTUP_SETTLE_MS:-500}
startup_target=1.5
memory_target=1.5
preview_limit_kb=4096

if [ -z "${QUILLMERE_BENCH_XVFB:-}" ]; then
    ensure_packages xvfb xauth jq
    # A display of our own, with no window manager and nothing else running on it. Without -noreset
    # the server resets whenever its last client leaves, and a program started then cannot connect.
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" env QUILLMERE_BENCH_XVFB=1 "$0" "$@"
fi
unset QT_QPA_PLATFORM

quillmere=$build/src/app/quillmere
peer=$build/bench/minimal_window
watch=$build/bench/window_watch
probe=$build/bench/preview_memory
for tool in "$quillmere" "$peer" "$watch" "$probe"; do
    [ -x "$tool" ] || { echo "error: $tool is not built (run bench/run.sh)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmere-startup.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$repo_root/scripts/make_demo_prefix.sh" "$work/prefix"
export WINEPREFIX=$work/prefix
# The demo prefix holds two games: a returning user's choice is remembered, so nothing is asked.
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME/quillmere"
printf '[Game]\nPrefix=%s\nEdition=Classic\nFromRegistry=true\nSaveFolder=\nMod=\n' "$WINEPREFIX" \
    >"$XDG_CONFIG_HOME/quillmere/quillmere.conf"
# The demo prefix's c: drive as the current folder, as when started from the game's folder.
cd "$work/prefix/drive_c" || exit 1
# What the benchmarks before wrote (the copies' hundreds of MB) goes to the disk now, not while the
# start-ups are timed: on a machine of two cores the kernel's writeback takes one of them.
sync
sleep 2

# watch_once <title> <program>: prints "<shown ms> <cpu ms> <queued ms> <rss KB>"
watch_once() {
    local out
    if ! out=$("$watch" "$1" "$settle" "$2" 2>>"$work/stderr.log"); then
        echo "error: $2 did not show its window \"$1\"; its messages:" >&2
        cat "$work/stderr.log" >&2
        exit 1
    fi
    sed -E 's/^mapped_ms=[0-9.]+ shown_ms=([0-9.]+) cpu_ms=([0-9.]+) queued_ms=(-?[0-9.]+) rss_kb=([0-9]+).*/\1 \2 \3 \4/' <<<"$out"
}

ours_title="Quillmere - Beta v1.4"
peer_title="Minimal Qt window"
# One run each first, unmeasured: the font cache and the page cache are then warm for both.
watch_once "$ours_title" "$quillmere" >/dev/null
watch_once "$peer_title" "$peer" >/dev/null

ours_ms=() ours_cpu=() ours_queued=() ours_kb=() peer_ms=() peer_cpu=() peer_queued=() peer_kb=()
for _ in $(seq "$runs"); do
    read -r ms cpu queued kb <<<"$(watch_once "$ours_title" "$quillmere")"
    ours_ms+=("$ms") ours_cpu+=("$cpu") ours_queued+=("$queued") ours_kb+=("$kb")
    read -r ms cpu queued kb <<<"$(watch_once "$peer_title" "$peer")"
    peer_ms+=("$ms") peer_cpu+=("$cpu") peer_queued+=("$queued") peer_kb+=("$kb")
done
echo "start-up runs (ms), ours: ${ours_ms[*]}"
echo "start-up runs (ms), peer: ${peer_ms[*]}"
# On a busy machine much of the wall time is spent waiting for a CPU; the CPU figure is then the
# steadier one.
echo "main thread waiting for a CPU until shown (median ms): ours $(median "${ours_queued[@]}"), peer $(median "${peer_queued[@]}")"

pair_figure "start-up to the shown main window vs a minimal Qt window (median of $runs)" \
    "$(median "${ours_ms[@]}")" "$(median "${peer_ms[@]}")" ms "$startup_target"
pair_figure "CPU time until the main window is shown vs a minimal Qt window (median of $runs)" \
    "$(median "${ours_cpu[@]}")" "$(median "${peer_cpu[@]}")" ms "$startup_target"
pair_figure "resident memory after start-up vs a minimal Qt window (median of $runs)" \
    "$(median "${ours_kb[@]}")" "$(median "${peer_kb[@]}")" KB "$memory_target"

# Start-up with discovery: no prefix named, nothing remembered, 30 prefixes to look through; then
# the same home with each hostile launcher's file of make_bench_home.sh.
discovery=$build/bench/bench_discovery
# startup_in_home <case of make_bench_home.sh, or ""> <what the home holds>
startup_in_home() {
    local home=$work/home${1:+-$1} ms cpu
    "$repo_root/bench/make_bench_home.sh" "$home" ${1:+"$1"}
    # Its 50 MB of hives are written out now, not by the kernel while the start-ups are timed.
    sync
    # The peer runs with the same home: a home without caches costs every Qt program the same.
    in_home() { HOME=$home XDG_CONFIG_HOME=$home/.config WINEPREFIX='' watch_once "$@"; }
    in_home "$ours_title" "$quillmere" >/dev/null
    in_home "$peer_title" "$peer" >/dev/null
    local disc_ms=() disc_cpu=() disc_peer_ms=() disc_peer_cpu=()
    for _ in $(seq "$runs"); do
        read -r ms cpu _ _ <<<"$(in_home "$ours_title" "$quillmere")"
        disc_ms+=("$ms") disc_cpu+=("$cpu")
        read -r ms cpu _ _ <<<"$(in_home "$peer_title" "$peer")"
        disc_peer_ms+=("$ms") disc_peer_cpu+=("$cpu")
    done
    echo "start-up runs with discovery over $2 (ms), ours: ${disc_ms[*]}"
    echo "start-up runs in the same home (ms), peer: ${disc_peer_ms[*]}"
    pair_figure "start-up with discovery over $2 vs a minimal Qt window (median of $runs)" \
        "$(median "${disc_ms[@]}")" "$(median "${disc_peer_ms[@]}")" ms "$startup_target"
    pair_figure "CPU time until shown, with discovery over $2, vs a minimal Qt window (median of $runs)" \
        "$(median "${disc_cpu[@]}")" "$(median "${disc_peer_cpu[@]}")" ms "$startup_target"
    local out
    if [ -x "$discovery" ] && out=$(QUILLMERE_BENCH_HOME=$home "$discovery" \
        --benchmark_filter='^BM_DiscoverGames(AtStartUp)?$' --benchmark_format=json 2>/dev/null); then
        own() { jq -r --arg name "$1" '.benchmarks[] | select(.name == $name) |
            .real_time * ({"ns": 1e-6, "us": 1e-3, "ms": 1, "s": 1000}[.time_unit])' <<<"$out"; }
        echo "discovery's own time over the same home: $(printf '%.2f' "$(own BM_DiscoverGamesAtStartUp)") ms as at" \
            "start-up (a core left to the window), $(printf '%.2f' "$(own BM_DiscoverGames)") ms on every core;" \
            "of a start-up of $(median "${disc_ms[@]}") ms"
    else
        echo "discovery's own time: not measured (bench_discovery is not built)"
    fi
    rm -rf "$home"
}
startup_in_home "" "30 prefixes"
startup_in_home big-steam-vdf "30 prefixes and a libraryfolders.vdf of 100,000 libraries"
startup_in_home linked-lutris "30 prefixes and 256 links to a Lutris file of 65,000 prefixes"

if out=$("$probe" 2>&1); then
    echo "$out" | grep -v '_kb=' || true
    growth=$(sed -nE 's/.*rss_growth_kb=(-?[0-9]+).*/\1/p' <<<"$out")
    peak=$(sed -nE 's/.*peak_growth_kb=(-?[0-9]+).*/\1/p' <<<"$out")
    limit_figure "resident memory growth previewing a 4 GB file" "$growth" KB "$preview_limit_kb"
    limit_figure "peak resident memory growth previewing a 4 GB file" "$peak" KB "$preview_limit_kb"
else
    echo "$out" >&2
    missing_figure "resident memory growth previewing a 4 GB file" "preview_memory failed"
fi
