#!/usr/bin/env bash
# Draws the web app's icons (src/platform/web/icon-192.png, icon-512.png) from
# the program's own picture: the desktop build plays a one-line script off
# screen and takes a screenshot, and headless Chromium cuts four keys out of
# it at each size. Run it again when the key artwork changes.
#
# usage: scripts/web-icons.sh [PIANO_BINARY]   (default: build/piano)
set -euo pipefail
cd "$(dirname "$0")/.."
piano=${1:-build/piano}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The welcome of a first start is tapped away, then the keys are shot.
printf '0.20 down 9 240 222\n0.25 up 9\n1.00 shot keys.png\n' >"$work/script.txt"
SDL_AUDIODRIVER=dummy "$piano" --script "$work/script.txt" --offscreen --no-audio --scale 2 \
  --documents "$work/documents" >/dev/null
for size in 192 512; do
  # The 960 x 640 screenshot scaled by 9/8 for 512: four keys, square.
  scale=$(echo "scale=4; $size * 9 / 8 / 512" | bc)
  printf '<body style="margin:0;background:url(keys.png) no-repeat;background-size:%spx %spx;background-position:-%spx -%spx"></body>' \
    "$(echo "960 * $scale" | bc)" "$(echo "640 * $scale" | bc)" "$(echo "240 * $scale" | bc)" "$(echo "185 * $scale" | bc)" \
    >"$work/icon.html"
  chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size="$size,$size" \
    --screenshot="$PWD/src/platform/web/icon-$size.png" "file://$work/icon.html" 2>/dev/null
done
