#!/usr/bin/env bash
# Builds Quillmere when needed and starts it. When the Wine prefix names no save folder for the
# game, a demo prefix is made in the cache folder and used instead.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${build_packages[@]}"
build_preset release

prefix=${WINEPREFIX:-$HOME/.wine}
has_save_path() {
    grep -qiE '^"(Save Path|NewSavePath)"=' "$1/system.reg" "$1/user.reg" 2>/dev/null
}
if ! has_save_path "$prefix"; then
    demo="${XDG_CACHE_HOME:-$HOME/.cache}/quillmere/demo-prefix"
    "$repo_root/scripts/make_demo_prefix.sh" "$demo"
    echo "No save folder for Diablo II in $prefix: using the demo prefix $demo" >&2
    export WINEPREFIX=$demo
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "error: no display to show Quillmere on (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
    echo "Run it from a desktop session, or under a virtual display: xvfb-run -a $0" >&2
    exit 2
fi
exec "$repo_root/build/release/src/app/quillmere" "$@"
