#!/usr/bin/env python3
"""The reference vectors through the two programs: `tvx decode` and the host module.

Every request of every vector goes once through `tvx decode --level L --window ...`
into a PAM file. The host path (amhost reading every tile of a level into a PNM)
gives 8-bit grey or RGB samples only, so it takes the 8-bit grey and RGB vectors:
each level a request names is read whole and the request's window cut from it.
TG3 samples must match bit for bit; TG2 samples within the request's tolerance
and with at least its share of exact samples. A level beyond the coarsest is a
usage error of tvx; the host asks for widths, so it has no such request. The
expected files are checked against the SHA-256 their description gives, so a damaged
copy cannot pass for a decoder fault.

usage: reference_vectors.py --tvx TVX --amhost AMHOST --module MODULE --vectors DIR
"""
import argparse
import glob
import hashlib
import json
import os
import re
import subprocess
import sys
import tempfile


def read_pnm(path):
    """(width, height, depth, samples, raw bytes) of a binary PGM, PPM or PAM; 16-bit
    samples are big-endian."""
    data = open(path, "rb").read()
    if data.startswith(b"P7"):
        header = re.match(rb"P7\n(.*?)ENDHDR\n", data, re.S)
        fields = dict(line.split() for line in header.group(1).decode().splitlines())
        width, height = int(fields["WIDTH"]), int(fields["HEIGHT"])
        depth, maxval = int(fields["DEPTH"]), int(fields["MAXVAL"])
    else:
        header = re.match(rb"P([56])\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
        width, height, maxval = (int(header.group(i)) for i in (2, 3, 4))
        depth = 1 if header.group(1) == b"5" else 3
    raw = data[header.end():]
    if maxval > 255:
        samples = [(raw[i] << 8) | raw[i + 1] for i in range(0, len(raw), 2)]
    else:
        samples = list(raw)
    if len(samples) != width * height * depth:
        raise ValueError(f"{path}: {len(samples)} samples for {width} x {height} x {depth}")
    return width, height, depth, samples, raw


def cut(samples, width, depth, x0, y0, x1, y1):
    out = []
    for y in range(y0, y1 + 1):
        out += samples[(y * width + x0) * depth:(y * width + x1 + 1) * depth]
    return out


def compare(what, decoded, expected, request, exact_only, failures):
    """Appends a failure text when the samples differ more than the request allows."""
    differences = [i for i, (d, e) in enumerate(zip(decoded, expected)) if d != e]
    if len(decoded) != len(expected) or not differences:
        if len(decoded) != len(expected):
            failures.append(f"{what}: {len(decoded)} samples, expected {len(expected)}")
        return
    first, largest = differences[0], max(abs(decoded[i] - expected[i]) for i in differences)
    if (exact_only or largest > request["tolerance"]
            or 1 - len(differences) / len(expected) < request["exact_fraction_min"]):
        failures.append(f"{what}: {len(differences)} of {len(expected)} samples differ, largest "
                        f"{largest}, first at sample {first} (decoded {decoded[first]}, "
                        f"expected {expected[first]})")


def run(command):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          timeout=60)


def decoded(command, output, what, failures):
    """The image the command writes to `output` (its last argument), or None and a failure."""
    result = run(command + [output])
    if result.returncode == 0:
        return read_pnm(output)
    failures.append(f"{what}: exit {result.returncode}: {result.stdout}")
    return None


def main():
    parser = argparse.ArgumentParser()
    for name in ("tvx", "amhost", "module", "vectors"):
        parser.add_argument("--" + name, required=True)
    args = parser.parse_args()

    failures = []
    counts = {"tvx": 0, "host": 0, "refused": 0}
    with tempfile.TemporaryDirectory() as folder:
        for generation in ("tg3", "tg2"):
            for description_path in sorted(glob.glob(os.path.join(args.vectors, generation, "*.json"))):
                description = json.load(open(description_path))
                here = os.path.dirname(description_path)
                image = os.path.join(here, description["file"])
                exact_only = generation == "tg3"
                # The host gives 8-bit samples of grey or RGB images.
                bands = description.get("components", description.get("bands"))
                host_covers = description.get("bits", 8) == 8 and bands in (1, 3)
                host_levels = {}
                for request in description["requests"]:
                    level = request["level"]
                    x0, y0, x1, y1 = request["x0"], request["y0"], request["x1"], request["y1"]
                    what = f"{generation}/{description['file']} level {level} {request['expected']}"
                    _, _, _, expected, raw = read_pnm(os.path.join(here, request["expected"]))
                    digest = request.get("sha256_of_samples")
                    if digest and hashlib.sha256(raw).hexdigest() != digest:
                        failures.append(f"{what}: the expected file does not match its SHA-256")
                        continue

                    window = decoded([args.tvx, "decode", "--quiet", "--threads", "1", "--level",
                                      str(level), "--window",
                                      f"{x0},{y0},{x1 - x0 + 1},{y1 - y0 + 1}", image],
                                     os.path.join(folder, "window.pam"), "tvx, " + what, failures)
                    if window:
                        compare("tvx, " + what, window[3], expected, request, exact_only,
                                failures)
                        counts["tvx"] += 1

                    if host_covers:
                        if level not in host_levels:
                            host_levels[level] = decoded(
                                [args.amhost, "--module", args.module, image, "--level",
                                 str(level), "--output"],
                                os.path.join(folder, f"level{level}.pnm"), "host, " + what,
                                failures)
                        if host_levels[level]:
                            width, _, depth, samples, _ = host_levels[level]
                            compare("host, " + what, cut(samples, width, depth, x0, y0, x1, y1),
                                    expected, request, exact_only, failures)
                            counts["host"] += 1

                for request in description.get("error_requests", []):
                    level = request["level"]
                    what = f"{generation}/{description['file']} level {level}"
                    result = run([args.tvx, "decode", "--quiet", "--level", str(level), image,
                                  os.path.join(folder, "refused.pam")])
                    # tvx checks the level against the image before the library sees
                    # it, as a usage error; the host asks for widths and gets the
                    # nearest level, so it has no request to refuse.
                    refusal = f"--level must lie between -4 and {description['levels']}"
                    if result.returncode != 2 or refusal not in result.stdout:
                        failures.append(f"tvx, {what}: exit {result.returncode}, not the usage "
                                        f"error '{refusal}': {result.stdout}")
                    else:
                        counts["refused"] += 1

    for failure in failures:
        print("FAIL", failure)
    print(f"{counts['tvx']} windows through tvx, {counts['host']} through the host, "
          f"{counts['refused']} levels refused; {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
