#!/usr/bin/env bash
# Renders the wizard's pictures from their SVG sources (rsvg-convert and ImageMagick).
set -euo pipefail
cd "$(dirname "$0")"
rsvg-convert banner_vert1.svg | convert png:- -quality 92 banner_vert1.jpg
rsvg-convert product_banner.svg | convert png:- -quality 92 product_banner.jpg
rsvg-convert layout_option1.svg -o layout_option1.png
mkdir -p ../../../data/icons
cp banner_vert1.jpg ../../../data/icons/banner_vert1.jpg
