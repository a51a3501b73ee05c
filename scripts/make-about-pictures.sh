#!/bin/sh
# Draws the about boxes' pictures (run by hand; the results are committed): a banner JPEG and a
# two-frame emblem strip (33 x 26 frames) on the transparent colour #9AAEFF.
set -e
out=$(cd "$(dirname "$0")/../uicomponents/pictures" && pwd)
convert -size 360x64 gradient:'#1d3f7a-#4f86c6' \
  -fill white -font DejaVu-Sans-Bold -pointsize 26 -annotate +62+41 'LARK-FTP' \
  -fill '#cfe0f5' -font DejaVu-Sans -pointsize 11 -annotate +64+56 'transfers on schedule' \
  -quality 88 "$out/about_banner.jpg"
frame() {  # $1 wing colour, $2 wing y
  convert -size 33x26 xc:'#9AAEFF' -fill '#f4f4f4' -stroke '#203050' -draw 'ellipse 16,15 9,7 0,360' \
    -fill "$1" -draw "polygon 8,14 16,$2 24,14" -fill '#203050' -stroke none -draw 'circle 20,13 21,13' \
    -fill '#e0a020' -draw 'polygon 25,14 30,15 25,17' "$2.png"
}
tmp=$(mktemp -d)
cd "$tmp"
frame '#4f86c6' 4
frame '#1d3f7a' 22
convert 4.png 22.png +append -type TrueColor BMP3:"$out/emblem_strip.bmp"
cd / && rm -rf "$tmp"
# The web link's picture: a small globe.
convert -size 16x16 xc:'#f0f0f0' -fill '#4f86c6' -stroke '#1d3f7a' -draw 'circle 7.5,7.5 7.5,1' \
  -fill none -draw 'ellipse 7.5,7.5 3,6.5 0,360' -draw 'line 1,7.5 14,7.5' -type TrueColor BMP3:"$out/web_link.bmp"
