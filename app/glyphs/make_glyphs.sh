#!/bin/sh
# Draws the button glyphs of the main window (16x16 PNG, drawn at 4x and
# scaled down for smooth edges). Run again after changing a drawing.
set -e
cd "$(dirname "$0")"
finish() { convert "$1" -filter Lanczos -resize 16x16 -strip "PNG32:$2.png"; rm -f "$1"; }
page() {  # a calendar page with its red top strip and two rings
    convert -size 64x64 xc:none \
        -fill '#fdfdfd' -stroke '#1f3f7a' -strokewidth 4 -draw 'roundrectangle 6,10 58,58 6,6' \
        -fill '#c8302c' -draw 'roundrectangle 6,10 58,24 6,6' \
        -stroke '#1f3f7a' -strokewidth 5 -draw 'line 20,4 20,16' -draw 'line 44,4 44,16' "$1"
}
page /tmp/g.png
convert /tmp/g.png -fill '#1f6f2a' -stroke none -draw 'polygon 32,28 50,50 14,50' /tmp/h.png
finish /tmp/h.png calendar_hide
convert /tmp/g.png -fill '#1f6f2a' -stroke none -draw 'polygon 14,30 50,30 32,52' /tmp/s.png
finish /tmp/s.png calendar_show
convert /tmp/g.png -fill '#c8302c' -stroke none -draw 'circle 32,41 32,31' /tmp/t.png
finish /tmp/t.png today
rm -f /tmp/g.png
convert -size 64x64 xc:none -fill '#2a8f3a' -stroke '#145a1f' -strokewidth 3 \
    -draw 'polygon 24,6 40,6 40,24 58,24 58,40 40,40 40,58 24,58 24,40 6,40 6,24 24,24' /tmp/a.png
finish /tmp/a.png add
convert -size 64x64 xc:none -fill '#5a6a80' -stroke '#2a3340' -strokewidth 3 \
    -draw 'polygon 28,2 36,2 38,12 46,8 52,14 48,22 58,26 58,36 48,40 52,48 46,54 38,50 36,60 28,60 26,50 18,54 12,48 16,40 6,36 6,26 16,22 12,14 18,8 26,12' \
    -fill '#e8ecf2' -draw 'circle 32,31 32,21' /tmp/p.png
finish /tmp/p.png prefs
