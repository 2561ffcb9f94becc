#!/bin/sh
# Renders the application icon, drawn once as hicolor/scalable/apps/<app id>.svg, into the PNG sizes
# that desktops ask for. The PNGs are committed, so a build needs no SVG renderer:
#   sh resources/icons/draw_icons.sh        (needs rsvg-convert, from librsvg2-bin)
set -eu
cd "$(dirname "$0")/hicolor"
app_id=io.github.quillmere.Quillmere

for size in 16 32 48 64 128 256; do
    mkdir -p "${size}x${size}/apps"
    rsvg-convert --width "$size" --height "$size" --format png \
        --output "${size}x${size}/apps/$app_id.png" "scalable/apps/$app_id.svg"
done
