#!/bin/sh
# Draws the eight class portraits (46 x 41 pixels) shown in the preview panel into
# ../images/portrait_<class>.gif. Our own drawings, made from ImageMagick draw primitives only:
#   sh resources/portraits/draw_portraits.sh
set -eu
cd "$(dirname "$0")"
out=../images

# Every portrait: a dim backdrop with a lighter glow behind the head.
portrait() {
    name=$1
    shift
    convert -size 46x41 xc:'#1c1612' \
        -fill '#3a2c20' -draw 'circle 23,16 23,-4' \
        -fill '#4a3828' -draw 'circle 23,14 23,2' \
        "$@" \
        -strip +repage +dither -colors 64 "$out/portrait_$name.gif"
}

# Amazon: a drawn bow on the left with an arrow nocked, leather top, fair ponytail.
portrait amazon \
    -stroke '#8a5a24' -strokewidth 2 -fill none -draw 'arc 2,3 16,39 90,270' \
    -stroke '#d8d0b0' -strokewidth 1 -draw 'line 9,4 9,38' \
    -stroke '#b08040' -draw 'line 9,21 30,21' \
    -stroke none -fill '#c8c8d0' -draw 'polygon 30,19 34,21 30,23' \
    -fill '#6a4a2a' -draw 'polygon 14,41 16,26 23,22 30,26 32,41' \
    -fill '#2f5a2a' -draw 'polygon 17,41 18,28 23,25 28,28 29,41' \
    -fill '#d8a878' -draw 'rectangle 21,18 25,23' \
    -fill '#d8a878' -draw 'ellipse 23,13 5,6 0,360' \
    -fill '#e0c050' -draw 'ellipse 23,8 6,3 180,360' \
    -fill '#e0c050' -draw 'polygon 27,8 33,14 31,22 28,12' \
    -fill '#202020' -draw 'point 21,13' -draw 'point 25,13'

# Sorceress: violet robe, dark hair, a staff on the right crowned by a glowing blue orb.
portrait sorceress \
    -stroke '#7a5a30' -strokewidth 2 -draw 'line 37,12 37,40' \
    -stroke none -fill '#3a60ff' -draw 'circle 37,8 37,12' \
    -fill '#b0d0ff' -draw 'circle 36,7 36,8' \
    -fill '#5a2a7a' -draw 'polygon 11,41 15,25 23,21 31,25 35,41' \
    -fill '#7a3aa0' -draw 'polygon 19,41 21,26 23,24 25,26 27,41' \
    -fill '#e0b090' -draw 'rectangle 21,17 25,22' \
    -fill '#2a1a2a' -draw 'ellipse 23,13 7,8 180,360' \
    -fill '#2a1a2a' -draw 'polygon 16,13 15,26 19,24 18,13' -draw 'polygon 30,13 31,26 27,24 28,13' \
    -fill '#e0b090' -draw 'ellipse 23,14 5,6 0,360' \
    -fill '#2a1a2a' -draw 'ellipse 23,9 6,3 180,360' \
    -fill '#e0b090' -draw 'circle 35,27 35,29' \
    -fill '#202020' -draw 'point 21,14' -draw 'point 25,14'

# Necromancer: pale face under a black hood, robe, a white skull held up in one hand.
portrait necromancer \
    -fill '#101014' -draw 'polygon 9,41 13,22 23,16 33,22 37,41' \
    -fill '#1e1e28' -draw 'ellipse 23,13 9,10 0,360' \
    -fill '#e8ecf0' -draw 'ellipse 23,14 5,6 0,360' \
    -fill '#1e1e28' -draw 'polygon 15,8 23,4 31,8 29,10 17,10' \
    -fill '#303040' -draw 'point 21,14' -draw 'point 25,14' \
    -fill '#9aa0a8' -draw 'line 21,18 25,18' \
    -fill '#a0ffa0' -draw 'circle 12,29 12,35' \
    -fill '#f4f0e0' -draw 'ellipse 12,28 5,5 0,360' -draw 'rectangle 9,31 15,35' \
    -fill '#101010' -draw 'rectangle 9,27 11,29' -draw 'rectangle 13,27 15,29' -draw 'point 12,31' \
    -draw 'line 10,34 14,34' \
    -fill '#e8ecf0' -draw 'rectangle 9,36 15,38'

# Paladin: steel helm and mail, a large shield with a red cross held before the body.
portrait paladin \
    -fill '#8890a0' -draw 'polygon 9,41 13,24 23,20 33,24 37,41' \
    -fill '#a8b0c0' -draw 'ellipse 23,12 7,8 0,360' \
    -fill '#d8b088' -draw 'rectangle 19,11 27,17' \
    -fill '#202020' -draw 'point 21,13' -draw 'point 25,13' \
    -fill '#c8d0e0' -draw 'rectangle 22,3 24,11' \
    -fill '#e0c060' -draw 'polygon 14,22 32,22 32,31 23,40 14,31' \
    -fill '#f0f0f0' -draw 'polygon 16,24 30,24 30,30 23,37 16,30' \
    -fill '#c01818' -draw 'rectangle 21,24 25,36' -draw 'rectangle 16,27 30,30'

# Barbarian: horned helm, bare chest with a fur belt, an axe raised in each hand.
portrait barbarian \
    -stroke '#6a4020' -strokewidth 2 -draw 'line 6,10 6,38' -draw 'line 40,10 40,38' \
    -stroke none -fill '#c0c8d0' -draw 'polygon 6,9 1,6 0,11 1,22 6,19' -draw 'polygon 40,9 45,6 46,11 45,22 40,19' \
    -fill '#e8eef4' -draw 'line 1,7 1,21' -draw 'line 44,7 44,21' \
    -fill '#c88a5a' -draw 'polygon 9,41 12,26 23,21 34,26 37,41' \
    -draw 'ellipse 7,31 3,3 0,360' -draw 'ellipse 39,31 3,3 0,360' \
    -fill '#a06a40' -draw 'line 23,27 23,33' -draw 'line 18,26 22,28' -draw 'line 28,26 24,28' \
    -fill '#5a3a1a' -draw 'rectangle 12,36 34,41' \
    -fill '#8a6a3a' -draw 'rectangle 12,36 34,37' \
    -fill '#c88a5a' -draw 'ellipse 23,14 6,7 0,360' \
    -fill '#707880' -draw 'ellipse 23,10 7,5 180,360' -draw 'rectangle 16,9 30,11' \
    -fill '#f0ead8' -draw 'polygon 16,10 12,2 10,3 13,12' -draw 'polygon 30,10 34,2 36,3 33,12' \
    -fill '#202020' -draw 'point 21,14' -draw 'point 25,14' \
    -fill '#603a18' -draw 'rectangle 19,18 27,21'

# Druid: leaf crown, green and brown pelts, a grey wolf at his side.
portrait druid \
    -fill '#4a3a22' -draw 'polygon 13,41 16,24 25,20 33,24 35,41' \
    -fill '#3a6a2a' -draw 'polygon 18,41 20,26 25,23 30,26 31,41' \
    -fill '#d0a070' -draw 'ellipse 26,13 5,6 0,360' \
    -fill '#7a5a3a' -draw 'polygon 21,17 31,17 29,22 23,22' \
    -fill '#40a030' -draw 'ellipse 20,8 3,2 0,360' -draw 'ellipse 26,6 3,2 0,360' -draw 'ellipse 32,8 3,2 0,360' \
    -fill '#60c040' -draw 'ellipse 23,7 2,1 0,360' -draw 'ellipse 29,7 2,1 0,360' \
    -fill '#202020' -draw 'point 24,13' -draw 'point 28,13' \
    -fill '#8a8a90' -draw 'polygon 1,41 3,30 7,25 13,25 16,30 15,41' \
    -fill '#9a9aa0' -draw 'polygon 2,27 4,19 8,24' -draw 'polygon 9,24 13,19 14,27' \
    -draw 'ellipse 8,28 6,5 0,360' \
    -fill '#707078' -draw 'polygon 5,30 11,30 8,37' \
    -fill '#202020' -draw 'point 8,36' \
    -fill '#f0d040' -draw 'point 6,27' -draw 'point 10,27'

# Assassin: a black mask with an eye slit, dark garb, a three-bladed claw on one fist.
portrait assassin \
    -fill '#2a1a30' -draw 'polygon 9,41 13,24 23,20 33,24 37,41' \
    -fill '#3a2440' -draw 'polygon 20,41 21,25 23,23 25,25 26,41' \
    -fill '#1a1a1e' -draw 'ellipse 23,13 7,8 0,360' \
    -fill '#d8a880' -draw 'rectangle 17,11 29,14' \
    -fill '#f0f0f0' -draw 'rectangle 19,12 21,13' -draw 'rectangle 25,12 27,13' \
    -fill '#101010' -draw 'point 20,12' -draw 'point 26,12' \
    -fill '#6a2030' -draw 'polygon 15,7 31,7 30,9 16,9' \
    -fill '#40303a' -draw 'rectangle 29,29 35,35' \
    -stroke '#e0e4ec' -strokewidth 1 -draw 'line 31,29 39,15' -draw 'line 33,29 42,16' -draw 'line 35,30 44,19'

# Warlock: a crimson cowl over a shadowed face with glowing eyes, a horned circlet, and a fist
# wreathed in green hellfire held up beside an open black tome.
portrait warlock \
    -fill '#3a0e14' -draw 'polygon 9,41 13,23 23,18 33,23 37,41' \
    -fill '#5a1620' -draw 'polygon 19,41 21,26 23,24 25,26 27,41' \
    -fill '#6a1a24' -draw 'ellipse 23,13 8,10 0,360' \
    -fill '#120c10' -draw 'ellipse 23,15 5,6 0,360' \
    -fill '#b8a070' -draw 'polygon 15,8 31,8 30,10 16,10' \
    -fill '#d8d0c0' -draw 'polygon 16,9 12,1 14,1 18,8' -draw 'polygon 30,9 34,1 32,1 28,8' \
    -fill '#80ff60' -draw 'point 21,14' -draw 'point 25,14' \
    -fill '#20a030' -draw 'polygon 33,31 33,24 35,26 36,17 38,23 40,19 41,25 43,22 43,31' \
    -fill '#90ff70' -draw 'polygon 35,31 35,27 37,28 38,23 39,27 41,26 41,31' \
    -fill '#e0ffd0' -draw 'point 38,28' \
    -fill '#d0a080' -draw 'rectangle 36,31 40,34' \
    -fill '#181014' -draw 'polygon 4,33 12,31 20,33 20,39 12,37 4,39' \
    -fill '#c8b890' -draw 'polygon 5,34 12,32 12,36 5,38' -draw 'polygon 12,32 19,34 19,38 12,36' \
    -fill '#a01818' -draw 'line 12,32 12,37'
