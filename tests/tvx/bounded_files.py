#!/usr/bin/env python3
"""Hostile files and requests end quickly, in little memory, with the status they must give.

Each case copies an example file (or a tiny TG2 file that `tvx encode` writes first)
into a temporary folder and changes what a hostile file would change: a claimed width
or height, a tail of zero bytes, a plane's length record. Files that claim gigabytes
are sparse, so nothing large is written. Every run is bounded: a timeout that catches
a hang, and outside a sanitizer build an address-space limit of 1 GiB and a peak
resident size below 100 MiB.

usage: bounded_files.py --tvx TVX --amhost AMHOST --module MODULE --examples DIR [--sanitized]
"""
import argparse
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import threading
import time

TIMEOUT_SECONDS = 20
ADDRESS_SPACE_BYTES = 1 << 30
PEAK_RESIDENT_KIB = 100 * 1024

# Where the full-resolution width and height of a TG2 file lie (big-endian 32 bits).
TG2_WIDTH_AT = 0x0F
TG2_HEIGHT_AT = 0x13

PARSE_ERROR = "[4][2415]Error parsing Tovex stream."
NO_PIXELS = "[4][2209]Invalid image data."
TOO_LARGE = "--allow-large"
OUT_OF_MEMORY = "[4][2003]Out of memory"
PLANES_SHORT = "the plane records end before every sub-block has its planes"
MAGNIFIED_TOO_FAR = "magnification stops at level -4"
CANNOT_READ = "[4][4007]Cannot read stream."


def tg3_packets(data):
    """Each packet of a TG3 file: type, where it starts, where its length field and
    payload lie."""
    at = 8
    while at < len(data):
        first, sizes = data[at], data[at + 1]
        widths = [0, 1, 2, 4]
        fields = widths[sizes >> 6] + widths[(sizes >> 4) & 3]
        fields += (4 if sizes & 8 else 0) + (4 if sizes & 4 else 0) + (2 if first & 0x40 else 0)
        length_at = at + 2 + fields
        length_width = [1, 2, 4, 8][sizes & 3]
        payload = length_at + length_width
        length = int.from_bytes(data[length_at:payload], "big")
        yield dict(type=first & 0x0F, start=at, length_at=length_at, length_width=length_width,
                   payload=payload, length=length)
        at = payload + length


def packet_of(data, kind):
    """The first packet of a kind: 1 the header, 4 the planeset."""
    return next(p for p in tg3_packets(data) if p["type"] == kind)


def saved(folder, name, data):
    path = os.path.join(folder, name)
    open(path, "wb").write(data)
    return path


def length_records(data, planeset):
    """(start, end, coded, value) of each length record of an interleaved planeset."""
    at = planeset["payload"] + 10  # order, style and the plane count come first
    end = planeset["payload"] + planeset["length"]
    found = []
    while at < end:
        start, byte = at, data[at]
        at += 1
        value, more, shift = byte & 0x1F, byte & 0x20, 5
        while more:
            value |= (data[at] & 0x7F) << shift
            more, shift, at = data[at] & 0x80, shift + 7, at + 1
        found.append((start, at, byte & 0x80 != 0, value))
        if byte & 0x80:
            at += value
    return found


def length_record(coded, value, size):
    """A version-1 length record of exactly `size` bytes: zero groups pad it."""
    record = [(0x80 if coded else 0) | (value & 0x1F) | (0x20 if size > 1 else 0)]
    rest = value >> 5
    for k in range(1, size):
        record.append((rest & 0x7F) | (0x80 if k < size - 1 else 0))
        rest >>= 7
    return bytes(record)


def with_length_record(example, which, make_record):
    """A copy of a TG3 example whose planeset is made version 1 (its records, all of
    three bytes or fewer, read alike in both versions) and whose record number
    `which` is replaced by make_record(coded, old value)."""

    def make(folder):
        data = bytearray(open(example, "rb").read())
        planeset = packet_of(data, 4)
        data[planeset["start"]] |= 0x40  # a version follows the fixed fields
        data[planeset["length_at"]:planeset["length_at"]] = bytes([0, 1])
        planeset = packet_of(data, 4)
        start, end, coded, value = length_records(data, planeset)[which]
        record = make_record(coded, value)
        data[start:end] = record
        at, width = planeset["length_at"], planeset["length_width"]
        length = planeset["length"] + len(record) - (end - start)
        data[at:at + width] = length.to_bytes(width, "big")
        return saved(folder, "records.tvx", data)

    return make


def with_size(example, width=None, height=None):
    """A copy of an example whose header claims another width and/or height."""

    def make(folder):
        data = bytearray(open(example, "rb").read())
        if data[4] == 3:
            width_at = packet_of(data, 1)["payload"] + 8  # after the 64-bit flags
            height_at = width_at + 4
        else:
            width_at, height_at = TG2_WIDTH_AT, TG2_HEIGHT_AT
        if width is not None:
            data[width_at:width_at + 4] = width.to_bytes(4, "big")
        if height is not None:
            data[height_at:height_at + 4] = height.to_bytes(4, "big")
        return saved(folder, "claimed.tvx", data)

    return make


def with_zero_tail(example, tail_bytes):
    """A copy of an example followed by zero bytes: a hole, so the file stays small on disk."""

    def make(folder):
        path = os.path.join(folder, "tail.tvx")
        shutil.copyfile(example, path)
        os.truncate(path, os.path.getsize(path) + tail_bytes)
        return path

    return make


def small_tg2(tvx, folder):
    """A TG2 file of a few hundred bytes: a 17 x 13 grey ramp written by `tvx encode`."""
    width, height = 17, 13
    ramp = bytes((x * 13 + y * 7) % 256 for y in range(height) for x in range(width))
    source = os.path.join(folder, "ramp.pgm")
    open(source, "wb").write(b"P5 %d %d 255\n" % (width, height) + ramp)
    path = os.path.join(folder, "ramp.tvx")
    subprocess.run([tvx, "encode", "--quiet", "--gen", "2", source, path], check=True)
    return path


def run_bounded(command, limit_memory):
    """Exit status, output, seconds and peak resident KiB of one bounded run."""

    def limit():
        if limit_memory:
            resource.setrlimit(resource.RLIMIT_AS, (ADDRESS_SPACE_BYTES, ADDRESS_SPACE_BYTES))

    with tempfile.TemporaryFile() as output:
        start = time.monotonic()
        process = subprocess.Popen(command, stdout=output, stderr=subprocess.STDOUT,
                                   preexec_fn=limit)
        timer = threading.Timer(TIMEOUT_SECONDS, process.kill)
        timer.start()
        _, status, usage = os.wait4(process.pid, 0)
        timer.cancel()
        seconds = time.monotonic() - start
        process.returncode = os.waitstatus_to_exitcode(status)
        output.seek(0)
        text = output.read().decode(errors="replace")
    return process.returncode, text, seconds, usage.ru_maxrss


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tvx", required=True)
    parser.add_argument("--amhost", required=True)
    parser.add_argument("--module", required=True)
    parser.add_argument("--examples", required=True)
    parser.add_argument("--sanitized", action="store_true")
    args = parser.parse_args()

    astronaut = os.path.join(args.examples, "astronaut.tvx")  # TG3, 512 x 512 RGB
    camera = os.path.join(args.examples, "camera.tvx")  # TG2, 512 x 512 grey
    sources = tempfile.TemporaryDirectory()
    ramp = small_tg2(args.tvx, sources.name)
    tvx = [args.tvx]
    decode = tvx + ["decode", "--quiet", "--threads", "2"]
    amhost = [args.amhost, "--module", args.module]

    # name, file maker, command before FILE, arguments after FILE, exit status, text
    cases = [
        # A zero tail reads as a run of empty packets; too long a run is refused.
        ("TG3 + 50 MiB of zeros", with_zero_tail(astronaut, 50 << 20), tvx + ["info"], [], 1,
         PARSE_ERROR),
        ("TG3 + 5 GiB of zeros", with_zero_tail(astronaut, 5 << 30), tvx + ["info"], [], 1,
         PARSE_ERROR),
        ("TG3 + 5 GiB of zeros, module", with_zero_tail(astronaut, 5 << 30), amhost, [], 1,
         "cannot open"),
        # Claimed sizes: cells without blocks are blank, so a huge image is valid to
        # describe; decoding all of it is refused unless asked for.
        ("TG2 65283 x 1048579: info", with_size(ramp, 65283, 1048579), tvx + ["info"], [], 0,
         "Size: 65283 x 1048579"),
        ("TG2 65283 x 1048579: decode", with_size(ramp, 65283, 1048579), decode, ["o.pgm"], 1,
         TOO_LARGE),
        ("TG2 65283 x 1048579: a window", with_size(ramp, 65283, 1048579), decode,
         ["--window", "65000,1048000,200,300", "o.pgm"], 0, ""),
        ("TG2 17 x 5242893: decode", with_size(ramp, height=5242893), decode, ["o.pgm"], 1,
         TOO_LARGE),
        # Decoding them anyway meets the cap on one allocation before any large one.
        ("TG2 width 2^26: --allow-large", with_size(camera, 1 << 26), decode,
         ["--allow-large", "o.pgm"], 1, OUT_OF_MEMORY),
        ("TG3 width 2^21: info", with_size(astronaut, 1 << 21), tvx + ["info"], [], 0,
         "Size: 2097152 x 512"),
        ("TG3 width 2^21: decode", with_size(astronaut, 1 << 21), decode, ["o.ppm"], 1,
         TOO_LARGE),
        # The planes of a 512-pixel image run out long before 2^21 columns are covered.
        ("TG3 width 2^21: --allow-large", with_size(astronaut, 1 << 21), decode,
         ["--allow-large", "o.ppm"], 1, PLANES_SHORT),
        # Length records: the last, in place of a skip, claims a plane of 512 MiB
        # that the file cannot hold; a record that still says "more" after eight bytes.
        ("TG3 plane of 512 MiB past the end", with_length_record(
            astronaut, -1, lambda *_: length_record(True, 512 << 20, 8)), decode, ["o.ppm"], 1,
         CANNOT_READ),
        ("TG3 length record of nine bytes", with_length_record(
            astronaut, 0, lambda coded, value: length_record(coded, value, 9)), decode, ["o.ppm"], 1,
         PLANES_SHORT),
        ("TG3 length record of eight bytes", with_length_record(
            astronaut, 0, lambda coded, value: length_record(coded, value, 8)), decode, ["o.ppm"], 0, ""),
        # No pixels at all.
        ("TG2 width 0", with_size(camera, width=0), tvx + ["info"], [], 1, NO_PIXELS),
        ("TG3 height 0", with_size(astronaut, height=0), tvx + ["info"], [], 1, NO_PIXELS),
        # Magnification stops four levels below full resolution. A magnified TG3 level
        # repeats level-0 rows as they come, so 16 times the width stays within the
        # memory bound.
        ("TG2 --width 100000", with_size(camera), decode, ["--width", "100000", "o.pgm"], 1,
         MAGNIFIED_TOO_FAR),
        ("TG3 --width 600", with_size(astronaut), decode, ["--width", "600", "o.ppm"], 0, ""),
        ("TG3 --level -4, a window", with_size(astronaut), decode,
         ["--level", "-4", "--window", "3001,5,4000,300", "o.ppm"], 0, ""),
        ("TG3 --width 100000", with_size(astronaut), decode, ["--width", "100000", "o.ppm"], 1,
         MAGNIFIED_TOO_FAR),
        ("TG3 module --width 1024", with_size(astronaut), amhost, ["--width", "1024"], 0, ""),
        ("TG2 module --width 100000", with_size(camera), amhost, ["--width", "100000"], 1,
         "refuses width 100000"),
    ]

    failures = 0
    print(f"{'case':40} {'status':>6} {'seconds':>8} {'peak MiB':>9}")
    for name, make, before, after, expected_status, expected_text in cases:
        with tempfile.TemporaryDirectory() as folder:
            path = make(folder)
            after = [os.path.join(folder, a) if a.startswith("o.") else a for a in after]
            status, text, seconds, peak = run_bounded(before + [path] + after,
                                                      not args.sanitized)
        print(f"{name:40} {status:6} {seconds:8.2f} {peak / 1024:9.1f}")
        problems = []
        if status != expected_status:
            problems.append(f"exit status {status}, expected {expected_status}")
        if expected_text not in text:
            problems.append(f"no '{expected_text}' in the output")
        if not args.sanitized and peak > PEAK_RESIDENT_KIB:
            problems.append(f"peak resident size {peak} KiB")
        if problems:
            failures += 1
            print("  FAILED: " + "; ".join(problems) + "\n  output: " + text.strip()[-400:])
    sources.cleanup()
    print(f"{failures} of {len(cases)} cases failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
