#!/usr/bin/env python3
"""The GDAL plug-in against `tvx decode`: the same samples through gdal_translate and
osgeo.gdal (windows, overviews, buffers of another size, block by block), the facts
gdalinfo reports, the EPSG code kept from a GeoTIFF through `tvx encode`, and hostile
files that GDAL must refuse or read without crashing.

usage: gdal_driver.py --tvx TVX --plugin-dir DIR --examples DIR --data DIR --corpus DIR
"""
import argparse
import glob
import json
import os
import re
import subprocess
import sys
import tempfile

FAULTS = []


def check(condition, what):
    if not condition:
        FAULTS.append(what)
        print("FAIL:", what)


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def level_size(size, level):
    for _ in range(level):
        size = (size + 1) // 2
    return size


# (name, source image in tests/data, tvx encode options, bands, GDAL type)
FIXTURES = [
    ("tg3_grey8", "camera.png", ["--gen", "3"], 1, "Byte"),
    ("tg3_rgb8", "chelsea.png", ["--gen", "3", "--bpp", "2"], 3, "Byte"),
    ("tg3_grey16", "chessboard_GRAY_U16.tif", ["--gen", "3"], 1, "UInt16"),
    ("tg3_rgb16", "flower_small_rgb16.ppm", ["--gen", "3", "--quality", "60"], 3, "UInt16"),
    ("tg3_cmyk8", "cmyk.tif", ["--gen", "3"], 4, "Byte"),
    ("tg2_grey8", "camera.png", ["--gen", "2"], 1, "Byte"),
    ("tg2_rgb8", "chelsea.png", ["--gen", "2", "--bpp", "1", "--keep-rgb"], 3, "Byte"),
    ("tg2_yiq8", "chelsea.png", ["--gen", "2", "--bpp", "1"], 3, "Byte"),
    ("tg2_cmyk8", "cmyk.tif", ["--gen", "2"], 4, "Byte"),
]


def tvx_samples(args, np, work, path, level, window=None):
    """Samples of `tvx decode` of a level (and window), read from its PAM file, in
    GDAL's order: bands x rows x columns, a single band as rows x columns."""
    out = os.path.join(work, "expected.pam")
    command = [args.tvx, "decode", "--quiet", "--level", str(level), path, out]
    if window:
        command[3:3] = ["--window", ",".join(map(str, window))]
    run(*command)
    data = open(out, "rb").read()
    header = re.match(rb"P7\n(.*?)ENDHDR\n", data, re.S)
    fields = dict(line.split() for line in header.group(1).decode().splitlines())
    width, height, depth = (int(fields[k]) for k in ("WIDTH", "HEIGHT", "DEPTH"))
    dtype = ">u2" if int(fields["MAXVAL"]) > 255 else "u1"
    samples = np.frombuffer(data[header.end():], dtype=dtype).reshape(height, width, depth)
    samples = samples.transpose(2, 0, 1).astype(dtype[-2:])
    return samples[0] if depth == 1 else samples


def check_samples(args, gdal, np, work, name, path, bands, data_type):
    ds = gdal.Open(path)
    check(ds.GetDriver().ShortName == "TVX", f"{name}: opened by {ds.GetDriver().ShortName}")
    check(ds.RasterCount == bands, f"{name}: {ds.RasterCount} bands, not {bands}")
    check(gdal.GetDataTypeName(ds.GetRasterBand(1).DataType) == data_type, f"{name}: type")
    colours = [gdal.GetColorInterpretationName(ds.GetRasterBand(b + 1).GetColorInterpretation())
               for b in range(bands)]
    check(bands != 3 or colours == ["Red", "Green", "Blue"], f"{name}: colours {colours}")
    width, height = ds.RasterXSize, ds.RasterYSize
    same = lambda a, b: a.shape == b.shape and np.array_equal(a, b)

    translated = os.path.join(work, "translated.tif")
    gdal.Translate(translated, ds)
    whole = tvx_samples(args, np, work, path, 0)
    check(same(gdal.Open(translated).ReadAsArray(), whole), f"{name}: gdal_translate level 0")

    lw, lh = level_size(width, 2), level_size(height, 2)
    # Requests and the tvx decode that must give the same samples: (what, samples, level, window).
    requests = [
        ("window", ds.ReadAsArray(37, 50, 101, 67), 0, (37, 50, 101, 67)),
        ("whole at level 2 by buf size",
         ds.ReadAsArray(0, 0, width, height, buf_xsize=lw, buf_ysize=lh), 2, None),
        ("window at level 2 by buf size",
         ds.ReadAsArray(64, 128, 128, 64, buf_xsize=32, buf_ysize=16), 2, (16, 32, 32, 16)),
        ("overview band window",
         ds.GetRasterBand(bands).GetOverview(0).ReadAsArray(10, 20, 64, 32), 1, (10, 20, 64, 32)),
    ]
    for what, got, level, window in requests:
        expected = tvx_samples(args, np, work, path, level, window)
        if what == "overview band window" and bands > 1:
            expected = expected[bands - 1]
        check(same(got, expected), f"{name}: {what}")

    # Block by block, in raster order and band by band, as GDAL's block readers go.
    assembled = np.zeros_like(whole if bands > 1 else whole[np.newaxis])
    for y in range(0, height, 128):
        for x in range(0, width, 128):
            for b in range(bands):
                w, h = min(128, width - x), min(128, height - y)
                assembled[b, y:y + h, x:x + w] = ds.GetRasterBand(b + 1).ReadAsArray(x, y, w, h)
    check(same(assembled if bands > 1 else assembled[0], whole), f"{name}: 128 x 128 blocks")


def check_gdalinfo(examples):
    info = json.loads(run("gdalinfo", "-json", "-mdd", "all", os.path.join(examples, "astronaut.tvx")))
    check(info["driverShortName"] == "TVX", "astronaut: driver")
    check(info["size"] == [512, 512], "astronaut: size")
    check([b["colorInterpretation"] for b in info["bands"]] == ["Red", "Green", "Blue"],
          "astronaut: bands")
    check([o["size"] for o in info["bands"][0]["overviews"]] ==
          [[256, 256], [128, 128], [64, 64], [32, 32], [16, 16]], "astronaut: overviews")
    # The world file puts the centre of the first pixel at (440720.25, 3751320.75).
    check(info["geoTransform"] == [440720.0, 0.5, 0.0, 3751321.0, 0.0, -0.5],
          f"astronaut: geotransform {info['geoTransform']}")
    check(any(f.endswith("astronaut.TXW") for f in info["files"]), "astronaut: world file listed")
    metadata = info["metadata"]
    check(metadata[""] == {"GENERATION": "TG3", "VERSION": "3.0.26", "LEVELS": "5"},
          f"astronaut: facts {metadata['']}")
    check(metadata["TVX"].get("IMAGE.INPUT_NAME") == "astronaut.png", "astronaut: TVX domain")
    camera = json.loads(run("gdalinfo", "-json", os.path.join(examples, "camera.tvx")))
    check(camera["metadata"][""]["GENERATION"] == "TG2", "camera: generation")
    check("geoTransform" not in camera and "coordinateSystem" not in camera,
          "camera: no georeferencing")


def check_epsg(args, gdal, work, data):
    source = os.path.join(work, "utm.tif")
    gdal.Translate(source, os.path.join(data, "camera.png"), outputSRS="EPSG:32611",
                   outputBounds=[440720, 3751321, 440976, 3751065])
    for generation in ("2", "3"):
        encoded = os.path.join(work, f"utm{generation}.tvx")
        run(args.tvx, "encode", "--quiet", "--gen", generation, source, encoded)
        check("EPSG:32611" in run(args.tvx, "info", encoded), f"TG{generation}: tvx info EPSG")
        for via, path in (("driver", encoded), ("tvx decode", os.path.join(work, "back.tif"))):
            if via == "tvx decode":
                run(args.tvx, "decode", "--quiet", encoded, path)
            else:
                path = os.path.join(work, "translated.tif")
                gdal.Translate(path, encoded)
            ds = gdal.Open(path)
            srs = ds.GetSpatialRef()
            check(srs is not None and srs.GetAuthorityCode(None) == "32611",
                  f"TG{generation} through {via}: EPSG code")
            check(ds.GetGeoTransform() == (440720.0, 0.5, 0.0, 3751321.0, 0.0, -0.5),
                  f"TG{generation} through {via}: transform {ds.GetGeoTransform()}")


# Run in a child process per file, so that a crash shows as a signal, not as the
# end of this script.
HOSTILE_READ = r"""
import sys
from osgeo import gdal
gdal.UseExceptions()
ds = gdal.Open(sys.argv[1])
w, h = ds.RasterXSize, ds.RasterYSize
if w * h <= 1 << 24:
    ds.ReadRaster(0, 0, w, h)
else:
    ds.ReadRaster(0, 0, min(w, 300), min(h, 300))
    ds.ReadRaster(0, 0, w, h, buf_xsize=64, buf_ysize=64)
"""


def check_hostile(corpus, python):
    files = [f for f in sorted(glob.glob(os.path.join(corpus, "*", "*")))
             if open(f, "rb").read(4) == b"tovx"]
    check(len(files) >= 20, f"hostile: only {len(files)} Tovex files in the corpora")
    refused = 0
    for path in files:
        name = os.path.relpath(path, corpus)
        for command in (["gdalinfo", path], [python, "-c", HOSTILE_READ, path]):
            result = subprocess.run(command, capture_output=True, text=True, timeout=120)
            check(result.returncode in (0, 1), f"hostile {name}: {command[0]} ended with "
                                               f"{result.returncode}\n{result.stderr[-400:]}")
            if result.returncode == 1:
                refused += 1
                # A refusal names what is wrong in the catalog's words.
                check("[4][" in result.stderr,
                      f"hostile {name}: refusal without our text: {result.stderr[-200:]}")
    print(f"hostile: {len(files)} files, {refused} refusals")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--tvx", "--plugin-dir", "--examples", "--data", "--corpus"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    os.environ["GDAL_DRIVER_PATH"] = args.plugin_dir
    os.environ["GDAL_PAM_ENABLED"] = "NO"  # no .aux.xml beside the examples
    from osgeo import gdal
    import numpy as np
    gdal.UseExceptions()
    gdal.AllRegister()
    with tempfile.TemporaryDirectory() as work:
        # A CMYK source: four bands taken from an RGB photograph.
        gdal.Translate(os.path.join(work, "cmyk.tif"), os.path.join(args.data, "chelsea.png"),
                       bandList=[1, 2, 3, 1], creationOptions=["PHOTOMETRIC=CMYK"])
        for name, source, options, bands, data_type in FIXTURES:
            folder = work if source == "cmyk.tif" else args.data
            path = os.path.join(work, name + ".tvx")
            run(args.tvx, "encode", "--quiet", *options, os.path.join(folder, source), path)
            check_samples(args, gdal, np, work, name, path, bands, data_type)
        # A mosaic opens as one dataset: two overlapping georeferenced pieces of a photograph.
        pieces = [("a.tif", [0, 0, 300, 200], [0, 200, 300, 0]),
                  ("b.tif", [200, 150, 250, 220], [250, 180, 500, -40])]
        for piece, window, corners in pieces:
            gdal.Translate(os.path.join(work, piece), os.path.join(args.data, "camera.png"),
                           srcWin=window, outputBounds=corners)
        mosaic = os.path.join(work, "mosaic.tvx")
        run(args.tvx, "encode", "--quiet", *(os.path.join(work, p) for p, _, _ in pieces), mosaic)
        check_samples(args, gdal, np, work, "tg3_mosaic", mosaic, 1, "Byte")
        check_gdalinfo(args.examples)
        check_epsg(args, gdal, work, args.data)
        check_hostile(args.corpus, sys.executable)
    print(f"gdal driver: {len(FAULTS)} faults" if FAULTS else "gdal driver: all checks pass")
    return 1 if FAULTS else 0


if __name__ == "__main__":
    sys.exit(main())
