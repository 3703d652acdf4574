#include "tg2/entropy/tg2_dither.h"

#include <algorithm>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "tg2/entropy/tg2_dequantise.h"
#include "tg2/entropy/tg2_ditherTable.h"

namespace Corvane {

namespace {

constexpr std::uint32_t kMask = kTG2DitherSize - 1;

// row[x] -= scaled * table[x] for x < count. The vector path does the same
// single-precision operations on four samples at once, so both give the same bits.
void subtractScaled(float* row, const float* table, std::uint32_t count, float scaled) {
    std::uint32_t x = 0;
#if defined(__SSE2__)
    const __m128 s = _mm_set1_ps(scaled);
    for (; x + 4 <= count; x += 4)
        _mm_storeu_ps(row + x,
                      _mm_sub_ps(_mm_loadu_ps(row + x), _mm_mul_ps(s, _mm_loadu_ps(table + x))));
#endif
    for (; x < count; ++x) row[x] -= scaled * table[x];
}

void applyDither(float* coefficients, std::uint32_t width, std::uint32_t height, float step,
                 const TG2DitherPlacement& placement, float sign) {
    if (placement.bandCount != 1) throw Exception(kDitherError);
    if (step == 0.0f) return;
    const float scaled = sign * step;
    for (std::uint32_t y = 0; y < height; ++y) {
        const float* tableRow =
            kTG2DitherTable[(placement.ditherRow + placement.firstRow + y) & kMask];
        float* row = coefficients + static_cast<std::size_t>(y) * width;
        std::uint32_t column = (placement.ditherColumn + placement.firstColumn) & kMask;
        // The table repeats across the row: one run up to each wrap of its columns.
        for (std::uint32_t x = 0; x < width;) {
            const std::uint32_t run = std::min<std::uint32_t>(width - x, kTG2DitherSize - column);
            subtractScaled(row + x, tableRow + column, run, scaled);
            x += run;
            column = 0;
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
