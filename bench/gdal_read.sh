#!/usr/bin/env bash
# Times reading one TG3 image through the GDAL plug-in, whole and by 128 x 128 blocks in
# raster order, beside `tvx decode` of the same image on one thread. The image is the
# benchmark's flower tiled to SIZE x SIZE (default 8192) and coded losslessly.
# usage: bench/gdal_read.sh [SIZE]    (needs a build in build/ with the plug-in)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
size="${1:-8192}"
tvx="$root/build/tools/tvx/tvx"
work="$root/out/bench-gdal"
export GDAL_DRIVER_PATH="$root/build/gdal"
mkdir -p "$work"
cd "$work"
if [ ! -f "tiled$size.tvx" ]; then
  "$tvx" encode --quiet "$root/bench/data/flower.png" flower.tvx
  "$tvx" decode --quiet flower.tvx flower.ppm
  /usr/bin/python3 "$root/bench/pnm.py" tile flower.ppm "$size" "$size" "tiled$size.ppm"
  "$tvx" encode --quiet "tiled$size.ppm" "tiled$size.tvx"
  rm -f "tiled$size.ppm"
fi

timed() {
  local label="$1"; shift
  /usr/bin/time -f "$label: %e s wall, %U s user, %M KiB peak" "$@"
}
timed "tvx decode, 1 thread" "$tvx" decode --quiet --threads 1 "tiled$size.tvx" decoded.pam
rm -f decoded.pam
timed "GDAL, whole image in one read" /usr/bin/python3 -c "
from osgeo import gdal
ds = gdal.Open('tiled$size.tvx')
ds.ReadRaster(0, 0, ds.RasterXSize, ds.RasterYSize)"
timed "GDAL, 128 x 128 windows in raster order" /usr/bin/python3 -c "
from osgeo import gdal
ds = gdal.Open('tiled$size.tvx')
w, h = ds.RasterXSize, ds.RasterYSize
for y in range(0, h, 128):
    for x in range(0, w, 128):
        ds.ReadRaster(x, y, min(128, w - x), min(128, h - y))"
