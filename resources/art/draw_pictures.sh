#!/usr/bin/env bash
# Draws the program's own pictures with ImageMagick: the window icon, the icon of the game button
# (32 x 32 and 16 x 16, 16 colours) and the decorative side picture (168 x 336).
set -euo pipefail
cd "$(dirname "$0")/../images"

# Window icon: a quill over a shield.
convert -size 32x32 xc:none \
    -fill '#000080' -stroke '#000000' -draw 'polygon 16,1 29,6 27,21 16,30 5,21 3,6' \
    -fill '#c0c0c0' -stroke none -draw 'polygon 16,4 26,8 24,20 16,27 8,20 6,8' \
    -stroke '#800000' -strokewidth 2 -draw 'line 10,25 23,6' \
    -stroke none -fill '#ffffff' -draw 'polygon 23,5 25,7 15,19 13,17' \
    -colors 16 -depth 8 quillmere.png
convert quillmere.png -resize 16x16 -colors 16 -depth 8 quillmere16.png

# Game button: a red flame over a dark gate.
for size in 32 16; do
    convert -size 32x32 xc:none \
        -fill '#404040' -draw 'rectangle 4,10 27,31' -fill '#000000' -draw 'rectangle 9,16 22,31' \
        -fill '#800000' -draw 'polygon 16,0 23,9 20,15 16,12 12,15 9,9' \
        -fill '#ff0000' -draw 'polygon 16,4 20,10 16,9 12,10' \
        -fill '#ffff00' -draw 'rectangle 15,7 17,10' \
        -resize ${size}x${size} -colors 16 -depth 8 rund2_${size}.png
done

# Side picture: a night gradient with a tower and the program's name.
convert -size 168x336 gradient:'#000040-#400000' \
    -fill '#101010' -draw 'polygon 60,336 60,150 54,150 54,120 114,120 114,150 108,150 108,336' \
    -fill '#101010' -draw 'rectangle 54,110 64,120 rectangle 74,110 84,120 rectangle 94,110 104,120 rectangle 104,110 114,120' \
    -fill '#ffcc40' -draw 'rectangle 80,170 88,186' -draw 'rectangle 80,230 88,246' \
    -fill '#ffffff' -draw 'point 20,30 point 140,50 point 40,80 point 150,20 point 100,60 point 12,140 point 156,110' \
    -fill '#e0c080' -font DejaVu-Serif-Bold -pointsize 22 -gravity north -annotate +0+20 'Quillmere' \
    -colors 64 -depth 8 side.png

# Folder list icons, closed and open, in the classic yellow.
convert -size 16x16 xc:none -fill '#808000' -draw 'rectangle 1,3 6,4' \
    -fill '#ffff80' -stroke '#808000' -draw 'rectangle 1,4 14,13' -colors 16 -depth 8 folder_closed.png
convert -size 16x16 xc:none -fill '#808000' -draw 'rectangle 1,3 6,4' \
    -fill '#c0c000' -stroke '#808000' -draw 'rectangle 1,4 12,13' \
    -fill '#ffff80' -draw 'polygon 3,7 15,7 12,13 1,13' -colors 16 -depth 8 folder_open.png
