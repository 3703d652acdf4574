"""Reads every 128 x 128 block of one level of an image through GDAL, all bands at once,
in raster order, as a host reads tiles: the access pattern of bench/host_path.sh.

usage: gdal_blocks.py FILE LEVEL   (level 0 is full resolution; L > 0 opens overview L - 1)
Run with GDAL_NUM_THREADS=1 for a one-thread figure.
"""
import sys

from osgeo import gdal

gdal.UseExceptions()
path, level = sys.argv[1], int(sys.argv[2])
options = [f'OVERVIEW_LEVEL={level - 1}'] if level > 0 else []
dataset = gdal.OpenEx(path, gdal.OF_RASTER, open_options=options)
width, height = dataset.RasterXSize, dataset.RasterYSize
for y in range(0, height, 128):
    for x in range(0, width, 128):
        dataset.ReadRaster(x, y, min(128, width - x), min(128, height - y))
