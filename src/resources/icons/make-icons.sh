#!/usr/bin/env bash
# Redraws the tool's icons with ImageMagick. The PNGs are committed; run this only to change the artwork.
set -euo pipefail
cd "$(dirname "$0")"
c() { convert -size "$1" xc:none "${@:2}"; }

# Application icon: a server cabinet with a check mark, on a blue rounded square, at every size the
# freedesktop icon theme looks up for a menu entry.
for s in 256 128 64 48 32 24 16; do
    c 256x256 -fill '#1f5fa8' -draw 'roundrectangle 8,8 248,248 40,40' \
        -fill '#e8eef6' -draw 'roundrectangle 64,40 192,216 12,12' \
        -fill '#1f5fa8' -draw 'rectangle 80,64 176,88' -draw 'rectangle 80,108 176,132' \
        -fill '#3fbf5f' -draw 'circle 168,180 168,206' \
        -stroke white -strokewidth 8 -fill none -draw 'polyline 154,180 164,192 184,168' \
        -resize "${s}x${s}" "qaradmin-$s.png"
done

# Side bar (32 x 32): 0 applications, 1 roles, 2 message extend, 3 groups, 4 depts & users,
# 5 unit, 6 user, 7 key, 8 websites, 9 settings.
c 32x32 -fill '#d04a3a' -draw 'roundrectangle 3,3 14,14 2,2' -fill '#3a8fd0' -draw 'roundrectangle 17,3 28,14 2,2' \
    -fill '#3fae55' -draw 'roundrectangle 3,17 14,28 2,2' -fill '#e0a526' -draw 'roundrectangle 17,17 28,28 2,2' large-0.png
c 32x32 -fill '#6a4fb0' -draw 'polygon 16,2 28,7 26,20 16,30 6,20 4,7' -fill white -draw 'circle 16,13 16,17' \
    -draw 'ellipse 16,23 6,3 180,360' large-1.png
c 32x32 -fill '#f2f2f2' -stroke '#3a6fb0' -strokewidth 2 -draw 'rectangle 3,7 28,25' -fill none -draw 'polyline 3,7 16,17 28,7' large-2.png
c 32x32 -fill '#3a8fd0' -draw 'circle 9,12 9,16' -draw 'circle 23,12 23,16' -draw 'ellipse 9,24 6,5 180,360' \
    -draw 'ellipse 23,24 6,5 180,360' -fill '#1f5fa8' -draw 'circle 16,10 16,15' -draw 'ellipse 16,25 8,6 180,360' large-3.png
c 32x32 -stroke '#555555' -strokewidth 2 -draw 'line 16,10 16,16' -draw 'line 7,16 25,16' -draw 'line 7,16 7,20' \
    -draw 'line 25,16 25,20' -stroke none -fill '#e0a526' -draw 'rectangle 10,2 22,10' -fill '#3a8fd0' \
    -draw 'rectangle 1,20 13,29' -draw 'rectangle 19,20 31,29' large-4.png
c 32x32 -fill '#e0a526' -draw 'polygon 2,8 12,8 15,11 30,11 30,27 2,27' large-5.png
c 32x32 -fill '#3a8fd0' -draw 'circle 16,10 16,17' -draw 'ellipse 16,29 11,10 180,360' large-6.png
c 32x32 -fill '#c9a227' -draw 'circle 10,16 10,24' -draw 'rectangle 14,14 30,18' -draw 'rectangle 24,18 27,23' \
    -fill white -draw 'circle 8,16 8,19' large-7.png
c 32x32 -fill '#3a8fd0' -draw 'circle 16,16 16,2' -stroke white -strokewidth 2 -fill none -draw 'ellipse 16,16 6,14 0,360' \
    -draw 'line 2,16 30,16' -draw 'line 4,9 28,9' -draw 'line 4,23 28,23' large-8.png
c 32x32 -fill '#777777' -draw 'circle 16,16 16,4' -fill '#f2f2f2' -draw 'circle 16,16 16,10' -fill '#777777' \
    -draw 'rectangle 13,0 19,6' -draw 'rectangle 13,26 19,32' -draw 'rectangle 0,13 6,19' -draw 'rectangle 26,13 32,19' large-9.png

# Tree (16 x 16): 0 unit, 1 user, 2 spare unit, 3 group, 4 administrator, 5 independent user,
# 6 independent administrator. A dark outline keeps each one visible on the selection's highlight.
o=(-stroke '#1b2b3b' -strokewidth 1)
c 16x16 "${o[@]}" -fill '#e0a526' -draw 'polygon 1,4 6,4 8,6 15,6 15,14 1,14' small-0.png
c 16x16 "${o[@]}" -fill '#3a8fd0' -draw 'circle 8,5 8,8' -draw 'ellipse 8,15 6,5 180,360' small-1.png
c 16x16 "${o[@]}" -fill '#a0a0a0' -draw 'polygon 1,4 6,4 8,6 15,6 15,14 1,14' small-2.png
c 16x16 "${o[@]}" -fill '#1f5fa8' -draw 'circle 5,6 5,8' -draw 'circle 11,6 11,8' -draw 'ellipse 5,14 4,4 180,360' \
    -draw 'ellipse 11,14 4,4 180,360' small-3.png
c 16x16 "${o[@]}" -fill '#d04a3a' -draw 'circle 8,5 8,8' -draw 'ellipse 8,15 6,5 180,360' small-4.png
c 16x16 "${o[@]}" -fill '#3fae55' -draw 'circle 8,5 8,8' -draw 'ellipse 8,15 6,5 180,360' small-5.png
c 16x16 "${o[@]}" -fill '#e07b26' -draw 'circle 8,5 8,8' -draw 'ellipse 8,15 6,5 180,360' small-6.png

# Find bar (16 x 16): a magnifying glass.
c 16x16 -stroke '#3b4b5b' -strokewidth 2 -fill '#dcebf7' -draw 'circle 6,6 6,11' -draw 'line 10,10 14,14' find-16.png
