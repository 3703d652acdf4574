#pragma once
// Encodes an 8-bit raster image as a TG2 file: the forward 9/7 analysis of every
// band, the subband weights, quantisation with an optional subtractive dither, the
// coded stream and a metadata block that describes the image. Each subband gets its
// own step, finer where its errors spread further in the image, so that every
// subband costs the same squared error per bit. The image is read from the top in
// strips and coded as it is analysed, with memory proportional to its width: coded
// blocks wait in a scratch file until the stream is assembled, and a search for a
// target size keeps the analysed subbands in another.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "encode/encode_rasterImage.h"
#include "encode/encode_rasterSource.h"
#include "support/cv_callbacks.h"

namespace Corvane {

// Where the upper-left pixel lies and how large a pixel is on the ground.
struct TG2Georeference {
    double xOrigin = 0.0;
    double yOrigin = 0.0;
    double xResolution = 1.0;
    double yResolution = 1.0;
};

struct TG2EncodeOptions {
    // Wavelet levels; without a value, up to 5 while the coarsest band keeps at
    // least kSmallestCoarsestSide samples on its shorter side.
    std::optional<std::uint32_t> levels;
    // Quantisation step of the subband whose errors weigh least, the coarsest
    // step of the file (divided by the square root of its band's weight): about
    // the largest error a sample may take on; 0.5 restores 8-bit images of grey,
    // RGB or CMYK within one grey value.
    float step = 1.0f;
    // When set, the step and the dither are chosen for the smallest squared error
    // of a file of at most this many bytes, and `step` and `dither` are ignored.
    std::optional<std::uint64_t> targetBytes;
    std::uint32_t blockWidth = 256;
    std::uint32_t blockHeight = 256;
    std::uint32_t subBlockWidth = 32;
    std::uint32_t subBlockHeight = 32;
    bool dither = true;
    // Stored only when the band count alone does not name the scheme (4 bands are
    // read as CMYK, 3 as RGB, 1 as Grayscale). SchemeYIQ on an RGB image stores its
    // samples as Y, I and Q bands, which readers turn back into RGB; any other scheme
    // names the samples as they are given.
    std::optional<std::uint32_t> colorScheme;
    // What a unit of squared error in each band costs in the image that readers show,
    // one positive weight per band; a band with twice the weight gets a step smaller
    // by the square root of two. Empty: the YIQ weights for a file of YIQ bands
    // (yiqBandWeights), otherwise 1 for every band.
    std::vector<double> bandWeights;
    std::optional<TG2Georeference> georeference;
    // EPSG code of the projected coordinate system of the georeference.
    std::optional<std::uint16_t> projectedCSType;
    // Told how far the encode has come and asked whether to stop (Interrupt is
    // thrown then); none when null.
    CV_ProcessCallbacks* callbacks = nullptr;
};

inline constexpr std::uint32_t kLargestDefaultLevels = 5;
inline constexpr std::uint32_t kSmallestCoarsestSide = 8;

// The level count used when the options leave it open.
std::uint32_t defaultTG2Levels(std::uint32_t width, std::uint32_t height);

// Writes the file to `out` front to back once the last row is coded; `out` need not
// seek, so it may be a pipe. Raises InvalidArgumentException for an image that is
// not 8-bit with 1, 3 or 4 bands (3 for YIQ), for sizes of 0, for a step that is not
// a positive finite number or too small for the coefficients, for band weights that
// are not one positive finite number per band, for a target size below that of the
// file with every index zero, and for strips that do not match the source's shape;
// IOException when `out` or a scratch file fails.
void encodeTG2(RasterSource& source, const TG2EncodeOptions& options, std::ostream& out);

// The whole file in memory; the same refusals, and for bands not of width x height
// samples.
std::vector<std::uint8_t> encodeTG2(const RasterImage& image, const TG2EncodeOptions& options);

// The same, written to a file; raises IOException when the file cannot be written.
void encodeTG2File(RasterSource& source, const TG2EncodeOptions& options, const std::string& path);
void encodeTG2File(const RasterImage& image, const TG2EncodeOptions& options,
                   const std::string& path);

}  // namespace Corvane
