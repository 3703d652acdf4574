#!/usr/bin/env bash
# Makes the sample files of examples/ with the current build's encoder: the TG3
# astronaut, lossy at 40 dB and georeferenced by its world file, and the TG2 camera
# at quantisation step 2. Run it after a change of the encoders, from the top folder.
set -euo pipefail
cd "$(dirname "$0")/.."
tvx=build/tools/tvx/tvx
[ -x "$tvx" ] || { echo "make-examples: build first (make build)" >&2; exit 1; }
data=tests/data
world=$(mktemp --suffix=.wld)
trap 'rm -f "$world"' EXIT
cp examples/astronaut.TXW "$world"
"$tvx" encode --quality 40 --world "$world" --write-world "$data/astronaut.png" examples/astronaut.tvx
"$tvx" encode --gen 2 --step 2 "$data/camera.png" examples/camera.tvx
