#!/usr/bin/env bash
# Makes titrelle.ico, the Windows program's icon, from the Linux package's drawing (platforms/linux/titrelle.svg):
# ffmpeg draws it (through librsvg) at each size the shell asks for, and the PNG images are packed into one .ico.
# The .ico is kept in the repository; run this again after the drawing changes.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sizes="16 24 32 48 64 256"
for size in $sizes; do
  ffmpeg -hide_banner -loglevel error -y -width "$size" -height "$size" -i ../linux/titrelle.svg \
    -pix_fmt rgba "$work/$size.png"
done
python3 - "$work" $sizes >titrelle.ico <<'PY'
import struct, sys
folder, sizes = sys.argv[1], [int(s) for s in sys.argv[2:]]
images = [open(f"{folder}/{s}.png", "rb").read() for s in sizes]
out = struct.pack("<HHH", 0, 1, len(images))
offset = 6 + 16 * len(images)
for size, data in zip(sizes, images):
    side = 0 if size >= 256 else size  # 0 stands for 256
    out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
sys.stdout.buffer.write(out + b"".join(images))
PY
