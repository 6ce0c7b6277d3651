#!/usr/bin/env bash
# Renders the icon's PNG sizes from dispenser-console.svg, beside it:
# NxN.png for every size the desktop's icon theme looks in. Run after
# changing the drawing; the PNGs are kept in the tree.
set -euo pipefail
cd "$(dirname "$0")"
if ! command -v rsvg-convert >/dev/null; then
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends librsvg2-bin >/dev/null
fi
for size in 16 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" dispenser-console.svg --output "${size}x${size}.png"
done
