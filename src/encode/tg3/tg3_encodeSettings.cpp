#include "encode/tg3/tg3_encodeSettings.h"

#include <algorithm>
#include <string>

#include "support/cv_exception.h"

namespace Corvane {

namespace {

constexpr int kMaximumLevels = 30;
constexpr std::uint32_t kCoarsestSide = 8;

[[noreturn]] void refuseImage(const std::string& why) {
    throw UnsupportedFeatureException(why.c_str());
}

[[noreturn]] void refuseOption(const std::string& why) {
    throw InvalidArgumentException(why.c_str());
}

TG3ColorSpace inputColourSpace(std::size_t components) {
    switch (components) {
        case 1:
            return colorSpaceGreyscale;
        case 3:
            return colorSpaceRGB;
        default:
            return colorSpaceCMYK;
    }
}

// Whether the decoder undoes `transform` exactly for an image of this many components.
bool transformFits(TG3ColorTransform transform, std::size_t components) {
    switch (transform) {
        case colorTransformIdentity:
        case colorTransformDCShift:
            return true;
        case colorTransformYIQOpposite:
        case colorTransformYIQOppositeB:
        case colorTransformRGBToYIQ:
        case colorTransformRGBToYIQOutside:
        case colorTransformDCShiftNonChrominance:
        case colorTransformJ2KReversible:
            return components == 3;
        case colorTransformCMYKToYIQK:
        case colorTransformCMYKToYIQKProcessed:
            return components == 4;
        default:
            return false;
    }
}

// The colour space the wavelet coefficients are in after the transform; informative only.
TG3ColorSpace waveletColourSpace(TG3ColorTransform transform, TG3ColorSpace input) {
    switch (transform) {
        case colorTransformRGBToYIQ:
            return colorSpaceYIQ;
        case colorTransformRGBToYIQOutside:
            return colorSpaceYIQExternal;
        case colorTransformCMYKToYIQK:
        case colorTransformCMYKToYIQKProcessed:
            return colorSpaceYIQK;
        case colorTransformDCShift:
        case colorTransformDCShiftNonChrominance:
            return colorSpaceDCShifted;
        default:
            return input;
    }
}

void checkShape(const RasterShape& image) {
    if (image.width == 0 || image.height == 0) {
        refuseImage("an image of " + std::to_string(image.width) + " x " +
                    std::to_string(image.height) + " pixels has no samples");
    }
    if (image.width < 3 || image.height < 3) {
        refuseImage("images smaller than 3 x 3 pixels (this one is " + std::to_string(image.width) +
                    " x " + std::to_string(image.height) + ")");
    }
    if (image.bitsPerSample != 8 && image.bitsPerSample != 16) {
        refuseImage(std::to_string(image.bitsPerSample) +
                    " bits per sample (only 8 and 16 are written)");
    }
    const std::size_t bands = image.bandCount;
    if (bands != 1 && bands != 3 && bands != 4) {
        refuseImage(std::to_string(bands) +
                    " bands (only 1 for grey, 3 for RGB and 4 for CMYK are written)");
    }
}

void checkOptions(const RasterShape& image, const TG3EncodeOptions& options) {
    if (options.levels < -1 || options.levels > kMaximumLevels) {
        refuseOption("levels must be -1 (automatic) or 0 to " + std::to_string(kMaximumLevels));
    }
    if (options.levels > 0) {
        // Every split must leave its detail bands at least one coefficient wide.
        const std::uint64_t shorter = std::min(image.width, image.height);
        const int splits = options.levels - 1;
        if (((shorter + (std::uint64_t{1} << splits) - 1) >> splits) < 2) {
            refuseOption(std::to_string(options.levels) + " levels for an image of " +
                         std::to_string(image.width) + " x " + std::to_string(image.height) +
                         " pixels");
        }
    }
    if (options.subblockSize == 0 || options.subblockSize > 0xFFFF) {
        refuseOption("the sub-block size must be 1 to 65535");
    }
    // The band table counts sub-blocks per row and column in 16 bits.
    const std::uint64_t longest = std::max(image.width, image.height);
    if ((longest + options.subblockSize - 1) / options.subblockSize > 0xFFFF) {
        refuseOption("sub-blocks of " + std::to_string(options.subblockSize) +
                     " pixels are too small for an image of this size");
    }
    if (options.order != orderPipelined && options.order != orderNoPipe &&
        options.order != orderSBCP) {
        refuseOption("the order must be 1 (pipelined), 2 (nopipe) or 5 (sbcp)");
    }
    if (options.orderStyle != orderStyleInterleaved && options.orderStyle != orderStyleDataFirst) {
        refuseOption("the order style must be interleaved or datafirst");
    }
    if (options.planesetVersionMinor > 1) refuseOption("the planeset version must be 0.0 or 0.1");
    if (options.rawPlanes < 0 || options.rawPlanes > 32) {
        refuseOption("the number of raw planes must be 0 to 32");
    }
    if (options.rateMode == TG3RateMode::targetSize && options.targetBytes == 0) {
        refuseOption("a target size of 0 bytes");
    }
    if (options.rateMode == TG3RateMode::targetQuality && !(options.targetPsnr > 0)) {
        refuseOption("a target quality must be a PSNR above 0 dB");
    }
}

}  // namespace

int automaticLevels(std::uint32_t width, std::uint32_t height) {
    const std::uint64_t shorter = std::min(width, height);
    int levels = 5;
    while (levels > 0 && ((shorter + (std::uint64_t{1} << levels) - 1) >> levels) < kCoarsestSide)
        --levels;
    return levels;
}

TG3ColorTransform defaultColourTransform(std::size_t components) {
    switch (components) {
        case 3:
            // Code 10 leaves luminance in all three coded components (the decoder's
            // step for it is the chrominance-mixing direction) and codes flower.png
            // 7% larger than no transform at all; code 4 codes luminance and two
            // differences, 16% smaller than none.
            return colorTransformYIQOpposite;
        case 4:
            return colorTransformCMYKToYIQK;
        default:
            return colorTransformDCShift;
    }
}

void checkSamples(const RasterImage& strip, const TG3ImageInfo& info) {
    const std::size_t samples = std::size_t{strip.width} * strip.height;
    for (std::size_t c = 0; c < strip.components.size(); ++c) {
        if (strip.components[c].size() != samples) {
            refuseImage("component " + std::to_string(c) + " holding " +
                        std::to_string(strip.components[c].size()) + " samples instead of " +
                        std::to_string(samples));
        }
        const auto [least, most] =
            std::minmax_element(strip.components[c].begin(), strip.components[c].end());
        if (samples > 0 && (*least < 0 || *most > info.dynamicRangeMax)) {
            refuseImage("samples outside the dynamic range 0.." +
                        std::to_string(info.dynamicRangeMax) + " in component " +
                        std::to_string(c));
        }
    }
    if (strip.components.size() != info.components) {
        refuseImage(std::to_string(strip.components.size()) + " bands in rows of an image of " +
                    std::to_string(info.components));
    }
}

TG3ImageInfo encodedImageInfo(const RasterShape& image, const TG3EncodeOptions& options) {
    const bool sixteen = image.bitsPerSample == 16;
    const std::int32_t typeMax = sixteen ? 65535 : 255;
    if (options.dynamicRangeMax < 0 || options.dynamicRangeMax > typeMax) {
        refuseOption("the dynamic range maximum must be 0 (full range) to " +
                     std::to_string(typeMax));
    }
    const std::int32_t rangeMax = options.dynamicRangeMax == 0 ? typeMax : options.dynamicRangeMax;
    checkShape(image);
    checkOptions(image, options);

    const std::size_t components = image.bandCount;
    const TG3ColorTransform transform =
        options.colourTransform.value_or(defaultColourTransform(components));
    if (!transformFits(transform, components)) {
        refuseOption("colour transform " + std::to_string(transform) + " for an image of " +
                     std::to_string(components) + " bands");
    }

    TG3ImageInfo info;
    info.imageNumber = options.imageNumber;
    info.width = image.width;
    info.height = image.height;
    info.levels = static_cast<std::uint8_t>(
        options.levels < 0 ? automaticLevels(image.width, image.height) : options.levels);
    info.components = static_cast<std::uint16_t>(components);
    info.planes = 32;
    info.subblockSize = static_cast<std::uint16_t>(options.subblockSize);
    info.dataType = sixteen ? dataTypeUInt16 : dataTypeUInt8;
    info.domainBits = sixteen ? 16 : 8;
    info.dynamicRangeMin = 0;
    info.dynamicRangeMax = rangeMax;
    info.inputColorSpace = inputColourSpace(components);
    info.waveletColorSpace = waveletColourSpace(transform, info.inputColorSpace);
    info.colorTransform = transform;
    info.kernel = kernel53HV;
    info.coderType = coderMQ;
    info.boundary = options.periodic ? boundaryPeriodic : boundaryReflective;
    info.hasMSEs = options.withMSEs ? 1 : 0;
    info.buildBandTable();
    return info;
}

}  // namespace Corvane
