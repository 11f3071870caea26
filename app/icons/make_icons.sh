#!/bin/sh
# Renders the program's icon, dayloom.svg, into the PNG sizes the window, the
# tray and the desktop entry use. Run again after changing the drawing.
set -e
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
    convert -background none -density 384 dayloom.svg -filter Lanczos -resize "${size}x${size}" \
        -strip "PNG32:dayloom-$size.png"
done
