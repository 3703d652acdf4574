#!/usr/bin/env bash
# The project's demo, run by `make demo` after the build: describes the two bundled
# examples, decodes each at full resolution and at level 2, writes a GeoTIFF of the
# georeferenced one, and reads it once more through the host module with amhost.
set -euo pipefail
cd "$(dirname "$0")/.."

tvx=build/tools/tvx/tvx
amhost=build/tools/amhost/amhost
module=build/src/host/tvx_reader.so
for tool in "$tvx" "$amhost" "$module"; do
  [ -e "$tool" ] || { echo "demo: $tool is missing; run 'make build' first" >&2; exit 1; }
done

mkdir -p out
written=()

for example in astronaut camera; do
  echo "== tvx info examples/$example.tvx"
  "$tvx" info "examples/$example.tvx"
  echo
  "$tvx" decode --quiet "examples/$example.tvx" "out/$example.png"
  "$tvx" decode --quiet --level 2 "examples/$example.tvx" "out/${example}_level2.png"
  written+=("out/$example.png" "out/${example}_level2.png")
done

"$tvx" decode --quiet examples/astronaut.tvx out/astronaut.tif
written+=("out/astronaut.tif")
if command -v listgeo >/dev/null 2>&1; then
  echo "== listgeo out/astronaut.tif (georeferencing from examples/astronaut.TXW)"
  listgeo out/astronaut.tif 2>/dev/null | sed -n '/ModelTiepointTag/,/End_Of_Tags/p'
  echo
fi

echo "== amhost examples/astronaut.tvx (the host module, tile by tile, level 1)"
"$amhost" --module "$module" examples/astronaut.tvx --level 1 --output out/astronaut_amhost.pnm
written+=("out/astronaut_amhost.pnm")
echo

echo "Wrote:"
for path in "${written[@]}"; do
  echo "  $path"
done
