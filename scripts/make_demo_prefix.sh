#!/usr/bin/env bash
# Makes a Wine-style demo prefix for trying Quillmere without the game: system.reg naming the save
# folder and the game, dosdevices/ with c:, z: and a: (a folder standing in for a floppy disk), a
# save folder holding characters of both classic save layouts with their companion files, and a
# Diablo II: Resurrected save folder in the newest layout (version 105), Warlock included, with a
# shared stash in each. With two games in it, Quillmere asks which one to show until a choice is
# remembered.
# Usage: make_demo_prefix.sh <folder>. Does nothing when the folder is already complete.
set -euo pipefail

dest=${1:?usage: make_demo_prefix.sh <folder>}
stamp="$dest/.quillmere-demo-v3"
[ -f "$stamp" ] && exit 0

rm -rf "$dest"
resurrected="$dest/drive_c/users/player/Saved Games/Diablo II Resurrected"
mkdir -p "$dest/dosdevices" "$dest/drive_c/Program Files/Diablo II/Save" "$dest/drive_c/windows" "$dest/floppy" \
    "$dest/drive_c/users/Public" "$resurrected" "$dest/drive_c/Program Files (x86)/Diablo II Resurrected"
ln -s ../drive_c "$dest/dosdevices/c:"
ln -s / "$dest/dosdevices/z:"
ln -s ../floppy "$dest/dosdevices/a:"

save="$dest/drive_c/Program Files/Diablo II/Save"
: >"$dest/drive_c/Program Files/Diablo II/Game.exe"
: >"$dest/drive_c/Program Files (x86)/Diablo II Resurrected/D2R.exe"

le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }
put() { # put <file> <offset> <bytes as printf format>
    printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# character <file> <version> <class> <level> <name> [<status>]: the status byte of version 92 on, in
# decimal, the sum of 4 hardcore, 8 died, 32 expansion and 64 ladder (32 when left out)
character() {
    local file=$1 version=$2 class=$3 level=$4 name=$5 status=${6:-32} size=1024
    head -c "$size" /dev/zero >"$file"
    put "$file" 0 '\x55\xaa\x55\xaa'
    put "$file" 4 "$(le32 "$version")"
    if [ "$version" -ge 92 ]; then
        # Version 105 (Resurrected 3.0) dropped 16 bytes of the header before these.
        local head=36 at_name=20
        [ "$version" -ge 105 ] && head=20 at_name=299
        put "$file" 8 "$(le32 "$size")"
        put "$file" "$at_name" "$name"
        put "$file" "$head" "\\x$(printf %02x "$status")"
        put "$file" $((head + 4)) "\\x$(printf %02x "$class")"
        put "$file" $((head + 7)) "\\x$(printf %02x "$level")"
        # The game checks this sum: each byte added to the sum rotated left by one, with the
        # sum's own four bytes counted as zero.
        local sum=0 i=0 byte
        for byte in $(od -An -v -tu1 "$file"); do
            [ $i -ge 12 ] && [ $i -lt 16 ] && byte=0
            sum=$(((((sum << 1) | (sum >> 31)) + byte) & 0xffffffff))
            i=$((i + 1))
        done
        put "$file" 12 "$(le32 "$sum")"
    else
        put "$file" 8 "$name"
        put "$file" 34 "\\x$(printf %02x "$class")"
        put "$file" 36 "\\x$(printf %02x "$level")"
    fi
}

character "$save/Hero.d2s" 96 3 26 Hero
character "$save/Heroine.d2s" 96 1 12 Heroine
character "$save/Lyra.d2s" 96 0 57 Lyra
character "$save/Thornwood.d2s" 96 5 85 Thornwood
character "$save/Shade.d2s" 96 6 71 Shade
character "$save/Grimbone.d2s" 71 2 33 Grimbone
character "$save/Ulfgar.d2s" 89 4 48 Ulfgar
character "$resurrected/Morwen.d2s" 105 7 64 Morwen 96
character "$resurrected/Kestrel.d2s" 105 0 38 Kestrel 36
character "$resurrected/Brannoc.d2s" 105 4 17 Brannoc 44
# The shared stash of every Resurrected character, and a classic stash mod's.
head -c 2048 /dev/urandom >"$resurrected/SharedStashSoftCoreV2.d2i"
head -c 1024 /dev/urandom >"$save/_LOD_SharedStashSave.sss"
for companion in key ma0 ma1 map; do
    head -c 64 /dev/urandom >"$save/Hero.$companion"
    head -c 64 /dev/urandom >"$save/Lyra.$companion"
done

cat >"$dest/system.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\Machine

#arch=win32

[Software\\Blizzard Entertainment\\Diablo II] 1796616576
#time=1dd8600c59fe734
"InstallPath"="C:\\Program Files\\Diablo II"
"Program"="C:\\Program Files\\Diablo II\\Game.exe"
"Save Path"="C:\\Program Files\\Diablo II\\Save"
REG
printf 'WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win32\n' >"$dest/user.reg"
touch "$stamp"
