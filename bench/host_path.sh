#!/usr/bin/env bash
# The host's access pattern, timed: every 128 x 128 tile of a level read in raster order
# through the reader module's slots (amhost), beside `tvx decode --threads 1` of the same
# level and GDAL reading the same image by 128 x 128 blocks in the same order: the
# OpenJPEG lossless file through GDAL's own JPEG 2000 driver, and the .tvx file through our
# plug-in. Then the latency a viewer sees: one tile near the middle of the level, and the
# 3 x 3 group of tiles around it, each from a freshly opened reader (processor time spent
# inside readTile, as amhost reports it).
#
# Figures are user CPU seconds of the whole process (hyperfine's mean over HOST_RUNS runs,
# 5 by default, after one warm-up; one run for the 8192 x 8192 image) and the peak
# resident memory of one run. Writes host.tsv in WORK.
#   bench/host_path.sh WORK BUILD_DIR [SIZES]   (SIZES: "2048 8192" by default)
# WORK must hold tiled2048.ppm and tiled8192.ppm (bench/compare.sh makes them).
set -euo pipefail

work="$1"
build="$2"
sizes="${3:-2048 8192}"
runs="${HOST_RUNS:-5}"
tvx="$build/tools/tvx/tvx"
amhost="$build/tools/amhost/amhost"
module="$build/src/host/tvx_reader.so"
root="$(cd "$(dirname "$0")/.." && pwd)"
export GDAL_DRIVER_PATH="$build/gdal" GDAL_NUM_THREADS=1
cd "$work"

# Mean user time over the runs (hyperfine), then the peak memory of one more run:
# "seconds KiB", or "- -" when the command fails.
user_and_peak() {
  local n="$1" warmup=1; shift
  [ "$n" -eq 1 ] && warmup=0
  hyperfine --style none --runs "$n" --warmup "$warmup" --export-json time.json \
    "$(printf '%q ' "$@")" >/dev/null 2>&1 || { echo "- -"; return; }
  /usr/bin/time -f '%M' -o time.txt "$@" >/dev/null 2>&1
  echo "$(/usr/bin/python3 -c "import json; print(round(json.load(open('time.json'))['results'][0]['user'], 3))") $(cat time.txt)"
}
# Least processor time inside readTile over five fresh readers, in milliseconds.
tile_ms() {
  local best=""
  for _ in $(seq 5); do
    local ms
    ms=$("$amhost" --module "$module" "$@" | sed -n 's/.*processor \([0-9.]*\) ms.*/\1/p')
    if [ -z "$best" ] || awk "BEGIN{exit !($ms < $best)}"; then best=$ms; fi
  done
  echo "$best"
}

printf 'image\tfile\tlevel\ttvx_s\ttvx_kib\tamhost_s\tamhost_kib\tgdal_tvx_s\tgdal_tvx_kib\tgdal_opj_s\tgdal_opj_kib\ttile_ms\tgroup_ms\n' > host.tsv
for size in $sizes; do
  n=$runs
  [ "$size" -ge 8192 ] && n=1
  image="tiled$size"
  [ -f "$image-tg3.tvx" ] || "$tvx" encode --quiet "$image.ppm" "$image-tg3.tvx"
  # A fixed step of about one bit per pixel: a rate search would encode the large image
  # many times over.
  [ -f "$image-tg2.tvx" ] || "$tvx" encode --quiet --gen 2 --step 28 "$image.ppm" "$image-tg2.tvx"
  [ -f "$image-53.j2k" ] || opj_compress -i "$image.ppm" -o "$image-53.j2k" -n 7 -b 64,64 >/dev/null 2>&1
  for kind in tg3 tg2; do
    file="$image-$kind.tvx"
    for level in 0 2; do
      echo "host path: $file level $level" >&2
      read -r ts tk < <(user_and_peak "$n" "$tvx" decode --quiet --threads 1 --level "$level" "$file" out-tvx.ppm)
      read -r as ak < <(user_and_peak "$n" "$amhost" --module "$module" "$file" --level "$level")
      read -r gs gk < <(user_and_peak "$n" /usr/bin/python3 "$root/bench/gdal_blocks.py" "$file" "$level")
      os="-" ok="-"
      [ "$kind" = tg3 ] && read -r os ok < <(user_and_peak "$n" /usr/bin/python3 "$root/bench/gdal_blocks.py" "$image-53.j2k" "$level")
      tiles=$(( (size >> level) / 128 ))
      middle=$(( tiles / 2 - 1 ))
      one=$(tile_ms "$file" --level "$level" --tiles "$middle,$middle,1,1")
      group=$(tile_ms "$file" --level "$level" --tiles "$((middle - 1)),$((middle - 1)),3,3")
      printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$image" "$kind" "$level" \
        "$ts" "$tk" "$as" "$ak" "$gs" "$gk" "$os" "$ok" "$one" "$group" >> host.tsv
    done
  done
done
rm -f out-tvx.ppm time.txt
