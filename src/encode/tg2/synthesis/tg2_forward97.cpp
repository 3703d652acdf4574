#include "encode/tg2/synthesis/tg2_forward97.h"

#include <utility>

#include "tg2/synthesis/tg2_lifting97.h"

namespace Corvane {

namespace {

// One lifting step over the positions of one parity, with the neighbours beyond
// either end mirrored about the end sample, and added left first as the
// synthesis does.
void liftStep(float* line, std::size_t count, std::ptrdiff_t stride, std::size_t parity,
              float factor) {
    const auto at = [&](std::size_t i) -> float& {
        return line[static_cast<std::ptrdiff_t>(i) * stride];
    };
    const std::size_t last = count - 1;
    for (std::size_t i = parity; i < count; i += 2) {
        const float left = i == 0 ? at(1) : at(i - 1);
        const float right = i == last ? at(i - 1) : at(i + 1);
        at(i) = at(i) + factor * (left + right);
    }
}

// Copies a line of `count` values spaced `stride` apart into the low and high
// halves of a deinterleaved line.
void splitLine(const float* line, std::size_t count, std::ptrdiff_t stride, float* low, float* high,
               std::ptrdiff_t outStride) {
    for (std::size_t i = 0; i < count; ++i) {
        const float value = line[static_cast<std::ptrdiff_t>(i) * stride];
        float* target = i % 2 == 0 ? low : high;
        target[static_cast<std::ptrdiff_t>(i / 2) * outStride] = value;
    }
}

CoefficientPlane makePlane(std::uint32_t width, std::uint32_t height) {
    CoefficientPlane plane;
    plane.width = width;
    plane.height = height;
    plane.samples.assign(std::size_t{width} * height, 0.0f);
    return plane;
}

}  // namespace

void forwardLift97(float* line, std::size_t count, std::ptrdiff_t stride) {
    if (count < 2) return;
    // The synthesis steps undone from its last to its first.
    liftStep(line, count, stride, 1, -kLift97SecondPredict);
    liftStep(line, count, stride, 0, -kLift97SecondUpdate);
    liftStep(line, count, stride, 1, kLift97FirstPredict);
    liftStep(line, count, stride, 0, kLift97FirstUpdate);
}

void analyseLevel97(const CoefficientPlane& plane, CoefficientPlane bands[2][2]) {
    const std::uint32_t lowWidth = (plane.width + 1) / 2;
    const std::uint32_t highWidth = plane.width / 2;
    const std::uint32_t lowHeight = (plane.height + 1) / 2;
    const std::uint32_t highHeight = plane.height / 2;

    // Rows first: each row of the plane becomes a row of the low and the high
    // column halves.
    CoefficientPlane work = plane;
    CoefficientPlane halves[2] = {makePlane(lowWidth, plane.height),
                                  makePlane(highWidth, plane.height)};
    for (std::uint32_t r = 0; r < plane.height; ++r) {
        float* row = &work.samples[std::size_t{r} * plane.width];
        forwardLift97(row, plane.width);
        splitLine(row, plane.width, 1, halves[0].samples.data() + std::size_t{r} * lowWidth,
                  halves[1].samples.data() + std::size_t{r} * highWidth, 1);
    }
    // Then the columns of each half.
    for (int c = 0; c < 2; ++c) {
        CoefficientPlane& half = halves[c];
        bands[c][0] = makePlane(half.width, lowHeight);
        bands[c][1] = makePlane(half.width, highHeight);
        const auto stride = static_cast<std::ptrdiff_t>(half.width);
        for (std::uint32_t x = 0; x < half.width; ++x) {
            float* column = half.samples.data() + x;
            forwardLift97(column, half.height, stride);
            splitLine(column, half.height, stride, bands[c][0].samples.data() + x,
                      bands[c][1].samples.data() + x, stride);
        }
    }
}

std::vector<CoefficientPlane> analyse97(const CoefficientPlane& image, std::uint32_t levels) {
    std::vector<CoefficientPlane> planes(3 * std::size_t{levels} + 1);
    CoefficientPlane lowLow = image;
    // The finest level is analysed first and lands at the end of the list.
    for (std::uint32_t level = 0; level < levels; ++level) {
        CoefficientPlane bands[2][2];
        analyseLevel97(lowLow, bands);
        const std::size_t first = 3 * std::size_t{levels - 1 - level} + 1;
        planes[first] = std::move(bands[1][0]);
        planes[first + 1] = std::move(bands[0][1]);
        planes[first + 2] = std::move(bands[1][1]);
        lowLow = std::move(bands[0][0]);
    }
    planes[0] = std::move(lowLow);
    return planes;
}

}  // namespace Corvane
