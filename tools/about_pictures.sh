#!/usr/bin/env bash
# Draws the About window's two pictures into src/ui/pictures/ with ImageMagick: the title
# (259x31) and the product picture (100x132), in the banner's colours. Each is drawn at four
# times its size and scaled down, so its curves come out smooth.
set -euo pipefail
cd "$(dirname "$0")/.."
out=src/ui/pictures
navy='#22446b'
steel='#3f78aa'

# The quill: a vane along the upward axis from the nib at (0,0), a spine, a few notches.
quill() {  # colour, background colour
  echo "fill $1 stroke none
        path 'M -5,-62 L 0,0 L 5,-62 Z'
        path 'M 0,-55 C -52,-135 -62,-285 0,-365 C 42,-292 38,-150 0,-55 Z'
        stroke $2 stroke-width 7 stroke-linecap round line 0,-58 0,-330
        stroke none fill $2
        path 'M -34,-170 L -60,-190 L -33,-182 Z'
        path 'M -30,-245 L -52,-262 L -28,-256 Z'
        path 'M 27,-210 L 44,-232 L 26,-224 Z'"
}

# Title: the quill, "Quill" in navy and "mark" in steel blue, and a pen stroke under the end.
convert -size 1036x124 xc:white \
  -draw "translate 36,118 rotate 30 scale 0.33,0.33 $(quill "$navy" white)" \
  -font DejaVu-Sans-Bold -pointsize 92 \
  -fill "$navy" -annotate +118+96 'Quill' \
  -fill "$steel" -annotate +354+96 'mark' \
  -fill none -stroke "$steel" -strokewidth 6 \
  -draw "stroke-linecap round path 'M 648,94 C 750,72 880,106 1022,78'" \
  -resize 259x31! -quality 92 "$out/about-title.jpg"

# Product picture: a card in the banner's blue with a white quill writing its mark, and the
# product's name below.
convert -size 400x528 gradient:'#1d3a5f-#4a7fae' \
  -fill '#ffffff14' -draw 'circle 330,120 480,120' -draw 'circle 40,540 170,540' \
  -draw "translate 112,392 rotate 30 $(quill white '#2a4d76')" \
  -fill none -stroke white -strokewidth 9 \
  -draw "stroke-linecap round path 'M 104,404 C 170,432 250,380 330,404'" -stroke none \
  -font DejaVu-Sans-Bold -pointsize 58 -fill white -gravity south -annotate +0+56 'Quillmark' \
  -font DejaVu-Sans -pointsize 30 -fill '#cfe0f0' -annotate +0+22 'keyword research' \
  -gravity northwest \
  \( +clone -alpha transparent -fill white -draw 'roundrectangle 0,0 399,527 28,28' \) \
  -compose DstIn -composite -background white -compose over -flatten \
  -resize 100x132! -quality 92 "$out/about-product.jpg"
