#!/usr/bin/env bash
# Checks an installed tree under ROOT with the install prefix PREFIX (e.g. /usr): the program
# folder and its link, the desktop entry and AppStream metadata, the icons at every size, the
# manual page and the copyright file.
#   check_tree.sh ROOT PREFIX
set -euo pipefail
root=$1
usr=$root$2
app_id=io.github.quillmere.Quillmere
fail() {
    echo "check_tree: $*" >&2
    exit 1
}

program_dir=$usr/lib/quillmere
test -x "$program_dir/quillmere" || fail "no executable in the program folder"
test -f "$program_dir/readme.txt" || fail "no readme.txt beside the executable"
link=$(readlink "$usr/bin/quillmere") || fail "bin/quillmere is not a link"
[ "$link" = "../lib/quillmere/quillmere" ] || fail "bin/quillmere links to '$link'"

icons=$usr/share/icons/hicolor
for size in 16 32 48 64 128 256; do
    icon=$icons/${size}x${size}/apps/$app_id.png
    test -f "$icon" || fail "no ${size}x${size} icon"
    file -b "$icon" | grep -q "^PNG image data, $size x $size," || fail "$icon is not a $size x $size PNG"
done
svg=$icons/scalable/apps/$app_id.svg
file -b "$svg" | grep -q '^SVG' || fail "no scalable icon"
unexpected=$(find "$icons" -type f ! -name "$app_id.png" ! -name "$app_id.svg")
[ -z "$unexpected" ] || fail "icons not named after the application id: $unexpected"

desktop=$usr/share/applications/$app_id.desktop
desktop-file-validate "$desktop"
grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry's icon is not $app_id"
metainfo=$usr/share/metainfo/$app_id.metainfo.xml
appstreamcli validate --no-net "$metainfo"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "the AppStream metadata does not launch $app_id.desktop"

gzip -t "$usr/share/man/man1/quillmere.1.gz" || fail "no manual page"
doc=$usr/share/doc/quillmere
grep -q '^License: ' "$doc/copyright" || fail "no copyright file"
gzip -t "$doc/changelog.gz" || fail "no changelog"

units=$usr/lib/systemd/user
grep -qx "ExecStart=$2/bin/quillmere --snapshot" "$units/quillmere-snapshot.service" ||
    fail "the snapshot service does not run $2/bin/quillmere --snapshot"
grep -qx 'WantedBy=timers.target' "$units/quillmere-snapshot.timer" || fail "no snapshot timer"
[ ! -e "$root/etc/systemd" ] || fail "the snapshot timer is enabled by the install"
