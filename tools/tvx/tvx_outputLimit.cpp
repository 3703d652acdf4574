#include "tvx_outputLimit.h"

#include <string>

#include "support/cv_exception.h"

namespace tvx {

void refuseLikelyBomb(std::uint64_t width, std::uint64_t height, std::uint64_t samplesPerPixel,
                      std::uint64_t fileBytes) {
    // In floating point: the product of two 32-bit sides and the samples per pixel
    // may pass 64 bits, and a threshold needs no exact count.
    const double samples = static_cast<double>(width) * static_cast<double>(height) *
                           static_cast<double>(samplesPerPixel);
    const bool large = samples > static_cast<double>(kSamplesAlwaysDecoded);
    const bool outOfProportion =
        samples > static_cast<double>(kSamplesPerFileByte) * static_cast<double>(fileBytes);
    if (!large || !outOfProportion) return;
    throw Corvane::Exception("The output would be " + std::to_string(width) + " x " +
                             std::to_string(height) + " pixels from a file of " +
                             std::to_string(fileBytes) + " bytes, more than " +
                             std::to_string(kSamplesPerFileByte) +
                             " samples per byte: refused as a likely "
                             "decompression bomb (--allow-large decodes it)");
}

}  // namespace tvx
