#!/usr/bin/env bash
# Renders the program's pictures from the SVG sources in this folder into the shipped program
# folder (data/) and the application icon. Needs rsvg-convert and ImageMagick's convert.
set -euo pipefail
art=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$art")
icons=$root/data/icons
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$icons" "$root/src/app/gui/resources"

# Toolbar pictures, 32 x 32.
for name in setup pref stop refresh view help exit; do
    rsvg-convert -w 32 -h 32 "$art/toolbar/$name.svg" -o "$icons/$name.png"
done

# The busy animation: each column fills from the bottom and empties again, one after the other,
# like a wave running across the page. Prints the fill rectangles of one frame.
# wave FRAME COLUMN_LEFTS WIDTH TOP HEIGHT COLOUR
wave() {
    awk -v frame="$1" -v lefts="$2" -v width="$3" -v top="$4" -v height="$5" -v colour="$6" 'BEGIN {
        n = split(lefts, left, ",")
        for (c = 1; c <= n; c++) {
            f = (1 + sin(2 * 3.14159265 * frame / 12 - (c - 1) * 3.14159265 / 2)) / 2
            h = 0.15 * height + 0.85 * height * f
            printf "<rect x=\"%s\" y=\"%.2f\" width=\"%s\" height=\"%.2f\" fill=\"%s\"/>", left[c], top + height - h, width, h, colour
        }
    }'
}

# Tray icon: at rest, and 12 frames of the animation, 16 x 16.
rsvg-convert -w 16 -h 16 "$art/tray.svg" -o "$icons/tray.png"
# The status picture is a full square so that it needs no transparency (BMP and GIF).
sed 's|<rect x="3" y="3" width="58" height="58" rx="13"|<rect x="0" y="0" width="64" height="64" rx="0"|' \
    "$art/logo.svg" > "$work/status.svg"
frames=()
for frame in $(seq 1 12); do
    tag=$(printf '%02d' "$frame")
    sed "s|<!--FILL-->|$(wave $((frame - 1)) 3,6.7,10.4 2.6 5.4 7.6 '#ffc45c')|" "$art/tray.svg" \
        > "$work/tray$tag.svg"
    rsvg-convert -w 16 -h 16 "$work/tray$tag.svg" -o "$icons/tray$tag.png"
    sed "s|<!--FILL-->|$(wave $((frame - 1)) 12,26.5,41 11 22 29 '#ffd48a')|" "$work/status.svg" \
        > "$work/status$tag.svg"
    rsvg-convert -w 50 -h 50 "$work/status$tag.svg" -o "$work/status$tag.png"
    frames+=("$work/status$tag.png")
done

# Status pictures, 50 x 50: still at rest, animated during a download.
rsvg-convert -w 50 -h 50 "$work/status.svg" -o "$work/status.png"
convert "$work/status.png" -background '#1a4a8c' -alpha remove -type TrueColor BMP3:"$root/data/nimbrel.bmp"
convert -delay 8 -loop 0 "${frames[@]}" -background '#1a4a8c' -alpha remove -layers Optimize \
    "$root/data/nimbrel.gif"

# Application icon.
rsvg-convert -w 256 -h 256 "$art/logo.svg" -o "$root/src/app/gui/resources/nimbrel.png"
cp "$art/logo.svg" "$root/src/app/gui/resources/nimbrel.svg"
sed -i 's|<!--FILL-->||' "$root/src/app/gui/resources/nimbrel.svg"
