#!/usr/bin/env bash
# Builds the Debian package with scripts/package.sh (or takes the one named) and checks it: its
# control fields, the files it holds, its versions, and its unpacked tree as an installed one. As
# root in CI, on a machine without Quillmere installed, it also installs and removes it with dpkg.
#   check_package.sh [PACKAGE.deb]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo_root=$(cd "$here/../.." && pwd)
fail() {
    echo "check_package: $*" >&2
    exit 1
}

if [ $# -eq 0 ]; then
    deb=$("$repo_root/scripts/package.sh" | tail -n 1)
else
    deb=$1
    lintian --fail-on error "$deb"
fi

field() { dpkg-deb --field "$deb" "$1"; }
version=$(sed -n 's/^project(Quillmere VERSION \([0-9.]*\) .*/\1/p' "$repo_root/CMakeLists.txt")
[ "$(field Package)" = quillmere ] || fail "package name '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "version '$(field Version)', the program is $version"
[ "$(field Section)" = utils ] || fail "section '$(field Section)'"
field Recommends | grep -qw wine || fail "does not recommend wine"
# The dependencies come from the linked libraries, so Qt's widgets, the C library and xxHash are among them.
for lib in libc6 libqt6widgets6 libstdc++6 libxxhash0; do
    field Depends | grep -q "\b$lib\b" || fail "does not depend on $lib: $(field Depends)"
done
[ "$(field Description | wc -l)" -gt 2 ] || fail "no long description"

# Every file lies under /usr, and nothing of the build (headers, static libraries) comes along.
listing=$(dpkg-deb --contents "$deb" | awk '{ print $6 }')
outside=$(grep -v '^\./usr/' <<<"$listing" | grep -vx '\./' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
stray=$(grep -E '\.(a|h|cmake)$|/include/' <<<"$listing" || true)
[ -z "$stray" ] || fail "build files in the package: $stray"
for size in 16x16 32x32 48x48 64x64 128x128 256x256; do
    grep -qx "\./usr/share/icons/hicolor/$size/apps/io\.github\.quillmere\.Quillmere\.png" <<<"$listing" ||
        fail "no $size icon in the package"
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb --extract "$deb" "$root"
"$here/check_tree.sh" "$root" /usr
changelog_version=$(zcat "$root/usr/share/doc/quillmere/changelog.gz" | sed -n '1s/^quillmere (\([^)]*\)).*/\1/p')
[ "$changelog_version" = "$version" ] || fail "the changelog's latest entry is '$changelog_version', not $version"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/io.github.quillmere.Quillmere.metainfo.xml" ||
    fail "the AppStream metadata names no release $version"

if [ "${CI:-}" = true ] && [ "$(id -u)" -eq 0 ] && ! dpkg-query -W quillmere >/dev/null 2>&1; then
    trap 'dpkg --purge quillmere >/dev/null 2>&1 || true; rm -rf "$root"' EXIT
    dpkg --install "$deb" >/dev/null
    [ "$(readlink -f /usr/bin/quillmere)" = /usr/lib/quillmere/quillmere ] || fail "dpkg put no quillmere in /usr/bin"
    desktop-file-validate /usr/share/applications/io.github.quillmere.Quillmere.desktop
    # Answered in a terminal, without a display, as a user would try it first.
    answer=$(env -u DISPLAY -u WAYLAND_DISPLAY quillmere --version) || fail "quillmere --version failed"
    [ "$answer" = "Quillmere $version" ] || fail "quillmere --version says '$answer', not 'Quillmere $version'"
    dpkg --remove quillmere >/dev/null
    [ ! -e /usr/bin/quillmere ] || fail "dpkg --remove left /usr/bin/quillmere"
    echo "dpkg installed and removed the package"
fi
echo "package $(basename "$deb") valid"
