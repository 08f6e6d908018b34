#!/usr/bin/env bash
# Draws the program's icon (a quill over rising bars on a blue tile) with ImageMagick at 256
# pixels and scales it to the hicolor sizes under data/icons/. Run it again after a change;
# the PNGs are kept in the repository so a build needs no ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
convert_bin=/usr/bin/convert
[ -x "$convert_bin" ] || convert_bin=convert
out=data/icons
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$convert_bin" -size 256x256 xc:none \
  \( -size 232x232 gradient:'#3a7cc4-#163f6b' \) -geometry +12+12 -composite \
  \( -size 256x256 xc:black -fill white -draw 'roundrectangle 12,12 243,243 44,44' \) \
  -alpha off -compose copy_opacity -composite -compose over \
  -fill '#f2b632' -stroke '#c98d12' -strokewidth 3 \
  -draw 'roundrectangle 120,170 146,222 4,4' \
  -draw 'roundrectangle 156,140 182,222 4,4' \
  -draw 'roundrectangle 192,104 218,222 4,4' \
  -fill white -stroke '#dce8f5' -strokewidth 2 \
  -draw "path 'M 52,214 C 70,160 110,88 196,38 C 186,92 150,148 90,176 C 104,160 118,142 128,124 C 108,146 86,170 60,206 Z'" \
  -stroke '#9fb8d6' -strokewidth 4 -fill none \
  -draw "path 'M 44,226 C 80,170 120,112 170,66'" \
  "$tmp/quillmark-256.png"

for size in 16 32 48 64 128 256; do
  mkdir -p "$out/${size}x${size}"
  "$convert_bin" "$tmp/quillmark-256.png" -filter Lanczos -resize "${size}x${size}" \
    -strip "PNG32:$out/${size}x${size}/quillmark.png"
done
echo "icons written under $out/"
