#!/usr/bin/python3
"""Binary PPM helpers for compare.sh: tile an image to a larger one, cut a corner, and
measure the peak signal-to-noise ratio of a decoded image against its source."""
import math
import sys

import numpy as np


def read_ppm(path):
    with open(path, 'rb') as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b'#':
            pos = data.index(b'\n', pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    magic, width, height, maxval = fields[0], int(fields[1]), int(fields[2]), int(fields[3])
    if magic != b'P6' or maxval != 255:
        sys.exit(f'{path}: not an 8-bit binary PPM')
    pixels = np.frombuffer(data, dtype=np.uint8, count=width * height * 3, offset=pos)
    return pixels.reshape(height, width, 3)


def write_ppm(path, pixels):
    height, width, _ = pixels.shape
    with open(path, 'wb') as f:
        f.write(b'P6\n%d %d\n255\n' % (width, height))
        f.write(np.ascontiguousarray(pixels).tobytes())


def tile(source, width, height, target):
    """Repeats the image, every other copy mirrored, so that no seam is a hard edge."""
    pixels = read_ppm(source)
    h, w, _ = pixels.shape
    row = np.concatenate([pixels if i % 2 == 0 else pixels[:, ::-1] for i in range(-(-width // w))], axis=1)
    rows = [row if j % 2 == 0 else row[::-1] for j in range(-(-height // h))]
    write_ppm(target, np.concatenate(rows, axis=0)[:height, :width])


def crop(source, width, height, target):
    write_ppm(target, read_ppm(source)[:height, :width])


def psnr(reference, decoded):
    a = read_ppm(reference).astype(np.float64)
    b = read_ppm(decoded).astype(np.float64)
    if a.shape != b.shape:
        sys.exit(f'{decoded}: {b.shape} differs from {reference}: {a.shape}')
    mse = np.mean((a - b) ** 2)
    print('inf' if mse == 0 else f'{10 * math.log10(255.0 ** 2 / mse):.2f}')


if __name__ == '__main__':
    command, args = sys.argv[1], sys.argv[2:]
    if command == 'tile':
        tile(args[0], int(args[1]), int(args[2]), args[3])
    elif command == 'crop':
        crop(args[0], int(args[1]), int(args[2]), args[3])
    elif command == 'psnr':
        psnr(args[0], args[1])
    else:
        sys.exit(f'unknown command {command}')
