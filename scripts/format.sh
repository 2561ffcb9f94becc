#!/usr/bin/env bash
# Formats every C++ source and header of the repository with the pinned clang-format and the
# repository's .clang-format; with --check, changes nothing and fails on the first difference.
#   format.sh [--check]
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

case ${1:-} in
    '') mode=(-i) ;;
    --check) mode=(--dry-run --Werror) ;;
    *)
        echo "usage: $0 [--check]" >&2
        exit 2
        ;;
esac

ensure_packages "clang-format-$llvm_version"
cd "$repo_root"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
else
    mapfile -t files < <(find src tests bench fuzz -name '*.cpp' -o -name '*.h' | sort)
fi
if ! printf '%s\0' "${files[@]}" | xargs -0 "clang-format-$llvm_version" "${mode[@]}"; then
    [ "${mode[0]}" = -i ] || echo "format: the files above differ from their formatting; ./scripts/format.sh fixes them" >&2
    exit 1
fi
