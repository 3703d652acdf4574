#include "tg2/entropy/tg2_dither.h"

#include <cstddef>

#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "tg2/entropy/tg2_dequantise.h"
#include "tg2/entropy/tg2_ditherTable.h"

namespace Corvane {

namespace {

constexpr std::uint32_t kMask = kTG2DitherSize - 1;

void applyDither(float* coefficients, std::uint32_t width, std::uint32_t height, float step,
                 const TG2DitherPlacement& placement, float sign) {
    if (placement.bandCount != 1) throw Exception(kDitherError);
    if (step == 0.0f) return;
    for (std::uint32_t y = 0; y < height; ++y) {
        const float* tableRow =
            kTG2DitherTable[(placement.ditherRow + placement.firstRow + y) & kMask];
        float* row = coefficients + static_cast<std::size_t>(y) * width;
        std::uint32_t column = (placement.ditherColumn + placement.firstColumn) & kMask;
        for (std::uint32_t x = 0; x < width; ++x) {
            row[x] -= sign * step * tableRow[column];
            column = (column + 1) & kMask;
        }
    }
}

}  // namespace

void removeDither(float* coefficients, std::uint32_t width, std::uint32_t height, float step,
                  const TG2DitherPlacement& placement) {
    applyDither(coefficients, width, height, step, placement, 1.0f);
}

void dequantiseBlock(const std::int32_t* indices, float* coefficients, std::uint32_t width,
                     std::uint32_t height, float step, const TG2DitherPlacement* dither) {
    dequantiseIndices(indices, coefficients, static_cast<std::size_t>(width) * height, step);
    if (dither) removeDither(coefficients, width, height, step, *dither);
}

void addDither(float* coefficients, std::uint32_t width, std::uint32_t height, float step,
               const TG2DitherPlacement& placement) {
    applyDither(coefficients, width, height, step, placement, -1.0f);
}

}  // namespace Corvane
