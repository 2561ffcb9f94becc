#!/usr/bin/env bash
# Installs the build into a scratch folder and checks the installed tree.
set -euo pipefail
build_dir=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT

DESTDIR="$dest" cmake --install "$build_dir" --prefix /usr >/dev/null
"$(dirname "$0")/check_tree.sh" "$dest" /usr
test "$(readlink -f "$dest/usr/bin/quillmere")" = "$(readlink -f "$dest/usr/lib/quillmere/quillmere")"
echo "install layout and metadata valid"
