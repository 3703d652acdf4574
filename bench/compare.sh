#!/usr/bin/env bash
# Compares tvx with the best open JPEG 2000 decoders, OpenJPEG and Grok, on flower.png
# and on an 8192 x 8192 image made by tiling it; runs the micro-benchmarks; writes
# bench/RESULTS.md and bench/results.png. `make bench` runs it.
#
# Every decode is a whole process writing PPM, on one thread unless a case says
# otherwise, timed by hyperfine (median of BENCH_RUNS runs, 15 by default, after one
# warm-up; 3 runs of the 8192 x 8192 image). BENCH_QUICK=1 takes 3 runs and skips the 8192 x 8192 image, for a check
# of the script itself. Work files go to out/bench (BENCH_WORK).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
work="${BENCH_WORK:-$root/out/bench}"
runs="${BENCH_RUNS:-15}"
quick="${BENCH_QUICK:-0}"
[ "$quick" = 1 ] && runs=3
cd "$root"

# The peers and the measuring tools come from Debian, like every other dependency.
need=(libopenjp2-tools grokj2k-tools hyperfine python3-numpy python3-matplotlib python3-gdal time)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "bench: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq >/dev/null
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Optimised with debug information, as `make build` does; the micro-benchmarks too.
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVEX_BUILD_BENCH=ON \
  -DTOVEX_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" >/dev/null
tvx="$root/build-bench/tools/tvx/tvx"
micro="$root/build-bench/bench/tovex_bench"
pnm="/usr/bin/python3 $root/bench/pnm.py"

rm -rf "$work"
mkdir -p "$work/timing"
cd "$work"

step() { echo "bench: $*"; }

# --- Source images -----------------------------------------------------------------
step "source images"
"$tvx" encode --quiet "$root/bench/data/flower.png" flower-source.tvx
"$tvx" decode --quiet flower-source.tvx flower.ppm
images=(flower)
if [ "$quick" != 1 ]; then
  $pnm tile flower.ppm 8192 8192 tiled8192.ppm
  $pnm crop tiled8192.ppm 2048 2048 tiled2048.ppm
  images+=(tiled8192)
fi

raw_bytes() { local w h; read -r w h < <(head -c 64 "$1" | tr -s ' \n' ' ' | cut -d' ' -f2,3); echo $((w * h * 3)); }
size_of() { stat -c %s "$1"; }

# --- Encoding ------------------------------------------------------------------------
# Lossless: tvx's default (5-3, 5 levels, 64 x 64 sub-blocks) against OpenJPEG's 5-3 with
# 6 levels and 64 x 64 code-blocks. Lossy: TG2 and TG3 at one bit per pixel, and
# OpenJPEG's 9/7 at exactly the size of each.
step "encoding"
for image in "${images[@]}"; do
  "$tvx" encode --quiet "$image.ppm" "$image-tg3.tvx"
  opj_compress -i "$image.ppm" -o "$image-53.j2k" -n 7 -b 64,64 >/dev/null 2>&1
done
"$tvx" encode --quiet --gen 2 --bpp 1 flower.ppm flower-tg2.tvx
"$tvx" encode --quiet --bpp 1 flower.ppm flower-tg3-lossy.tvx
raw=$(raw_bytes flower.ppm)
for kind in tg2 tg3-lossy; do
  ratio=$(python3 -c "print($raw / $(size_of flower-$kind.tvx))")
  opj_compress -i flower.ppm -o "flower-97-$kind.j2k" -I -r "$ratio" -n 7 -b 64,64 >/dev/null 2>&1
done
if [ "$quick" != 1 ]; then
  "$tvx" encode --quiet tiled2048.ppm tiled2048-tg3.tvx
fi

{
  printf 'file\tbytes\tpixels\n'
  for f in *.tvx *.j2k; do
    [ "$f" = flower-source.tvx ] && continue
    case "$f" in flower*) src=flower.ppm ;; tiled2048*) src=tiled2048.ppm ;; *) src=tiled8192.ppm ;; esac
    printf '%s\t%s\t%s\n' "$f" "$(size_of "$f")" $(($(raw_bytes "$src") / 3))
  done
} > sizes.tsv

# --- Timing ----------------------------------------------------------------------------
# time CASE DECODER COMMAND: the median of the runs goes to timing/CASE--DECODER.json.
time_case() {
  local case="$1" decoder="$2"; shift 2
  hyperfine --style none --runs "$runs" --warmup 1 --export-json "timing/$case--$decoder.json" "$*" >/dev/null
}
decoders() {  # decoders CASE TVX-FILE J2K-FILE TVX-OPTIONS OPJ-OPTIONS GRK-OPTIONS
  time_case "$1" tvx "$tvx decode --quiet --threads 1 $4 $2 out-tvx.ppm"
  time_case "$1" openjpeg "opj_decompress -quiet -threads 1 $5 -i $3 -o out-opj.ppm"
  time_case "$1" grok "grk_decompress -H 1 $6 -i $3 -o out-grk.ppm"
}

step "timing flower"
decoders flower-lossless flower-tg3.tvx flower-53.j2k "" "" ""
decoders flower-level3 flower-tg3.tvx flower-53.j2k "--level 3" "-r 3" "-r 3"
decoders flower-tg2-lossy flower-tg2.tvx flower-97-tg2.j2k "" "" ""
decoders flower-tg3-lossy flower-tg3-lossy.tvx flower-97-tg3-lossy.j2k "" "" ""
time_case flower-lossless-2threads tvx "$tvx decode --quiet --threads 2 flower-tg3.tvx out-tvx.ppm"

if [ "$quick" != 1 ]; then
  step "timing tiled8192"
  runs_saved=$runs
  runs=3
  decoders tiled8192-lossless tiled8192-tg3.tvx tiled8192-53.j2k "" "" ""
  time_case tiled8192-lossless-2threads tvx "$tvx decode --quiet --threads 2 tiled8192-tg3.tvx out-tvx.ppm"
  runs=$runs_saved
  # One 128 x 128 window at level 0 near the middle, on the tile grid.
  decoders tiled8192-window tiled8192-tg3.tvx tiled8192-53.j2k \
    "--window 4096,4096,128,128" "-d 4096,4096,4224,4224" "-d 4096,4096,4224,4224"
  time_case tiled2048-window tvx "$tvx decode --quiet --threads 1 --window 1024,1024,128,128 tiled2048-tg3.tvx out-tvx.ppm"
fi

# --- The host's tile path ------------------------------------------------------------------
if [ "$quick" != 1 ]; then
  step "host tile path"
  bash "$root/bench/host_path.sh" "$work" "$root/build-bench"
fi

# --- Large encodes -----------------------------------------------------------------------------
if [ "$quick" != 1 ]; then
  step "large encodes"
  bash "$root/bench/encode_memory.sh" "$work" "$root/build-bench"
fi

# --- Quality -----------------------------------------------------------------------------
step "quality"
{
  printf 'file\tpsnr\n'
  for f in flower-tg3.tvx flower-tg2.tvx flower-tg3-lossy.tvx; do
    "$tvx" decode --quiet "$f" out-tvx.ppm
    printf '%s\t%s\n' "$f" "$($pnm psnr flower.ppm out-tvx.ppm)"
  done
  for f in flower-53.j2k flower-97-tg2.j2k flower-97-tg3-lossy.j2k; do
    opj_decompress -quiet -i "$f" -o out-opj.ppm
    printf '%s\t%s\n' "$f" "$($pnm psnr flower.ppm out-opj.ppm)"
  done
} > psnr.tsv

# Rate against quality: both generations at three rates, each beside OpenJPEG's 9/7 at
# its size, with the encode's CPU time and peak memory.
{
  printf 'case\tbytes\tpsnr\topj_psnr\tcpu\tpeak_kib\n'
  for gen in 2 3; do
    for rate in 0.5 1 2; do
      out="flower-rate-$gen-$rate.tvx"
      /usr/bin/time -f '%U %S %M' -o encode.time \
        "$tvx" encode --quiet --gen "$gen" --bpp "$rate" flower.ppm "$out"
      read -r user sys peak_kib < encode.time
      "$tvx" decode --quiet "$out" out-tvx.ppm
      opj_compress -i flower.ppm -o rate.j2k -I -r "$(python3 -c "print($raw / $(size_of "$out"))")" \
        -n 7 -b 64,64 >/dev/null 2>&1
      opj_decompress -quiet -i rate.j2k -o out-opj.ppm
      printf 'TG%s --bpp %s\t%s\t%s\t%s\t%s\t%s\n' "$gen" "$rate" "$(size_of "$out")" \
        "$($pnm psnr flower.ppm out-tvx.ppm)" "$($pnm psnr flower.ppm out-opj.ppm)" \
        "$(python3 -c "print(round($user + $sys, 2))")" "$peak_kib"
      rm -f "$out"
    done
  done
} > quality.tsv

# --- Memory --------------------------------------------------------------------------------
# Peak resident memory of whole decodes of the largest image.
if [ "$quick" != 1 ]; then
  step "memory"
  peak() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ {print $2}'; }
  {
    printf 'decode\tpeak_kib\n'
    printf 'tvx tiled8192 to PNG, 1 thread\t%s\n' "$(peak "$tvx" decode --quiet --threads 1 tiled8192-tg3.tvx out-tvx.png)"
    printf 'tvx tiled8192 to PNG, 2 threads\t%s\n' "$(peak "$tvx" decode --quiet --threads 2 tiled8192-tg3.tvx out-tvx.png)"
    printf 'OpenJPEG tiled8192 to PPM\t%s\n' "$(peak opj_decompress -quiet -threads 1 -i tiled8192-53.j2k -o out-opj.ppm)"
    printf 'Grok tiled8192 to PPM\t%s\n' "$(peak grk_decompress -H 1 -i tiled8192-53.j2k -o out-grk.ppm)"
  } > memory.tsv
fi

# --- Micro-benchmarks -------------------------------------------------------------------------
step "micro-benchmarks"
filter=.
[ "$quick" = 1 ] && filter='-BM_Tile'  # the tiles need the large images
TOVEX_BENCH_DATA="$work" "$micro" --benchmark_filter="$filter" --benchmark_out=micro.json \
  --benchmark_out_format=json >micro.log 2>&1

# --- Report ------------------------------------------------------------------------------------
{
  echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "cpu: $(lscpu | awk -F': *' '/Model name/ {print $2; exit}')"
  echo "cores: $(nproc)"
  echo "memory: $(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)"
  echo "os: $(. /etc/os-release && echo "$PRETTY_NAME")"
  echo "compiler: $(c++ --version | head -1)"
  echo "openjpeg: $(dpkg-query -W -f='${Version}\n' libopenjp2-7 | head -1)"
  echo "grok: $(dpkg-query -W -f='${Version}' grokj2k-tools)"
  echo "runs: $runs"
  echo "commit: $(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet HEAD -- src tools bench || echo ' (with changes)')"
} > machine.txt
step "report"
/usr/bin/python3 "$root/bench/compare.py" "$work" "$root/bench/RESULTS.md" "$root/bench/results.png"
echo "bench: wrote bench/RESULTS.md and bench/results.png"
