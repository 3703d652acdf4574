#include "encode/tg2/colour/tg2_rgbToYiq.h"

#include <algorithm>
#include <cstddef>

#include "support/cv_exception.h"
#include "transform/cv_transformerKinds.h"

namespace Corvane {

namespace {

using Matrix = std::array<std::array<double, 3>, 3>;

// The readers' YIQ-to-RGB matrix: rows R, G and B, columns Y, I and Q.
constexpr Matrix kYiqToRgb = {{
    {1.0, YiqCoefficients::kRI, YiqCoefficients::kRQ},
    {1.0, -YiqCoefficients::kGI, -YiqCoefficients::kGQ},
    {1.0, -YiqCoefficients::kBI, YiqCoefficients::kBQ},
}};

// The inverse by cofactors; the matrix is far from singular (determinant about -3.86).
constexpr Matrix inverse(const Matrix& m) {
    const auto cofactor = [&m](int row, int column) {
        const int r0 = (row + 1) % 3, r1 = (row + 2) % 3;
        const int c0 = (column + 1) % 3, c1 = (column + 2) % 3;
        return m[r0][c0] * m[r1][c1] - m[r0][c1] * m[r1][c0];
    };
    const double determinant =
        m[0][0] * cofactor(0, 0) + m[0][1] * cofactor(0, 1) + m[0][2] * cofactor(0, 2);
    Matrix result{};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            result[row][column] = cofactor(column, row) / determinant;
    return result;
}

constexpr Matrix kRgbToYiq = inverse(kYiqToRgb);

constexpr std::uint32_t kRowsPerStrip = 64;

void checkRgb(const RasterImage& rgb) {
    if (rgb.bandCount() != 3 || rgb.bitsPerSample != 8)
        throw InvalidArgumentException("YIQ bands are made from three bands of 8-bit samples");
    const std::size_t samples = std::size_t{rgb.width} * rgb.height;
    for (const auto& plane : rgb.components)
        if (plane.size() != samples) throw InvalidArgumentException("band of the wrong size");
}

}  // namespace

void rgbToYiqRows(const RasterImage& rgb, YiqStrip& yiq) {
    checkRgb(rgb);
    const std::size_t samples = std::size_t{rgb.width} * rgb.height;
    for (auto& band : yiq) band.resize(samples);
    for (std::size_t i = 0; i < samples; ++i) {
        const double r = rgb.components[0][i], g = rgb.components[1][i], b = rgb.components[2][i];
        for (std::size_t band = 0; band < 3; ++band) {
            const auto& row = kRgbToYiq[band];
            yiq[band][i] = static_cast<float>(row[0] * r + row[1] * g + row[2] * b);
        }
    }
}

std::vector<float> yiqBand(const RasterImage& rgb, std::size_t band) {
    checkRgb(rgb);
    if (band >= 3) throw InvalidArgumentException("YIQ has three bands");
    std::vector<float> samples;
    samples.reserve(std::size_t{rgb.width} * rgb.height);
    YiqStrip strip;
    for (std::uint32_t row = 0; row < rgb.height; row += kRowsPerStrip) {
        const std::uint32_t rows = std::min(kRowsPerStrip, rgb.height - row);
        rgbToYiqRows(cropRaster(rgb, 0, row, rgb.width, rows), strip);
        samples.insert(samples.end(), strip.at(band).begin(), strip.at(band).end());
    }
    return samples;
}

std::array<double, 3> yiqBandWeights() {
    std::array<double, 3> weights{};
    for (std::size_t band = 0; band < 3; ++band)
        for (const auto& row : kYiqToRgb) weights[band] += row[band] * row[band];
    return weights;
}

}  // namespace Corvane
