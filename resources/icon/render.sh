#!/usr/bin/env bash
# Renders the icon from dispenser-console.svg, beside it: the PNG sizes
# NxN.png the desktop's icon theme looks for, and the Windows .ico. Run after
# changing the drawing; what it makes is kept in the tree.
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

# The Windows icon: the sizes Windows shows, each stored as PNG in one .ico.
python3 - dispenser-console.ico 16 24 32 48 64 128 256 <<'PY'
import struct, sys
out, sizes = sys.argv[1], [int(s) for s in sys.argv[2:]]
images = [open(f"{s}x{s}.png", "rb").read() for s in sizes]
offset = 6 + 16 * len(images)
header = struct.pack("<HHH", 0, 1, len(images))
for size, image in zip(sizes, images):
    header += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
    offset += len(image)
with open(out, "wb") as f:
    f.write(header + b"".join(images))
PY
