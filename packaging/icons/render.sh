#!/usr/bin/env bash
# Renders the PNG sizes of the icon from quorvane.svg (needs rsvg-convert from
# librsvg2-bin). Run after editing the SVG and commit the PNGs with it: the
# build only copies them, so it needs no SVG renderer.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" quorvane.svg --output "quorvane-$size.png"
done
