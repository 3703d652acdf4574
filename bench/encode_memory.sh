#!/usr/bin/env bash
# Large encodes: CPU time and peak resident memory of `tvx encode` for the 8192 x 8192
# image (TG3 lossless, TG2 at its default step and at 1 bit per pixel), and for a
# 16384 x 16384 image made by tiling it four times and stored as a tiled TIFF, which
# the encoder reads as it streams; that file is decoded back and compared with its
# source sample for sample. Writes encodes.tsv in WORK.
#   bench/encode_memory.sh WORK BUILD_DIR
# WORK must hold tiled8192.ppm (bench/compare.sh makes it).
set -euo pipefail

work="$1"
tvx="$2/tools/tvx/tvx"
cd "$work"

# "cpu_seconds peak_kib" of one run, or "- -" when the command fails.
cpu_and_peak() {
  /usr/bin/time -f '%U %S %M' -o encode.time "$@" >/dev/null 2>&1 || { echo "- -"; return; }
  read -r user sys peak <encode.time
  echo "$(/usr/bin/python3 -c "print(round($user + $sys, 2))") $peak"
}

# Whether two PPM files of the 16384 x 16384 image hold the same samples (their headers
# may differ in white space).
same_samples() { cmp -s <(tail -c $((16384 * 16384 * 3)) "$1") <(tail -c $((16384 * 16384 * 3)) "$2"); }

# The 16384 x 16384 tiled TIFF, written by GDAL from a virtual mosaic of four copies,
# and the same samples as a PPM to compare the decoded file with.
/usr/bin/python3 - <<'PY'
from osgeo import gdal
gdal.UseExceptions()
source = gdal.Open('tiled8192.ppm')
n = source.RasterXSize
vrt = gdal.GetDriverByName('VRT').Create('tiled16384.vrt', 2 * n, 2 * n, 0)
for b in range(1, 4):
    vrt.AddBand(gdal.GDT_Byte)
    band = vrt.GetRasterBand(b)
    for y in range(2):
        for x in range(2):
            band.SetMetadataItem(f'source_{2 * y + x}', f'''<SimpleSource>
  <SourceFilename relativeToVRT="1">tiled8192.ppm</SourceFilename><SourceBand>{b}</SourceBand>
  <SrcRect xOff="0" yOff="0" xSize="{n}" ySize="{n}"/>
  <DstRect xOff="{x * n}" yOff="{y * n}" xSize="{n}" ySize="{n}"/></SimpleSource>''', 'new_vrt_sources')
vrt = None
gdal.Translate('tiled16384.tif', 'tiled16384.vrt',
               creationOptions=['TILED=YES', 'BLOCKXSIZE=256', 'BLOCKYSIZE=256', 'BIGTIFF=YES'])
gdal.Translate('tiled16384.ppm', 'tiled16384.vrt', format='PNM')
PY

{
  printf 'case\tcpu\tpeak_kib\tbytes\texact\n'
  row() {  # row CASE OUTPUT EXACT COMMAND...
    local case="$1" out="$2" exact="$3"; shift 3
    read -r cpu peak < <(cpu_and_peak "$@")
    printf '%s\t%s\t%s\t%s\t%s\n' "$case" "$cpu" "$peak" "$(stat -c %s "$out" 2>/dev/null || echo -)" "$exact"
  }
  row "TG3 lossless 8192 x 8192 (PPM)" big-tg3.tvx - "$tvx" encode --quiet tiled8192.ppm big-tg3.tvx
  row "TG2 default step 8192 x 8192 (PPM)" big-tg2.tvx - "$tvx" encode --quiet --gen 2 tiled8192.ppm big-tg2.tvx
  row "TG2 --bpp 1 8192 x 8192 (PPM)" big-tg2-1.tvx - "$tvx" encode --quiet --gen 2 --bpp 1 tiled8192.ppm big-tg2-1.tvx
  read -r cpu peak < <(cpu_and_peak "$tvx" encode --quiet tiled16384.tif huge-tg3.tvx)
  exact=no
  if "$tvx" decode --quiet huge-tg3.tvx huge-back.ppm && same_samples huge-back.ppm tiled16384.ppm; then exact=yes; fi
  printf '%s\t%s\t%s\t%s\t%s\n' "TG3 lossless 16384 x 16384 (tiled TIFF)" "$cpu" "$peak" \
    "$(stat -c %s huge-tg3.tvx 2>/dev/null || echo -)" "$exact"
} >encodes.tsv
rm -f big-tg3.tvx big-tg2.tvx big-tg2-1.tvx huge-tg3.tvx huge-back.ppm tiled16384.ppm tiled16384.tif \
  tiled16384.vrt encode.time
