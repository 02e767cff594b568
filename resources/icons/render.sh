#!/bin/sh
# Regenerates the hicolor icon tree from the SVG sources. The PNGs are kept in
# the repository, so building never needs rsvg-convert; run this after editing
# gaugeloft.svg or gaugeloft-16.svg.
set -eu

cd "$(dirname "$0")"
command -v rsvg-convert >/dev/null 2>&1 || {
    echo "render.sh: rsvg-convert not found (Debian: apt-get install librsvg2-bin)" >&2
    exit 1
}

for size in 16 22 24 32 48 64 128 256; do
    # 16 px has its own drawing snapped to the pixel grid
    source=gaugeloft.svg
    [ "$size" -eq 16 ] && source=gaugeloft-16.svg
    dir="hicolor/${size}x${size}/apps"
    mkdir -p "$dir"
    rsvg-convert --width "$size" --height "$size" --format png --output "$dir/gaugeloft.png" "$source"
done

mkdir -p hicolor/scalable/apps
cp gaugeloft.svg hicolor/scalable/apps/gaugeloft.svg
