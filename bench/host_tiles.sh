#!/usr/bin/env bash
# Times the host's access pattern: amhost reading every 128 x 128 tile of a level in
# raster order through the reader slots, beside `tvx decode --threads 1` of the same
# level. Reports user CPU seconds (best of BENCH_RUNS runs, 3 by default) and the peak
# resident size of each. Sources: a 2048 x 2048 RGB image tiled from flower.png, encoded
# as lossless TG3 (encoder defaults) and as TG2 at 1 bit per pixel.
#   bench/host_tiles.sh [BUILD_DIR]   (default build/)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
work="${BENCH_WORK:-$root/out/host-tiles}"
runs="${BENCH_RUNS:-3}"
tvx="$build/tools/tvx/tvx"
amhost="$build/tools/amhost/amhost"
mkdir -p "$work"
cd "$work"

if [ ! -f tiled2048.ppm ]; then
  "$tvx" decode --quiet "$root/bench/data/flower.png" flower.ppm 2>/dev/null ||
    { "$tvx" encode --quiet "$root/bench/data/flower.png" flower-src.tvx &&
      "$tvx" decode --quiet flower-src.tvx flower.ppm; }
  # Repeats the source across and down until it covers 2048 x 2048 (no numpy needed).
  /usr/bin/python3 - flower.ppm tiled2048.ppm 2048 2048 <<'PY'
import sys
src, dst, W, H = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
data = open(src, 'rb').read()
fields, pos = [], 0
while len(fields) < 4:
    while data[pos:pos + 1].isspace(): pos += 1
    end = pos
    while not data[end:end + 1].isspace(): end += 1
    fields.append(data[pos:end]); pos = end
pos += 1
w, h = int(fields[1]), int(fields[2])
rows = [data[pos + y * w * 3: pos + (y + 1) * w * 3] for y in range(h)]
with open(dst, 'wb') as f:
    f.write(b'P6\n%d %d\n255\n' % (W, H))
    for y in range(H):
        r = rows[y % h]
        f.write((r * (W // w + 1))[:W * 3])
PY
fi
[ -f tg3.tvx ] || "$tvx" encode --quiet tiled2048.ppm tg3.tvx
[ -f tg2.tvx ] || "$tvx" encode --quiet --gen 2 --bpp 1 tiled2048.ppm tg2.tvx

# Best user time and the peak RSS of that run, over the runs.
measure() {
  local best="" rss=""
  for _ in $(seq "$runs"); do
    /usr/bin/time -f '%U %M' -o time.txt "$@" >/dev/null 2>&1
    read -r u m < time.txt
    if [ -z "$best" ] || awk "BEGIN{exit !($u < $best)}"; then best=$u; rss=$m; fi
  done
  echo "$best $rss"
}

printf '| file | level | tvx decode (s) | amhost tiles (s) | ratio | tvx RSS (MiB) | amhost RSS (MiB) |\n'
printf '|---|---|---|---|---|---|---|\n'
for file in tg3 tg2; do
  for level in 0 2; do
    read -r td tm < <(measure "$tvx" decode --quiet --threads 1 --level "$level" "$file.tvx" out-tvx.ppm)
    read -r ad am < <(measure "$amhost" "$file.tvx" --level "$level" --output out-amhost.pnm)
    cmp -s <(tail -c +1 out-tvx.ppm) out-amhost.pnm || echo "note: $file level $level outputs differ" >&2
    ratio=$(awk "BEGIN{printf \"%.1f\", ($td > 0 ? $ad / $td : 0)}")
    printf '| %s | %s | %s | %s | %s x | %d | %d |\n' "$file" "$level" "$td" "$ad" "$ratio" \
      $((tm / 1024)) $((am / 1024))
  done
done
