#!/usr/bin/env bash
# Makes the fixture files of the format tests with other programs: Pillow,
# libtiff's tools, ImageMagick and GDAL. Run it in this folder; the files are
# committed, so the tests need none of these programs. Every picture is the
# same pattern: pixel (row r, column c) = (16 r + 3 c) mod 256, 12 x 10
# pixels, or that value's high nibble / low bit where the depth is smaller.
set -euo pipefail
cd "$(dirname "$0")"
py=/usr/bin/python3

$py - <<'PY'
from PIL import Image
W, H = 12, 10
def v(r, c): return (16 * r + 3 * c) % 256
grey = Image.new("L", (W, H))
grey.putdata([v(r, c) for r in range(H) for c in range(W)])
grey.save("pattern.png")
grey.save("pillow-grey8.tif")                              # Pillow: 8-bit min-is-black, one strip
grey.save("pillow-grey8.bmp")                              # Pillow: 8-bit BMP, 256-entry palette
pal = grey.convert("P")
pal.putpalette([x for i in range(256) for x in (i, 255 - i, i // 2)])
pal.save("pillow-palette8.pcx")                            # Pillow: 256-colour PCX
pal.save("pillow-palette8.tif")                            # Pillow: 8-bit palette TIFF
few = Image.new("P", (W, H))
few.putdata([v(r, c) % 5 for r in range(H) for c in range(W)])
few.putpalette([10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150])
few.save("pillow-palette-short.bmp", bits=4)               # Pillow: few colours used
bits = grey.point(lambda x: 255 if x & 16 else 0).convert("1")
bits.save("pillow-bits.tif")                               # Pillow: 1-bit
bits.save("pillow-bits.bmp")
big = Image.new("I;16B", (W, H))
big.putdata([v(r, c) * 257 for r in range(H) for c in range(W)])
big.save("pillow-grey16-big-endian.tif")                   # Pillow: 16-bit, big-endian ("MM")
rgb = Image.merge("RGB", (grey, grey.point(lambda x: 255 - x), grey.point(lambda x: x // 2)))
rgb.save("pillow-rgb24.bmp")                               # Pillow: 24-bit BMP
pages = [grey, grey.point(lambda x: 255 - x)]
pages[0].save("pillow-two-pages.tif", save_all=True, append_images=pages[1:])
PY

# libtiff: strips of 3 rows, so the last of the four holds one row.
tiffcp -c none -r 3 pillow-grey8.tif tiffcp-strips3.tif
# libtiff: the 16-bit file rewritten with strips of 4 rows, still big-endian.
tiffcp -B -c none -r 4 pillow-grey16-big-endian.tif tiffcp-grey16-big-endian-strips4.tif
# libtiff: an LZW-compressed copy, which must be refused.
tiffcp -c lzw pillow-grey8.tif tiffcp-lzw.tif

# ImageMagick: a 256-colour PCX of a 16-colour picture, a 24-bit (3-plane)
# PCX that must be refused, and a 4-bit palette BMP.
convert pattern.png -colors 16 png8:magick-colours16.png
convert magick-colours16.png pcx:magick-palette8.pcx
rm magick-colours16.png
convert pattern.png pcx:magick-rgb.pcx
convert pattern.png -colors 16 -type Palette bmp3:magick-palette4.bmp
# ImageMagick: a 4-bit grey TIFF.
convert pattern.png -depth 4 -compress none magick-grey4.tif

# GDAL: a Golden Software binary grid (DSBB) of the pattern, with a georeference.
gdal_translate -q -of GTiff -a_ullr 100 200 112 190 pattern.png gdal-georef.tif
gdal_translate -q -of GSBG -ot Float32 gdal-georef.tif gdal-pattern.grd
rm -f gdal-georef.tif *.aux.xml
