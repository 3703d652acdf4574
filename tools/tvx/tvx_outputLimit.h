#pragma once
// The guard against decompression bombs. Grid cells without coded data decode as
// zeros, so a file of a few hundred bytes may validly describe a blank image of
// billions of pixels; decoding it all would write for hours. As image libraries do
// (a pixel limit, user limits on width and height), `tvx decode` refuses an output
// that is both large and out of all proportion to the file, unless asked for it.
#include <cstdint>

namespace tvx {

// Outputs up to this many samples are always decoded (64 Mi: a 8192 x 8192 grey image).
constexpr std::uint64_t kSamplesAlwaysDecoded = std::uint64_t{1} << 26;
// Beyond that, an output of more samples than this per byte of the file is refused.
constexpr std::uint64_t kSamplesPerFileByte = 1000;

// Raises an exception that names the sizes and --allow-large when an output of
// width x height pixels of `samplesPerPixel` samples from a file of `fileBytes` bytes
// passes both bounds.
void refuseLikelyBomb(std::uint64_t width, std::uint64_t height, std::uint64_t samplesPerPixel,
                      std::uint64_t fileBytes);

}  // namespace tvx
