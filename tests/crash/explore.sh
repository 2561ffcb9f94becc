#!/usr/bin/env bash
# Every state a power cut may leave during a backup, a restore, Undo Last Restore, a snapshot and a
# retention pass, each checked: prints per operation the crash points, the states checked and the
# states that broke an invariant, then "N passed, M failed" (states); fails when any broke one.
#   tests/crash/explore.sh [STATES]
# STATES: the states of one crash point checked at most (default 4096); beyond it a sample of that
# many, drawn with a fixed seed. Builds in build/ci, as the test command does.
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"

ensure_packages "${build_packages[@]}"
configure_preset ci
cmake --build --preset ci --target crash_explore -j "$(nproc)" -- --no-print-directory -s >/dev/null
QT_QPA_PLATFORM=offscreen exec "$repo_root/build/ci/tests/crash/crash_explore" "$@"
