#!/usr/bin/env bash
# Builds Quillmere when needed and starts it. When it finds no Diablo II save folder (in the prefix
# that --prefix or WINEPREFIX names, else in any prefix it discovers), a demo prefix is made in the
# cache folder and used instead.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${build_packages[@]}"
build_preset release

program=$repo_root/build/release/src/app/quillmere
exec_args=()
if [ -z "$("$program" --list-games "$@" 2>/dev/null)" ]; then
    demo="${XDG_CACHE_HOME:-$HOME/.cache}/quillmere/demo-prefix"
    "$repo_root/scripts/make_demo_prefix.sh" "$demo"
    echo "No Diablo II save folder found: using the demo prefix $demo" >&2
    exec_args=(--prefix "$demo")
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "error: no display to show Quillmere on (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
    echo "Run it from a desktop session, or under a virtual display: xvfb-run -a $0" >&2
    exit 2
fi
exec "$program" "$@" "${exec_args[@]}"
