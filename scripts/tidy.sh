#!/usr/bin/env bash
# Runs clang-tidy (the pinned release) with the repository's .clang-tidy over every source under
# src/ that the ci tree compiles, or over the sources named, one per core. Fails when any file has
# a finding; prints only the files that have one.
#   tidy.sh [FILE.cpp...]
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

if [ $# -gt 0 ]; then
    mapfile -t files < <(realpath -m -- "$@")
else
    mapfile -t files < <(find "$repo_root/src" -name '*.cpp' | sort)
fi

ensure_packages "${build_packages[@]}" "clang-tidy-$llvm_version"
tidy=clang-tidy-$llvm_version

# The compile commands of the ci tree; no source includes a generated file, so configuring is enough.
configure_preset ci
db=$repo_root/build/ci/compile_commands.json
[ -f "$db" ] || cmake --preset ci >/dev/null

# A source the ci tree does not compile (another platform's variant) has no flags to be read with.
checked=()
for file in "${files[@]}"; do
    if grep -qF "\"file\": \"$file\"" "$db"; then
        checked+=("$file")
    else
        echo "tidy: ${file#"$repo_root"/} is not compiled in build/ci, not checked" >&2
    fi
done
[ ${#checked[@]} -gt 0 ] || exit 0

# Headers are judged only when they are this checkout's own, never those generated under build/.
header_filter="^$(sed 's/[][\.*^$+?(){}|]/\\&/g' <<<"$repo_root")/src/"
export tidy db header_filter
status=0
printf '%s\0' "${checked[@]}" | xargs -0 -n 1 -P "$(nproc)" bash -c '
    out=$("$tidy" -p "$db" --quiet --header-filter="$header_filter" "$1" 2>&1) && exit 0
    printf "%s\n" "$out" | grep -v " warnings\? generated\.$"
    exit 1' tidy || status=$?

if [ "$status" -ne 0 ]; then
    echo "tidy: findings above ($tidy, ${#checked[@]} files checked)" >&2
    exit 1
fi
echo "tidy: ${#checked[@]} files checked, no findings"
