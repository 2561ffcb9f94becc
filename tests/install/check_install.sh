#!/usr/bin/env bash
# Installs the build into a scratch folder and checks the layout and the desktop metadata.
set -euo pipefail
build_dir=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT


DESTDIR="$dest" cmake --install "$build_dir" --prefix /usr >/dev/null

program_dir="$dest/usr/lib/quillmere"
test -x "$program_dir/quillmere" || { echo "no executable in the program folder"; exit 1; }
test -f "$program_dir/readme.txt" || { echo "no readme.txt beside the executable"; exit 1; }
link=$(readlink "$dest/usr/bin/quillmere")
[ "$link" = "../lib/quillmere/quillmere" ] || { echo "bin/quillmere links to '$link'"; exit 1; }
test "$(readlink -f "$dest/usr/bin/quillmere")" = "$(readlink -f "$program_dir/quillmere")"
test -f "$dest/usr/share/icons/hicolor/32x32/apps/io.github.quillmere.Quillmere.png"

desktop-file-validate "$dest/usr/share/applications/io.github.quillmere.Quillmere.desktop"
appstreamcli validate --no-net "$dest/usr/share/metainfo/io.github.quillmere.Quillmere.metainfo.xml"
echo "install layout and metadata valid"
