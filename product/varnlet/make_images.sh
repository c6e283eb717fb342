#!/bin/bash
# Draws Varnlet's three pictures with ImageMagick: the emblem (varnlet.jpg)
# and the two sample tiles (sample1.jpg, sample2.jpg). Both samples repeat
# without a seam: the first is a small tile repeated, the second a wave whose
# periods divide its size. Each JPEG must stay below 30000 bytes, so that the
# installer stores it as one piece. Also makes the program's icon from the
# emblem's tile (varnlet/vrl32/varnlet.ico).
# usage: product/varnlet/make_images.sh   (needs ImageMagick's convert and the
#        DejaVu fonts: apt-get install imagemagick fonts-dejavu-core)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$here/files
icon=$here/../../varnlet/vrl32/varnlet.ico
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cream='#f4ecd8'
teal='#2f6f73'
rust='#c8553d'
navy='#1d3557'

# The emblem: a teal tile with a cut-out V, two diamonds at its sides, the
# name below. The program's icon is the tile alone.
convert -size 240x180 xc:"$cream" \
    -fill "$teal" -stroke "$navy" -strokewidth 2 -draw "roundrectangle 70,12 170,112 14,14" \
    -stroke none -fill "$cream" -draw "polygon 84,28 104,28 120,82 136,28 156,28 128,100 112,100" \
    -fill "$rust" -draw "circle 120,40 120,48" \
    -draw "polygon 70,62 78,54 86,62 78,70" -draw "polygon 154,62 162,54 170,62 162,70" \
    "$work/tile.png"
convert "$work/tile.png" \
    -font DejaVu-Serif-Bold -pointsize 34 -fill "$navy" -gravity north -annotate +0+118 'Varnlet' \
    -font DejaVu-Sans -pointsize 11 -fill "$teal" -annotate +0+160 'seamless pattern tiles' \
    -strip -quality 88 "$out/varnlet.jpg"
convert "$work/tile.png" -crop 104x104+68+10 +repage -define icon:auto-resize=48,32,16 "$icon"

# Sample 1, "Diamonds": a 40-pixel tile of nested diamonds with dots at its
# centre and corners, repeated five times each way.
convert -size 40x40 xc:"$cream" \
    -fill "$teal" -draw "polygon 20,2 38,20 20,38 2,20" \
    -fill "$cream" -draw "polygon 20,10 30,20 20,30 10,20" \
    -fill "$rust" -draw "circle 20,20 20,24" \
    -draw "circle 0,0 0,4 circle 40,0 40,4 circle 0,40 0,44 circle 40,40 40,44" \
    "$work/diamond.png"
convert -size 200x200 tile:"$work/diamond.png" -strip -quality 85 "$out/sample1.jpg"

# Sample 2, "Waves": bands 25 pixels apart that swing once across 100
# pixels, shaded from navy to pale.
convert -size 200x200 xc: -fx "(sin(2*pi*(j/25) + 2*sin(2*pi*i/100)))/2+0.5" "$work/waves.png"
convert "$work/waves.png" -colorspace sRGB -type TrueColor \
    \( -size 1x256 gradient:"$navy"-'#f1faee' \) -clut -strip -quality 85 "$out/sample2.jpg"

for picture in varnlet sample1 sample2; do
    size=$(stat -c %s "$out/$picture.jpg")
    if [ "$size" -ge 30000 ]; then
        echo "$picture.jpg is $size bytes; it must stay below 30000" >&2
        exit 1
    fi
done
