#include "encode/tg2/tg2_fileEncoder.h"

#include <cmath>
#include <fstream>

#include "encode/tg2/entropy/tg2_quantiser.h"
#include "encode/tg2/structure/tg2_streamWriter.h"
#include "encode/tg2/synthesis/tg2_forward97.h"
#include "metadata/cv_classicalStandardTags.h"
#include "pixel/cv_colorSpace.h"
#include "support/cv_exception.h"
#include "tg2/entropy/tg2_ditherTable.h"

namespace Corvane {

namespace {

// Each subband starts the dither table at its own place, so that neighbouring
// subbands do not carry the same noise pattern.
constexpr std::uint32_t kDitherColumnStride = 37;
constexpr std::uint32_t kDitherRowStride = 59;

void checkImage(const RasterImage& image, const TG2EncodeOptions& options) {
    if (image.bitsPerSample != 8) throw InvalidArgumentException("TG2 images have 8-bit samples");
    const std::uint32_t bands = image.bandCount();
    if (bands != 1 && bands != 3 && bands != 4)
        throw InvalidArgumentException("TG2 images have 1, 3 or 4 bands");
    if (image.width == 0 || image.height == 0) throw InvalidArgumentException("empty image");
    const std::size_t samples = std::size_t{image.width} * image.height;
    for (const auto& plane : image.components)
        if (plane.size() != samples) throw InvalidArgumentException("band of the wrong size");
    if (!(options.step > 0.0f) || !std::isfinite(options.step))
        throw InvalidArgumentException("step");
    if (options.blockWidth == 0 || options.blockHeight == 0 || options.subBlockWidth == 0 ||
        options.subBlockHeight == 0)
        throw InvalidArgumentException("block and sub-block sizes must be positive");
}

// The implied scheme of a band count, as the reader assumes it without metadata.
std::uint32_t impliedScheme(std::uint32_t bands) {
    switch (bands) {
        case 1:
            return SchemeGrayscale;
        case 3:
            return SchemeRGB;
        default:
            return SchemeCMYK;
    }
}

void describeImage(const RasterImage& image, const TG2EncodeOptions& options,
                   ClassicalTagTable& table) {
    setStartOfMetadata(&table);
    setImageWidth(&table, image.width);
    setImageHeight(&table, image.height);
    setBitsPerSample(&table, static_cast<std::uint16_t>(image.bitsPerSample));
    if (options.colorScheme && *options.colorScheme != impliedScheme(image.bandCount()))
        setColorScheme(&table, *options.colorScheme);
    if (!options.dither) setNoDither(&table, 1);
    if (options.georeference) {
        const TG2Georeference& geo = *options.georeference;
        setXYOrigin(&table, geo.xOrigin, geo.yOrigin);
        setXResolution(&table, geo.xResolution);
        setYResolution(&table, geo.yResolution);
        if (options.projectedCSType) setProjectedCSType(&table, *options.projectedCSType);
    }
    setEndOfMetadata(&table);
}

// The indices of one band in every subband, in subband index order.
std::vector<std::vector<std::int32_t>> quantiseBand(const std::vector<std::int32_t>& samples,
                                                    std::uint32_t width, std::uint32_t height,
                                                    std::uint32_t levels,
                                                    const std::vector<double>& weights,
                                                    const TG2EncodeOptions& options) {
    CoefficientPlane image;
    image.width = width;
    image.height = height;
    image.samples.assign(samples.begin(), samples.end());
    std::vector<CoefficientPlane> planes = analyse97(image, levels);
    applySubbandWeights(planes, weights);

    std::vector<std::vector<std::int32_t>> indices;
    for (std::uint32_t i = 0; i < planes.size(); ++i) {
        const std::uint32_t ditherColumn = (i * kDitherColumnStride) % kTG2DitherSize;
        const std::uint32_t ditherRow = (i * kDitherRowStride) % kTG2DitherSize;
        const DitherSource dither = [&](std::uint32_t column, std::uint32_t row) {
            return kTG2DitherTable[(ditherRow + row) % kTG2DitherSize]
                                  [(ditherColumn + column) % kTG2DitherSize];
        };
        indices.push_back(options.dither ? quantisePlane(planes[i], options.step, dither)
                                         : quantisePlane(planes[i], options.step));
    }
    return indices;
}

}  // namespace

std::uint32_t defaultTG2Levels(std::uint32_t width, std::uint32_t height) {
    std::uint32_t side = std::min(width, height);
    std::uint32_t levels = 0;
    while (levels < kLargestDefaultLevels && (side + 1) / 2 >= kSmallestCoarsestSide) {
        side = (side + 1) / 2;
        ++levels;
    }
    return levels;
}

std::vector<std::uint8_t> encodeTG2(const RasterImage& image, const TG2EncodeOptions& options) {
    checkImage(image, options);
    const std::uint32_t levels =
        options.levels.value_or(defaultTG2Levels(image.width, image.height));
    const std::vector<double> weights = subbandWeights(image.width, image.height, levels);

    TG2StreamInput input;
    input.bandCount = image.bandCount();
    input.levelCount = levels;
    input.width = image.width;
    input.height = image.height;
    input.subbands.resize(3 * std::size_t{levels} + 1);
    for (std::uint32_t i = 0; i < input.subbands.size(); ++i) {
        TG2SubbandInput& subband = input.subbands[i];
        const TG2PlaneSize size = tg2SubbandPlaneSize(image.width, image.height, levels, i);
        subband.width = size.width;
        subband.height = size.height;
        subband.blockWidth = options.blockWidth;
        subband.blockHeight = options.blockHeight;
        subband.subBlockWidth = options.subBlockWidth;
        subband.subBlockHeight = options.subBlockHeight;
        subband.ditherColumn =
            static_cast<std::uint8_t>((i * kDitherColumnStride) % kTG2DitherSize);
        subband.ditherRow = static_cast<std::uint8_t>((i * kDitherRowStride) % kTG2DitherSize);
    }
    for (const auto& samples : image.components) {
        std::vector<std::vector<std::int32_t>> indices =
            quantiseBand(samples, image.width, image.height, levels, weights, options);
        for (std::size_t i = 0; i < indices.size(); ++i) {
            input.subbands[i].bands.push_back(std::move(indices[i]));
            input.subbands[i].steps.push_back(options.step);
        }
    }

    ClassicalTagTable table;
    initializeTagTable(&table);
    describeImage(image, options, table);
    input.metadata = &table;
    try {
        std::vector<std::uint8_t> bytes = writeTG2Stream(input);
        clearTagTable(&table);
        return bytes;
    } catch (...) {
        clearTagTable(&table);
        throw;
    }
}

void encodeTG2File(const RasterImage& image, const TG2EncodeOptions& options,
                   const std::string& path) {
    const std::vector<std::uint8_t> bytes = encodeTG2(image, options);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw IOException(path.c_str(), IoOpen);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw IOException(path.c_str(), IoWrite);
}

}  // namespace Corvane
