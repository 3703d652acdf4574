#pragma once
// The per-pixel formulas of the eleven transformer kinds. Each kind names its
// colour-scheme pair and band counts; KindConverter runs it for every pixel. Inputs
// arrive as doubles; `range` is the converter's SampleRange.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "transform/cv_cmykToLab.h"
#include "transform/cv_pixelDescription.h"

namespace Corvane {

template <std::int32_t Source, std::int32_t Destination, std::int32_t SourceBands,
          std::int32_t DestinationBands>
struct FixedSchemePair {
    static constexpr std::int32_t kSource = Source;
    static constexpr std::int32_t kDestination = Destination;
    static constexpr std::size_t kSourceBands = SourceBands;
    static constexpr std::size_t kDestinationBands = DestinationBands;
    static bool fits(const PixelDescription& destination, const PixelDescription& source) {
        return source.scheme == Source && destination.scheme == Destination;
    }
    static std::int32_t sourceBands(const PixelDescription&) { return SourceBands; }
    static std::int32_t destinationBands(const PixelDescription&) { return DestinationBands; }
};

struct CmykToRgb : FixedSchemePair<SchemeCMYK, SchemeRGB, 4, 3> {
    // The inks are first brought to 8 bits through the range map, as the table's
    // input curves take 8-bit levels.
    template <class Range>
    static void pixel(const double* in, std::uint8_t* out, const Range& range, std::int32_t) {
        const auto lab =
            cmykToLab(range.map(in[0]), range.map(in[1]), range.map(in[2]), range.map(in[3]));
        const auto rgb = labToRgb(lab, range.dstMin, range.dstMax);
        std::copy(rgb.begin(), rgb.end(), out);
    }
};

struct CmykToRgbk : FixedSchemePair<SchemeCMYK, SchemeRGBK, 4, 4> {
    template <class Range>
    static void pixel(const double* in, std::uint8_t* out, const Range& range, std::int32_t) {
        const double max = range.dstMax;
        out[0] = range.map(max - (in[0] + in[3]) * 0.5);
        out[1] = range.map(max - (in[1] + in[3]) * 0.5);
        out[2] = range.map(max - (in[2] + in[3]) * 0.5);
        out[3] = range.map(std::min({in[0], in[1], in[2]}));
    }
};

struct RgbToCmyk : FixedSchemePair<SchemeRGB, SchemeCMYK, 3, 4> {
    // Under-colour removal on the raw sample values; only clamped, never scaled.
    template <class Range>
    static void pixel(const double* in, std::uint8_t* out, const Range& range, std::int32_t) {
        const double max = range.dstMax;
        const double c = max - in[0];
        const double m = max - in[1];
        const double y = max - in[2];
        const double k = std::min({c, m, y});
        out[0] = range.clampOnly(c - k);
        out[1] = range.clampOnly(m - k);
        out[2] = range.clampOnly(y - k);
        out[3] = range.clampOnly(k);
    }
};

struct RgbToGrayscale : FixedSchemePair<SchemeRGB, SchemeGrayscale, 3, 1> {
    template <class Range>
    static void pixel(const double* in, std::uint8_t* out, const Range& range, std::int32_t) {
        out[0] = range.map(0.1 * in[2] + 0.6 * in[1] + 0.3 * in[0]);
    }
};

// The YIQ to RGB coefficients, as 32-bit floats.
struct YiqCoefficients {
    static constexpr double kRI = 0.9452160596847534;
    static constexpr double kRQ = 0.6327160596847534;
    static constexpr double kGI = 0.28935185074806213;
    static constexpr double kGQ = 0.6018518805503845;
    static constexpr double kBI = 1.0995370149612427;
    static constexpr double kBQ = 1.7129629850387573;
};

struct YiqToRgb : FixedSchemePair<SchemeYIQ, SchemeRGB, 3, 3>, YiqCoefficients {
    template <class Range>
    static void pixel(const double* in, std::uint8_t* out, const Range& range, std::int32_t) {
        out[0] = range.map(in[0] + kRI * in[1] + kRQ * in[2]);
        out[1] = range.map(in[0] - kGI * in[1] - kGQ * in[2]);
        out[2] = range.map(in[0] - kBI * in[1] + kBQ * in[2]);
    }
};

struct RgbToYiq : FixedSchemePair<SchemeRGB, SchemeYIQ, 3, 3> {
    template <class Range>
    static void pixel(const double* in, std::uint8_t* out, const Range& range, std::int32_t) {
        const double r = in[0], g = in[1], b = in[2];
        out[0] = range.map(double(0.3f) * r + double(0.6f) * g + double(0.1f) * b);
        out[1] = range.map(double(0.6f) * r - double(0.28f) * g - double(0.32f) * b);
        out[2] = range.map(double(0.21f) * r - double(0.53f) * g + double(0.32f) * b);
    }
};

struct CmykToYiqk : FixedSchemePair<SchemeCMYK, SchemeYIQK, 4, 4> {
    template <class Range>
    static void pixel(const double* in, std::uint8_t* out, const Range& range, std::int32_t) {
        const double c = in[0], m = in[1], y = in[2], k = in[3];
        out[0] = range.map(255.0 - 0.5 * k - 0.15 * c - 0.3 * m - 0.05 * y);
        out[1] = range.map(0.14 * m + 0.16 * y - 0.3 * c);
        out[2] = range.map(0.265 * m - 0.105 * c - 0.16 * y);
        out[3] = range.map(std::min({c, m, y}));
    }
};

struct YiqkToCmyk : FixedSchemePair<SchemeYIQK, SchemeCMYK, 4, 4>, YiqCoefficients {
    // Inverts CMYK to YIQK: the YIQ part gives the three inks, K splits off again.
    template <class Range>
    static void pixel(const double* in, std::uint8_t* out, const Range& range, std::int32_t) {
        const double y = in[0], i = in[1], q = in[2];
        // Float samples may hold NaN; it counts as no ink, so that k stays a number.
        auto ink = [](double value) {
            return std::isnan(value) ? 0.0 : std::clamp(255.0 - value, 0.0, 255.0);
        };
        const double c = ink(y + kRI * i + kRQ * q);
        const double m = ink(y - kGI * i - kGQ * q);
        const double yellow = ink(y - kBI * i + kBQ * q);
        const double black = std::isnan(in[3]) ? 0.0 : in[3];
        const double n = std::min({c, m, yellow});
        const double shared = std::trunc(std::min(std::max(black, 0.0), 2.0 * n));
        const auto k =
            static_cast<std::uint8_t>(static_cast<std::int64_t>(2.0 * n - shared) & 0xFF);
        out[0] = range.map(2.0 * c - k);
        out[1] = range.map(2.0 * m - k);
        out[2] = range.map(2.0 * yellow - k);
        out[3] = range.map(k);
    }
};

struct YiqkToRgb : FixedSchemePair<SchemeYIQK, SchemeRGB, 4, 3> {
    // Through an intermediate 8-bit CMYK pixel; its inks enter the table as they are.
    template <class Range>
    static void pixel(const double* in, std::uint8_t* out, const Range& range, std::int32_t) {
        std::uint8_t cmyk[4];
        YiqkToCmyk::pixel(in, cmyk, range, 4);
        const auto rgb =
            labToRgb(cmykToLab(cmyk[0], cmyk[1], cmyk[2], cmyk[3]), range.dstMin, range.dstMax);
        std::copy(rgb.begin(), rgb.end(), out);
    }
};

struct GrayscaleToRgb : FixedSchemePair<SchemeGrayscale, SchemeRGB, 1, 3> {
    template <class Range>
    static void pixel(const double* in, std::uint8_t* out, const Range& range, std::int32_t) {
        out[0] = out[1] = out[2] = range.map(in[0]);
    }
};

// Pairs without a colour change, and YIQ or YIQK to Grayscale (the luminance band):
// each destination band takes the source band at the same place in the band map.
struct DefaultKind {
    // Output band b is the map of input band b alone (see KindConverter).
    static constexpr bool kSampleWise = true;
    static constexpr std::int32_t kSource = -1;
    static constexpr std::int32_t kDestination = -1;
    static bool fits(const PixelDescription& destination, const PixelDescription& source) {
        return destination.scheme == source.scheme ||
               (destination.scheme == SchemeGrayscale &&
                (source.scheme == SchemeYIQ || source.scheme == SchemeYIQK));
    }
    static std::int32_t sourceBands(const PixelDescription& destination) {
        return destination.bandCount;
    }
    static std::int32_t destinationBands(const PixelDescription& destination) {
        return destination.bandCount;
    }
    template <class Range>
    static void pixel(const double* in, std::uint8_t* out, const Range& range, std::int32_t bands) {
        for (std::int32_t b = 0; b < bands; ++b) out[b] = range.map(in[b]);
    }
};

}  // namespace Corvane
