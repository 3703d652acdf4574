#!/usr/bin/env bash
# Prints a checksum of every decoded level of every Tovex file in tests/data and
# examples/, and of files encoded from the test images, so that a change meant to
# leave the decoded samples alone can be checked by comparing two runs' outputs:
#
#   scripts/decode-checksums.sh build/tools/tvx/tvx > before.txt
#   ... change, rebuild ...
#   scripts/decode-checksums.sh build/tools/tvx/tvx > after.txt && diff before.txt after.txt
#
# The encoded files are made once into CHECKSUM_WORK (default out/checksums) and reused,
# so both runs decode the same bytes even when the change touches the encoder. Each
# level is decoded on every core and, at level 0, once more on a single thread and once
# as a window.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
tvx="$(realpath "${1:-$root/build/tools/tvx/tvx}")"
work="${CHECKSUM_WORK:-$root/out/checksums}"
mkdir -p "$work/encoded" "$work/decoded"
work="$(realpath "$work")"

# Encoded inputs: lossless TG3, lossy TG3 and TG2 of each test image that tvx reads
# and of the benchmark image.
for image in "$root"/bench/data/*.png "$root"/tests/data/*.png "$root"/tests/data/*.tif "$root"/tests/data/*.p?m; do
    name="$(basename "${image%.*}")"
    for kind in tg3 tg3-lossy tg2; do
        out="$work/encoded/$name-$kind.tvx"
        [ -e "$out" ] || [ -e "$out.refused" ] && continue
        case $kind in
            tg3) options=() ;;
            tg3-lossy) options=(--bpp 1) ;;
            tg2) options=(--gen 2 --bpp 1) ;;
        esac
        "$tvx" encode --quiet "${options[@]}" "$image" "$out" 2>/dev/null || touch "$out.refused"
    done
done

levelsOf() { "$tvx" info "$1" 2>/dev/null | sed -n 's/^Levels: \([0-9]*\).*/\1/p'; }
sizeOf() { "$tvx" info "$1" 2>/dev/null | sed -n 's/^Size: \([0-9]*\) x \([0-9]*\).*/\1 \2/p'; }

decodeOne() {  # file, level, label, extra options...
    local file="$1" level="$2" label="$3"
    shift 3
    local out="$work/decoded/out.pam"
    rm -f "$out"
    if "$tvx" decode --quiet --allow-large --level "$level" "$@" "$file" "$out" 2>/dev/null; then
        echo "$(sha256sum <"$out" | cut -c1-16)  $label level $level $*"
    else
        echo "refused           $label level $level $*"
    fi
}

while IFS= read -r file; do
    label="${file#"$work"/}"
    label="${label#"$root"/}"
    levels="$(levelsOf "$file")"
    if [ -z "$levels" ]; then
        echo "unreadable        $label"
        continue
    fi
    for ((level = 0; level <= levels; ++level)); do
        decodeOne "$file" "$level" "$label"
    done
    decodeOne "$file" 0 "$label" --threads 1
    # A window starting at odd coordinates inside the image: lines computed in part.
    read -r width height < <(sizeOf "$file")
    decodeOne "$file" 0 "$label" --window "$((width / 3 | 1)),$((height / 3 | 1)),$((width / 3 + 1)),$((height / 4 + 1))"
done < <(find "$root/tests/data" "$root/examples" "$work/encoded" -name '*.tvx' | LC_ALL=C sort)
