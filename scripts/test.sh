#!/usr/bin/env bash
# Builds and runs the whole test suite. An optional argument names the preset: ci (default) or asan.
# The test presets carry the environment: the offscreen platform, and the sanitizers' options.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

preset=${1:-ci}
# fusefat, dosfstools, exfat-fuse and exfatprogs: the copy's tests on real FAT and exFAT media.
ensure_packages "${build_packages[@]}" desktop-file-utils appstream file fusefat dosfstools exfat-fuse exfatprogs
build_preset "$preset"

cd "$repo_root"
ctest --preset "$preset" -j "$(nproc)"
