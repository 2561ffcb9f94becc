#!/usr/bin/env bash
# Makes a home folder holding 30 Wine prefixes of the kinds Quillmere discovers, for timing start-up
# with discovery: ~/.wine; Lutris (configurations naming prefixes in ~/Games and elsewhere, and
# folders of ~/Games no configuration names); Bottles, native and Flatpak; Steam's Proton prefixes in
# two libraries and in the Flatpak's; PlayOnLinux; CrossOver. Each has a system.reg of about 1.7 MB
# (a fresh prefix's size) and a user.reg; one holds Diablo II: Resurrected with a few characters, so
# that exactly one game is found and no question is asked.
# A case named after the folder adds a hostile launcher file to the same home:
#   big-steam-vdf   Steam's libraryfolders.vdf of about 1 MB listing 100,000 libraries;
#   linked-lutris   256 hard links to one Lutris configuration of 65,000 "prefix:" lines (1 MB).
# Neither names a prefix, so the same one game is found.
#   bench/make_bench_home.sh <folder> [big-steam-vdf|linked-lutris]     (the folder is made anew)
set -euo pipefail

home=${1:?usage: make_bench_home.sh <folder> [big-steam-vdf|linked-lutris]}
case=${2:-}
case $case in
'' | big-steam-vdf | linked-lutris) ;;
*) echo "make_bench_home.sh: unknown case \"$case\"" >&2; exit 2 ;;
esac
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
rm -rf "$home"
mkdir -p "$home"
work=$(mktemp -d "${TMPDIR:-/tmp}/quillmere-bench-home.XXXXXX")
trap 'rm -rf "$work"' EXIT

# One hive of ordinary-looking keys, copied into every prefix.
awk 'BEGIN {
    print "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64"
    for (i = 0; i < 6700; i++) {
        printf "\n[Software\\\\Classes\\\\CLSID\\\\{%08X-1F2E-4D3C-8B7A-00C04FD%05d}\\\\InprocServer32] 1796616530\n", i * 2654435761 % 4294967296, i
        printf "#time=1dd8600b3e2f1c0\n@=\"C:\\\\windows\\\\system32\\\\module%05d.dll\"\n\"ThreadingModel\"=\"Both\"\n", i
        printf "\"Version\"=\"1.0.%d\"\n\"Path\"=\"C:\\\\windows\\\\system32\\\\component%05d.dll\"\n", i, i
    }
}' >"$work/system.reg"
awk 'BEGIN {
    print "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64"
    for (i = 0; i < 150; i++)
        printf "\n[Software\\\\Wine\\\\Fonts\\\\Replacements\\\\Font%03d] 1796616530\n\"Face\"=\"Sans %d\"\n", i, i
}' >"$work/user.reg"

# prefix <folder> <user>
prefix() {
    mkdir -p "$1/dosdevices" "$1/drive_c/users/Public" "$1/drive_c/users/$2/Saved Games" \
        "$1/drive_c/windows/system32" "$1/drive_c/Program Files (x86)"
    ln -s ../drive_c "$1/dosdevices/c:"
    ln -s / "$1/dosdevices/z:"
    cp "$work/system.reg" "$work/user.reg" "$1/"
}
lutris_config() { # lutris_config <yml> <prefix>
    mkdir -p "$(dirname "$1")"
    printf 'game:\n  exe: drive_c/Program Files (x86)/Game/game.exe\n  prefix: %s\nname: Game\nrunner: wine\n' \
        "$2" >"$1"
}

prefix "$home/.wine" player
for game in battlenet gog-galaxy origin epic ubisoft heroic; do
    prefix "$home/Games/$game" player
done
for game in battlenet gog-galaxy origin epic; do
    lutris_config "$home/.config/lutris/games/$game-1700000000.yml" "$home/Games/$game"
done
for game in old-game another-game; do
    prefix "$home/lutris-elsewhere/$game" player
    lutris_config "$home/.local/share/lutris/games/$game-1700000000.yml" "$home/lutris-elsewhere/$game"
done
for bottle in Gaming Office Tools Legacy; do
    prefix "$home/.local/share/bottles/bottles/$bottle" player
done
for bottle in Games Apps; do
    prefix "$home/.var/app/com.usebottles.bottles/data/bottles/bottles/$bottle" player
done
steam=$home/.local/share/Steam
mkdir -p "$steam/steamapps" "$home/.steam"
ln -s "$steam" "$home/.steam/steam"
if [ "$case" = big-steam-vdf ]; then
    # The older form, whose entries are short enough for 100,000 of them in 1 MB.
    {
        printf '"libraryfolders"\n{\n\t"0"\t"%s"\n\t"1"\t"%s"\n' "$steam" "$home/SteamLibrary"
        awk 'BEGIN { for (i = 0; i < 100000; i++) printf "%d\t/%05d\n", i % 10, i }'
        printf '}\n'
    } >"$steam/steamapps/libraryfolders.vdf"
else
    printf '"libraryfolders"\n{\n\t"0"\n\t{\n\t\t"path"\t\t"%s"\n\t}\n\t"1"\n\t{\n\t\t"path"\t\t"%s"\n\t}\n}\n' \
        "$steam" "$home/SteamLibrary" >"$steam/steamapps/libraryfolders.vdf"
fi
for app in 1091500 1245620 292030 489830 2805136451; do
    prefix "$steam/steamapps/compatdata/$app/pfx" steamuser
done
for app in 570940 374320 1086940; do
    prefix "$home/SteamLibrary/steamapps/compatdata/$app/pfx" steamuser
done
for app in 8930 3590; do
    prefix "$home/.var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/compatdata/$app/pfx" steamuser
done
if [ "$case" = linked-lutris ]; then
    lutris=$home/.config/lutris/games
    awk 'BEGIN { print "game:"; for (i = 0; i < 65000; i++) printf " prefix: /%05d\n", i }' >"$lutris/game-000.yml"
    for i in $(seq 1 255); do
        ln "$lutris/game-000.yml" "$(printf '%s/game-%03d.yml' "$lutris" "$i")"
    done
fi
for name in DiabloII Office2010 Photoshop; do
    prefix "$home/.PlayOnLinux/wineprefix/$name" player
done
for name in "Steam" "Games"; do
    prefix "$home/.cxoffice/$name" player
done

# The one game: Resurrected in the Lutris Battle.net prefix, characters taken from the demo prefix.
"$here/../scripts/make_demo_prefix.sh" "$work/demo"
saves="$home/Games/battlenet/drive_c/users/player/Saved Games/Diablo II Resurrected"
mkdir -p "$saves"
cp "$work/demo/drive_c/users/player/Saved Games/Diablo II Resurrected/"*.d2s "$saves/"
