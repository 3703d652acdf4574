#pragma once
// Writes a complete TG3 file from an image: the file header, the header packet, the
// optional classical metadata and image description, and the planeset holding every
// coded plane. Lossless unless asked otherwise.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "encode/encode_rasterSource.h"
#include "metadata/cv_TG3ClassicalMetadata.h"
#include "support/cv_callbacks.h"
#include "tg3/container/tg3_kernelStream.h"
#include "tg3/header/tg3_imageDescription.h"
#include "tg3/header/tg3_types.h"

namespace Corvane {

// How much of each band's planes is kept.
enum class TG3RateMode {
    lossless,       // every plane of every band
    targetSize,     // the largest file that is at most targetBytes long
    targetQuality,  // the smallest file whose decoded image reaches targetPsnr
};

struct TG3EncodeOptions {
    // Wavelet levels; -1 picks 5, or fewer so that the coarsest level keeps at least
    // 8 pixels on its shorter side (a 3 x 3 image gets none). At most 30.
    int levels = -1;
    // Side of the square sub-blocks every band is cut into, 1 to 65535.
    std::uint32_t subblockSize = 64;
    // Order of the stored sub-blocks: orderPipelined, orderNoPipe or orderSBCP.
    TG3Order order = orderPipelined;
    // orderStyleInterleaved or orderStyleDataFirst.
    TG3OrderStyle orderStyle = orderStyleInterleaved;
    // Minor version of the planeset packet, 0 or 1 (longer length records).
    std::uint8_t planesetVersionMinor = 0;
    // Adds the two bytes of mean-square-error data after every plane.
    bool withMSEs = false;

    TG3RateMode rateMode = TG3RateMode::lossless;
    // For targetSize: the largest file size accepted, in bytes.
    std::uint64_t targetBytes = 0;
    // For targetQuality: the peak signal-to-noise ratio in dB that the decoded image
    // must reach, over every sample of every component, with the dynamic range
    // (maximum - minimum) as the peak. Measured by decoding the chosen planes.
    double targetPsnr = 0;

    // How many of the lowest planes (the least significant bits) are stored raw
    // instead of arithmetic-coded, 0 to 32.
    int rawPlanes = 0;

    // Colour transform applied before coding. Unset picks a lossless default: DC shift
    // for grey, code 4 (luminance and two chrominance differences) for RGB, CMYK to
    // YIQK for CMYK. All of these are exact.
    // Grey takes identity or DC shift; RGB also the RGB-to-YIQ codes and DC shift on
    // non-chrominance bands, codes 4 and 7, and code 17 (the reversible integer
    // transform of JPEG 2000, which fewer readers undo); CMYK the CMYK-to-YIQK codes (with or
    // without K processing).
    std::optional<TG3ColorTransform> colourTransform;
    // Largest sample value of the image's dynamic range; 0 takes the full range of the
    // sample type (255 or 65535). Samples above it are refused.
    std::int32_t dynamicRangeMax = 0;
    // Extends the image periodically instead of by reflection at its edges in the
    // wavelet transform, for images that wrap round (a whole parallel of the globe).
    bool periodic = false;

    // Classical metadata entries, written as the file's metadata packet when given.
    std::optional<TG3ClassicalMetadata> metadata;
    // Georeferencing and special pixels, written as the image description when given.
    std::optional<ImageDescription> description;
    // The number every packet of the image carries; a mosaic gives each image its own.
    std::uint32_t imageNumber = 0;
    // Told how far the encode has come and asked whether to stop (Interrupt is thrown
    // then); none when null.
    CV_ProcessCallbacks* callbacks = nullptr;
};

// Encodes the image `source` holds and writes the file to `file` (which must seek,
// to fill in packet lengths), from its current position. The source is read once from
// the top in strips, and memory follows the image's width: the coded planes wait in a
// temporary file until the planeset is written. Two cases still hold the whole image:
// a periodic image (its transform needs the last rows for the first) and a target
// quality (measured by decoding the whole image for each quality tried).
// Unsupported input or options throw a Corvane::Exception whose text says what was
// refused; the source's rows are checked as they are read.
void encodeTG3(RasterSource& source, const TG3EncodeOptions& options, KernelStream& file);

// The bytes of a TG3 file holding `image`.
std::vector<std::uint8_t> encodeTG3(const RasterImage& image, const TG3EncodeOptions& options);

// Encodes and writes the file at `path`, replacing any file there; a failed encode
// leaves no file behind.
void encodeTG3File(RasterSource& source, const TG3EncodeOptions& options, const std::string& path);
void encodeTG3File(const RasterImage& image, const TG3EncodeOptions& options,
                   const std::string& path);

}  // namespace Corvane
