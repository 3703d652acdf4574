#!/usr/bin/env python3
"""Fails when a source file includes a header of a higher layer.

The library is built in layers; a folder may include headers of its own layer and of
the layers below it, never above. The order, from the bottom, is the LAYERS table;
folders on one line share a rank but may not include each other (the two generations
know nothing of one another). Deeper folders take the rank of the longest listed
prefix, so tg3/engine is ranked as tg3/engine, and a folder that is not listed is an
error of its own: a new folder must be given its place here.

Usage: check-layers.py [ROOT]   (ROOT defaults to the repository holding this script)
"""
import os
import re
import sys

# From the bottom up. The two generations share ranks but never include each other.
# Within tg2: entropy decoding, the stream structure that reads its tables and the
# synthesis, then the decoder over them. Within tg3: the container, the packets built
# on it, then the engine and the decoder that drives it.
LAYERS = [
    ["support"],
    ["platform"],
    ["stream"],
    ["metadata"],
    ["pixel"],
    ["transform"],
    ["image"],
    ["tg2/entropy", "tg3/container"],
    ["tg2/structure", "tg2/synthesis", "tg3/metadata", "tg3/header"],
    ["tg3/planeset"],
    ["tg3/engine"],
    ["tg2/decoder", "tg3/decoder"],
    ["encode"],
    ["encode/tg2", "encode/tg3"],
    ["reader"],
    ["host"],
]

# The reference host loads the module as the imaging host does: of the library it may
# know only the host's interface declarations.
HOST_ONLY_TOOL = "tools/amhost"
HOST_INTERFACES = "host/am_host_interfaces.h"
# The GDAL driver sits on top beside the tools: it may include every layer of the
# reader library, but neither the host module nor the encoders.
GDAL_DRIVER = "gdal"
GDAL_FORBIDDEN = ("host", "encode")

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def rank_of(folder):
    best = None
    for rank, names in enumerate(LAYERS):
        for name in names:
            if folder == name or folder.startswith(name + "/"):
                if best is None or len(name) > len(best[1]):
                    best = (rank, name)
    return best


def generation(folder):
    parts = folder.split("/")
    return next((part for part in parts if part in ("tg2", "tg3")), None)


def includes(path):
    with open(path, encoding="utf-8", errors="replace") as text:
        for number, line in enumerate(text, 1):
            match = INCLUDE.match(line)
            if match and "/" in match.group(1):
                yield number, match.group(1)


def check(root):
    src = os.path.join(root, "src")
    faults = []
    for folder, _, files in os.walk(src):
        rel_folder = os.path.relpath(folder, src)
        if rel_folder == ".":
            continue
        own = rank_of(rel_folder)
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            shown = os.path.relpath(path, root)
            if own is None:
                faults.append(f"{shown}: folder src/{rel_folder} has no place in the layer order")
                continue
            for number, header in includes(path):
                target = os.path.dirname(header)
                theirs = rank_of(target)
                if theirs is None:
                    faults.append(f"{shown}:{number}: includes {header}, which is in no layer")
                elif theirs[0] > own[0]:
                    faults.append(f"{shown}:{number}: src/{own[1]} includes {header} of the higher layer src/{theirs[1]}")
                elif generation(target) and generation(rel_folder) and generation(target) != generation(rel_folder):
                    faults.append(f"{shown}:{number}: src/{rel_folder} includes {header} of the other generation")
    host_tool = os.path.join(root, HOST_ONLY_TOOL)
    for folder, _, files in os.walk(host_tool):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp", ".c")):
                continue
            path = os.path.join(folder, name)
            for number, header in includes(path):
                if rank_of(os.path.dirname(header)) is not None and header != HOST_INTERFACES:
                    faults.append(f"{os.path.relpath(path, root)}:{number}: the reference host includes {header} of the library")
    driver = os.path.join(root, GDAL_DRIVER)
    for folder, _, files in os.walk(driver):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            for number, header in includes(path):
                theirs = rank_of(os.path.dirname(header))
                if theirs is not None and theirs[1].split("/")[0] in GDAL_FORBIDDEN:
                    faults.append(f"{os.path.relpath(path, root)}:{number}: the GDAL driver includes {header} of src/{theirs[1]}")
    return faults


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    faults = check(root)
    for fault in faults:
        print(fault)
    print(f"layers: {len(faults)} upward includes" if faults else "layers: every include points down")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
