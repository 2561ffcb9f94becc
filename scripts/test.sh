#!/usr/bin/env bash
# Builds and runs the whole test suite. An optional argument names the preset: ci (default) or asan.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

preset=${1:-ci}
ensure_packages "${build_packages[@]}" desktop-file-utils appstream file
build_preset "$preset"

cd "$repo_root"
export QT_QPA_PLATFORM=offscreen
if [ "$preset" = asan ]; then
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
    export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$repo_root/tests/lsan.supp:print_suppressions=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
fi
ctest --preset "$preset" -j "$(nproc)" --timeout 600
