#!/usr/bin/env python3
"""Mutation check: does the suite catch a fault put into the code?

Each entry of FAULTS is one small, deliberate mistake of the kind a developer could
make: a rounding, a mirror, a context, a constant, a bound. The tool applies one fault
at a time to the working tree, rebuilds the normal build (build/) incrementally, runs
ctest, restores the file and records whether any test failed. A fault that no test
notices shows where the suite is blind.

Symmetric faults change a piece of code that the encoder and the decoder share, so
that every round trip through our own encoder still passes; only expected values
that come from outside (the reference vectors, exact values of the format) can catch
them. (Exchanging two contexts everywhere is no fault at all: both start alike, so the
coder's states are only renamed. Folding two into one is.)

Usage: scripts/mutate.py [--build DIR] [--only NAME ...] [--list]
It is a developer's tool (`make mutate`), not part of `make test`: a full run
rebuilds and tests once per fault. It refuses to start on a tree with uncommitted
changes to the files it mutates, and always puts the original text back.
"""
import argparse
import os
import re
import subprocess
import sys

# name, kind, [(file, original text, faulty text)]. The original must occur exactly once.
FAULTS = [
    # TG3 engine: arithmetic decoder, contexts, inverse 5-3, colour, output.
    ("mq-mps-threshold", "decoder",
     [("src/tg3/engine/tg3_mqDecoder.h", "if (a_ >= kHalf) return cx.mps;", "if (a_ > kHalf) return cx.mps;")]),
    ("mq-conditional-exchange", "decoder",
     [("src/tg3/engine/tg3_mqDecoder.h", "const bool mps = a_ < qe;", "const bool mps = a_ > qe;")]),
    ("53-horizontal-update-neighbour", "decoder",
     [("src/tg3/engine/tg3_inverseLevel.cpp",
       "at(c) = differenceOf(at(c), liftUpdateRound(sumOf(at(c - 1), at(c + 1))));",
       "at(c) = differenceOf(at(c), liftUpdateRound(sumOf(at(c - 1), at(c - 1))));")]),
    ("53-horizontal-predict-neighbour", "decoder",
     [("src/tg3/engine/tg3_inverseLevel.cpp",
       "at(c) = sumOf(at(c), liftPredictRound(sumOf(at(c - 1), at(c + 1))));",
       "at(c) = sumOf(at(c), liftPredictRound(sumOf(at(c + 1), at(c + 1))));")]),
    ("53-vertical-update-neighbour", "decoder",
     [("src/tg3/engine/tg3_inverseLevel.cpp",
       "data[i] = differenceOf(data[i], liftUpdateRound(sumOf(upper[i], lower[i])));",
       "data[i] = differenceOf(data[i], liftUpdateRound(sumOf(upper[i], lower[i]) + 2));")]),
    ("53-vertical-predict-neighbour", "decoder",
     [("src/tg3/engine/tg3_inverseLevel.cpp",
       "sumOf(odd[i], liftPredictRound(sumOf(upper[i], lower[i])));",
       "sumOf(odd[i], liftPredictRound(sumOf(lower[i], lower[i])));")]),
    ("dc-shift-sign", "decoder",
     [("src/tg3/engine/tg3_colourTransform.cpp",
       "plane[i] = static_cast<std::int32_t>(std::int64_t{plane[i]} + params.dcValue);",
       "plane[i] = static_cast<std::int32_t>(std::int64_t{plane[i]} - params.dcValue);")]),
    ("yiq-inverse-constant", "decoder",
     [("src/tg3/engine/tg3_colourTransform.cpp",
       "const std::int64_t u = d + roundFixed14(-22640 * e);",
       "const std::int64_t u = d + roundFixed14(-22641 * e);")]),
    ("output-clamp-high", "decoder",
     [("src/tg3/engine/tg3_sampleOutput.cpp",
       "return v < low ? low : (v > high ? high : v);",
       "return v < low ? low : (v > high ? high - 1 : v);")]),
    # TG3 placement of a request.
    ("scene-support-level", "decoder",
     [("src/tg3/decoder/tg3_sceneDecoder.cpp",
       "const Region supportAtLevel = support_.coarser(internalLevel_);",
       "const Region supportAtLevel = support_.coarser(internalLevel_ + 1);")]),
    ("data-first-record-offset", "decoder",
     [("src/tg3/planeset/tg3_planeIndex.cpp",
       "if (versionMinor == 1) recordsAt += headerSize;",
       "if (versionMinor == 0) recordsAt += headerSize;")]),
    ("mq-renormalise-shift", "decoder",
     [("src/tg3/engine/tg3_mqDecoder.h",
       "int shift = std::countl_zero(a_) - 16;", "int shift = std::countl_zero(a_) - 17;")]),
    ("mq-carry-after-ff", "decoder",
     [("src/tg3/engine/tg3_mqDecoder.h",
       "carryNext_ = last_ == 0xFF;", "carryNext_ = last_ == 0xFE;")]),
    # Scenes and the level's pixels.
    ("scene-clipping-rows", "decoder",
     [("src/image/cv_scene.cpp",
       "std::min(x1, other.x1), std::min(y1, other.y1), std::min(z1, other.z1));",
       "std::min(x1, other.x1), y1, std::min(z1, other.z1));")]),
    ("float-to-byte-rounding", "decoder",
     [("src/transform/cv_sampleRange.h",
       "const float scaled = (v - srcMin) * scale + float(dstMin);",
       "const float scaled = (v - srcMin) * scale + float(dstMin) + 0.5f;")]),
    # Bounds that only a hostile file reaches.
    ("bound-plane-past-file-end", "bounds",
     [("src/tg3/engine/tg3_filePlaneStoreClient.cpp",
       "if (end < 0 || start > end || length > static_cast<std::uint64_t>(end - start) ||",
       "if (end < 0 || start > end ||")]),
    ("bound-length-record-bytes", "bounds",
     [("src/tg3/planeset/tg3_lengthRecord.cpp",
       "if (count == maxBytes) return TG3Status::readFailed;",
       "if (count == maxBytes + 1) return TG3Status::readFailed;")]),
    ("bound-host-tile-number", "bounds",
     [("src/host/tvx_fileReader.cpp",
       "if (tile < 0 || static_cast<std::uint64_t>(tile) >= std::uint64_t{tilesAcross_} * tilesDown_)",
       "if (tile < 0 || static_cast<std::uint64_t>(tile) > std::uint64_t{tilesAcross_} * tilesDown_)")]),
    # TG2 decoding.
    ("tg2-value-symbol-bias", "decoder",
     [("src/tg2/entropy/tg2_subBlockDecoder.cpp",
       "constexpr int kValueBias = 180;", "constexpr int kValueBias = 179;")]),
    ("tg2-run-symbol-range", "decoder",
     [("src/tg2/entropy/tg2_subBlockDecoder.cpp",
       "if (symbol <= kLargestRunSymbol) {", "if (symbol < kLargestRunSymbol) {")]),
    ("tg2-dequantise-midpoint", "decoder",
     [("src/tg2/entropy/tg2_dequantise.cpp",
       "const float half = step * 0.5f;", "const float half = step * 0.25f;")]),
    ("tg2-97-mirror", "decoder",
     [("src/tg2/synthesis/tg2_lifting97.cpp",
       "return p < length ? p : period - p;", "return p < length ? p : period - p - 1;")]),
    # Host geometry.
    ("host-partial-tile-column", "host",
     [("src/host/tvx_fileReader.cpp",
       "((extent & (TvxFileReader::kTileSize - 1)) != 0 ? 1u : 0u);",
       "((extent & (TvxFileReader::kTileSize - 1)) > 1 ? 1u : 0u);")]),
    ("host-tile-fill", "host",
     [("src/host/tvx_fileReader.cpp",
       "std::memset(buffer, kTileFill, static_cast<std::size_t>(samplesPerPixel_) << 14);",
       "std::memset(buffer, 0, static_cast<std::size_t>(samplesPerPixel_) << 14);")]),
    ("tile-band-run-start", "host",
     [("src/image/cv_tileRows.cpp",
       "run_ == kNarrowColumns + 1 ? column - kNarrowColumns : column,",
       "column - (run_ - 1),")]),
    # Sub-blocks handed between the workers of `tvx decode --threads`.
    ("subblock-exchange-key", "decoder",
     [("src/tg3/engine/tg3_bandCache.cpp",
       "SubblockExchange::Key key{exchangeImage_, band, index, components_[i]};",
       "SubblockExchange::Key key{exchangeImage_, 0, index, components_[i]};")]),
    # A decoded window's georeferencing, as `tvx decode` writes it.
    ("world-file-half-pixel", "tools",
     [("tools/tvx/tvx_geoReference.cpp",
       "const double u = (static_cast<double>(column) + 0.5) * scale - 0.5;",
       "const double u = static_cast<double>(column) * scale;")]),
    # Shared by encoder and decoder: round trips cannot see these.
    ("shared-refinement-contexts", "symmetric",
     [("src/tg3/engine/tg3_bitPlaneContexts.h",
       "return (flags & 0xFFu) == 0 ? 14 : 15;", "return (flags & 0xFFu) == 0 ? 14 : 14;")]),
    ("shared-53-update-rounding", "symmetric",
     [("src/tg3/engine/tg3_lifting53.h",
       "return q + ((q | s) & (s >> 1) & 1);", "return q + ((s >> 1) & 1);")]),
    ("shared-53-predict-rounding", "symmetric",
     [("src/tg3/engine/tg3_lifting53.h", "return h + (h & s & 1);", "return h;")]),
    ("shared-yiq-constant", "symmetric",
     [("src/tg3/engine/tg3_colourTransform.cpp",
       "const std::int64_t second = e + roundFixed14(19309 * u);",
       "const std::int64_t second = e + roundFixed14(19310 * u);"),
      ("src/tg3/engine/tg3_colourTransform.cpp",
       "const std::int64_t e = b - roundFixed14(19309 * u);",
       "const std::int64_t e = b - roundFixed14(19310 * u);")]),
    ("shared-dc-value", "symmetric",
     [("src/tg3/engine/tg3_colourTransform.cpp",
       "return -(std::int32_t{1} << k);", "return -(std::int32_t{1} << (k - 1));")]),
    ("shared-97-first-update", "symmetric",
     [("src/tg2/synthesis/tg2_lifting97.h",
       "inline constexpr float kLift97FirstUpdate = 0.44350684f;",
       "inline constexpr float kLift97FirstUpdate = 0.45350684f;")]),
    ("shared-sign-prediction", "symmetric",
     [("src/tg3/engine/tg3_bitPlaneContexts.h",
       "return kSignTable[signIndex & 0xFFu].prediction;",
       "return kSignTable[signIndex & 0xFFu].prediction ^ 1;")]),
    ("shared-band-context-table", "symmetric",
     [("src/tg3/engine/tg3_bitPlaneContexts.cpp",
       """        case 3:
            return SignificanceTable::C;""",
       """        case 3:
            return SignificanceTable::B;""")]),
    ("shared-dither-rows", "symmetric",
     [("src/tg2/entropy/tg2_dither.cpp",
       "kTG2DitherTable[(placement.ditherRow + placement.firstRow + y) & kMask];",
       "kTG2DitherTable[(placement.ditherRow + y) & kMask];")]),
]


def run(command, cwd, log):
    with open(log, "a") as out:
        return subprocess.run(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT).returncode


def failed_tests(build, log):
    """Runs ctest; returns the names of the tests that failed (empty when all passed)."""
    result = subprocess.run(["ctest", "-j", str(os.cpu_count() or 2), "--timeout", "300"],
                            cwd=build, capture_output=True, text=True)
    with open(log, "a") as out:
        out.write(result.stdout + result.stderr)
    names = re.findall(r"^\s*\d+ - (\S+) \(", result.stdout.split("tests FAILED:")[-1], re.M)
    return names if result.returncode != 0 else []


def apply(root, edits):
    originals = {}
    try:
        for path, old, new in edits:
            full = os.path.join(root, path)
            current = open(full).read()
            originals.setdefault(full, current)
            if current.count(old) != 1:
                raise ValueError(f"{path}: the original text occurs {current.count(old)} times")
            with open(full, "w") as out:
                out.write(current.replace(old, new))
    except ValueError:
        restore(originals)
        raise
    return originals


def restore(originals):
    for full, text in originals.items():
        with open(full, "w") as out:
            out.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--only", nargs="*", default=[])
    parser.add_argument("--list", action="store_true")
    args = parser.parse_args()
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    faults = [f for f in FAULTS if not args.only or f[0] in args.only]
    if args.list:
        # Also tells whether each fault still applies to the current tree.
        for name, kind, edits in faults:
            found = all(open(os.path.join(root, path)).read().count(old) == 1
                        for path, old, _ in edits)
            print(f"{name:36s} {kind:10s} {edits[0][0]}{'' if found else '  (text not found)'}")
        return 0
    touched = sorted({path for _, _, edits in faults for path, _, _ in edits})
    dirty = subprocess.run(["git", "status", "--porcelain", "--"] + touched, cwd=root,
                           capture_output=True, text=True).stdout.strip()
    if dirty:
        print("mutate: commit or stash the changes to these files first:\n" + dirty)
        return 2
    build = os.path.join(root, args.build)
    log = os.path.join(build, "mutate.log")
    if run(["cmake", "--build", build, "-j", str(os.cpu_count() or 2)], root, log) != 0:
        print(f"mutate: the unchanged tree does not build (see {log})")
        return 2
    rows = []
    for name, kind, edits in faults:
        failed = []
        try:
            originals = apply(root, edits)
        except ValueError as problem:
            rows.append((name, kind, f"not applied: {problem}", ""))
            continue
        try:
            # A fault that does not compile tells nothing about the tests.
            if run(["cmake", "--build", build, "-j", str(os.cpu_count() or 2)], root, log) != 0:
                verdict = "did not build"
            else:
                failed = failed_tests(build, log)
                verdict = "caught" if failed else "NOT CAUGHT"
        finally:
            restore(originals)
        # A few of the tests that saw the fault: what must stay when tests are cut.
        witnesses = " ".join(failed[:3]) + (f" (+{len(failed) - 3})" if len(failed) > 3 else "")
        rows.append((name, kind, verdict, witnesses))
        print(f"{name:36s} {kind:10s} {verdict:14s} {witnesses}", flush=True)
    run(["cmake", "--build", build, "-j", str(os.cpu_count() or 2)], root, log)
    caught = sum(1 for row in rows if row[2] == "caught")
    print(f"\n| fault | kind | verdict | caught by |\n|---|---|---|---|")
    for name, kind, verdict, witnesses in rows:
        print(f"| {name} | {kind} | {verdict} | {witnesses} |")
    print(f"\n{caught} of {len(rows)} faults caught")
    return 0


if __name__ == "__main__":
    sys.exit(main())
