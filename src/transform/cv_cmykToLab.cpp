#include "transform/cv_cmykToLab.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Corvane {

namespace {

// Reference white of the L*a*b* conversion.
constexpr double kWhiteX = 0.9505;
constexpr double kWhiteZ = 1.0891;

// How the table is made. There is no measured press characterisation behind it; it
// comes from a plain subtractive model that is smooth and monotonic in every ink:
//  - an ink amount t in 0..1 sits at grid index i as t = min(i / 5, 1) (index 6 is only
//    ever the upper neighbour of an input of exactly 255, whose weight is 0);
//  - each ink filters one primary and black filters all three, in display terms:
//    r = (1 - c)(1 - k), g = (1 - m)(1 - k), b = (1 - y)(1 - k);
//  - display values become linear with the exponent 2.2 (the inverse of the 1/2.2 that
//    the RGB step applies), and linear RGB becomes XYZ through the inverse of the RGB
//    step's matrix, so that the white node comes back as white;
//  - XYZ becomes L*a*b* with the plain cube root, as the RGB step uses plain cubes;
//  - L is stored as L* / 100 * 65280 and a, b as 32768 + 256 * a*, so that the white node
//    is (65280, 32768, 32768) and the output curves are simply 256 * level.
// Input curves are linear: level v becomes 257 * v (0 -> 0, 255 -> 65535).
LabNode modelNode(int ci, int mi, int yi, int ki) {
    auto amount = [](int index) { return std::min(index / 5.0, 1.0); };
    const double k = amount(ki);
    const double display[3] = {(1.0 - amount(ci)) * (1.0 - k), (1.0 - amount(mi)) * (1.0 - k),
                               (1.0 - amount(yi)) * (1.0 - k)};
    double linear[3];
    for (int i = 0; i < 3; ++i) linear[i] = std::pow(display[i], 2.2);
    // The matrix that labToRgb applies; its inverse takes linear RGB to XYZ.
    const double m[3][3] = {
        {3.5058, -1.7397, -0.544}, {-1.069, 1.9778, 0.0352}, {0.0563, -0.197, 1.0501}};
    // Solve m * xyz = linear by Cramer's rule; the matrix is fixed and well conditioned.
    auto det3 = [](const double a[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
               a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    const double d = det3(m);
    double xyz[3];
    for (int col = 0; col < 3; ++col) {
        double t[3][3];
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) t[r][c] = c == col ? linear[r] : m[r][c];
        xyz[col] = det3(t) / d;
    }
    const double fx = std::cbrt(std::max(xyz[0] / kWhiteX, 0.0));
    const double fy = std::cbrt(std::max(xyz[1], 0.0));
    const double fz = std::cbrt(std::max(xyz[2] / kWhiteZ, 0.0));
    const double lStar = std::max(116.0 * fy - 16.0, 0.0);
    const double aStar = 500.0 * (fx - fy);
    const double bStar = 200.0 * (fy - fz);
    auto to16 = [](double v) {
        return static_cast<std::uint16_t>(std::clamp(std::lround(v), 0L, 65535L));
    };
    return {to16(lStar / 100.0 * 65280.0), to16(32768.0 + 256.0 * aStar),
            to16(32768.0 + 256.0 * bStar)};
}

CmykLabTable buildTable() {
    CmykLabTable table{};
    for (int v = 0; v < 256; ++v) {
        const auto level = static_cast<std::uint16_t>(257 * v);
        table.inputCurves[static_cast<std::size_t>(v)] = {level, level, level, level};
        for (auto& curve : table.outputCurves)
            curve[static_cast<std::size_t>(v)] = static_cast<std::uint16_t>(256 * v);
    }
    for (int c = 0; c < kLabGridSize; ++c)
        for (int m = 0; m < kLabGridSize; ++m)
            for (int y = 0; y < kLabGridSize; ++y)
                for (int k = 0; k < kLabGridSize; ++k)
                    table.nodes[static_cast<std::size_t>(
                        ((c * kLabGridSize + m) * kLabGridSize + y) * kLabGridSize + k)] =
                        modelNode(c, m, y, k);
    // Paper white is fixed exactly, whatever rounding the model leaves.
    table.nodes[0] = {65280, 32768, 32768};
    return table;
}

// The output level whose curve value is nearest to value; the lower one on a tie.
std::uint8_t nearestLevel(const std::array<std::uint16_t, 256>& curve, std::int64_t value) {
    const auto upper =
        std::lower_bound(curve.begin(), curve.end(), value,
                         [](std::uint16_t entry, std::int64_t v) { return entry < v; });
    if (upper == curve.begin()) return 0;
    if (upper == curve.end()) return 255;
    const auto lower = upper - 1;
    const std::int64_t below = value - *lower;
    const std::int64_t above = *upper - value;
    return static_cast<std::uint8_t>((above < below ? upper : lower) - curve.begin());
}

}  // namespace

const CmykLabTable& cmykLabTable() {
    static const CmykLabTable table = buildTable();
    return table;
}

std::array<std::uint8_t, 3> cmykToLab(std::uint8_t c, std::uint8_t m, std::uint8_t y,
                                      std::uint8_t k) {
    const CmykLabTable& table = cmykLabTable();
    const std::uint8_t inputs[4] = {c, m, y, k};
    int index[4];
    std::int64_t rest[4];
    for (int i = 0; i < 4; ++i) {
        const std::uint16_t coordinate = table.inputCurves[inputs[i]][static_cast<std::size_t>(i)];
        index[i] = coordinate / kLabGridStep;
        rest[i] = coordinate % kLabGridStep;
    }
    const LabNode& base = table.node(index[0], index[1], index[2], index[3]);
    const LabNode& nextK = table.node(index[0], index[1], index[2], index[3] + 1);
    const LabNode& nextY = table.node(index[0], index[1], index[2] + 1, index[3]);
    const LabNode& nextM = table.node(index[0], index[1] + 1, index[2], index[3]);
    const LabNode& nextC = table.node(index[0] + 1, index[1], index[2], index[3]);
    auto blend = [&](std::uint16_t LabNode::*channel) {
        const std::int64_t at = base.*channel;
        const std::int64_t sum = (std::int64_t(nextK.*channel) - at) * rest[3] +
                                 (std::int64_t(nextY.*channel) - at) * rest[2] +
                                 (std::int64_t(nextM.*channel) - at) * rest[1] +
                                 (std::int64_t(nextC.*channel) - at) * rest[0];
        return std::clamp<std::int64_t>(at + sum / kLabGridStep, 0, 65535);
    };
    return {nearestLevel(table.outputCurves[0], blend(&LabNode::l)),
            nearestLevel(table.outputCurves[1], blend(&LabNode::a)),
            nearestLevel(table.outputCurves[2], blend(&LabNode::b))};
}

std::array<std::uint8_t, 3> labToRgb(const std::array<std::uint8_t, 3>& lab, std::uint8_t low,
                                     std::uint8_t high) {
    const double lStar = lab[0] * 100.0 / 255.0;
    const double fy = (lStar + 16.0) / 116.0;
    const double fx = fy + 0.002 * (lab[1] - 128.0);
    const double fz = fy - 0.005 * (lab[2] - 128.0);
    const double x = kWhiteX * fx * fx * fx;
    const double y = fy * fy * fy;
    const double z = kWhiteZ * fz * fz * fz;
    const double linear[3] = {3.5058 * x - 1.7397 * y - 0.544 * z,
                              -1.069 * x + 1.9778 * y + 0.0352 * z,
                              0.0563 * x - 0.197 * y + 1.0501 * z};
    std::array<std::uint8_t, 3> rgb{};
    for (int i = 0; i < 3; ++i) {
        const double v = std::clamp(linear[i], 0.0, 1.0);
        const auto level = static_cast<int>(255.0 * std::pow(v, 0.45454545454545453));
        rgb[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(std::clamp<int>(level, low, high));
    }
    return rgb;
}

}  // namespace Corvane
