#pragma once
// The map from a source sample range onto the 8-bit destination range that every
// converter applies, with the display windows that narrow either side. Sample is the
// source sample type of the converter variant: 8-bit, 16-bit or float.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

namespace Corvane {

// The value a window setting holds until it is set.
constexpr float kUnsetWindowWidth = std::numeric_limits<float>::max();
constexpr float kUnsetWindowCentre = 0.0f;

// A window narrows a range only when its width is a real, positive width; an image
// without a dynamic range hands over 0, which must leave the range alone.
inline bool isWindowWidthSet(float width) {
    return std::isfinite(width) && width > 0.0f && width != kUnsetWindowWidth;
}

template <class Sample>
class SampleRange {
  public:
    static constexpr bool kInteger = std::is_integral_v<Sample>;

    std::uint8_t dstMax = 255;
    std::uint8_t dstMin = 0;
    Sample srcMax = Sample(255);
    Sample srcMin = Sample(0);
    float scale = 1.0f;

    // Integer sources span 0 .. 2^bits - 1; the destination 0 .. 2^bits - 1 of its own.
    void setUp(std::uint32_t sourceBits, std::uint32_t destinationBits) {
        if constexpr (kInteger) {
            const std::uint32_t bits = clampBits(sourceBits, 8 * sizeof(Sample));
            srcMax = static_cast<Sample>((std::uint64_t{1} << bits) - 1);
        } else {
            srcMax = Sample(255);
        }
        srcMin = Sample(0);
        setDestinationBits(destinationBits);
        rescale();
    }

    // Float sources span the value range their description gives.
    void setUpFloat(float minimum, float maximum, std::uint32_t destinationBits) {
        if (!(minimum <= maximum))
            throw InvalidArgumentException(getMessageText(kRangeMinAboveMax));
        srcMin = static_cast<Sample>(minimum);
        srcMax = static_cast<Sample>(maximum);
        setDestinationBits(destinationBits);
        rescale();
    }

    // Recentres the source range on its own centre with a new width, then on a new
    // centre with the resulting width.
    void applySourceWindow(float width, float centre) {
        if (!isWindowWidthSet(width)) return;
        const double limit = kInteger ? double(std::numeric_limits<Sample>::max())
                                      : double(std::numeric_limits<float>::max());
        window(srcMin, srcMax, centreOf(srcMin, srcMax), width, limit);
        rescale();
        if (centre != kUnsetWindowCentre && std::isfinite(centre)) {
            window(srcMin, srcMax, centre, float(double(srcMax) - double(srcMin) + 1.0), limit);
            rescale();
        }
    }

    void applyDestinationWindow(float width, float centre) {
        if (!isWindowWidthSet(width)) return;
        window(dstMin, dstMax, centreOf(dstMin, dstMax), width, 255.0);
        rescale();
        if (centre != kUnsetWindowCentre && std::isfinite(centre)) {
            window(dstMin, dstMax, centre, float(int(dstMax) - int(dstMin) + 1), 255.0);
            rescale();
        }
    }

    // One source value onto one destination sample. Integer variants take the value
    // truncated to an integer and then its low 8 or 16 bits.
    std::uint8_t map(double value) const {
        if constexpr (kInteger) {
            constexpr std::uint64_t mask = std::numeric_limits<Sample>::max();
            const std::int64_t whole = std::isfinite(value) ? truncated(value) : 0;
            Sample v = static_cast<Sample>(static_cast<std::uint64_t>(whole) & mask);
            if (v < srcMin) v = srcMin;
            if (v > srcMax) v = srcMax;
            const float scaled = float(v - srcMin) * scale + float(dstMin);
            const std::int64_t w = static_cast<std::int64_t>(scaled) % std::int64_t(mask + 1);
            return clampToDestination(w);
        } else {
            float v = std::isnan(value) ? float(srcMin) : static_cast<float>(value);
            if (v < srcMin) v = srcMin;
            if (v > srcMax) v = srcMax;
            const float scaled = (v - srcMin) * scale + float(dstMin);
            if (!(scaled >= float(dstMin))) return dstMin;  // also NaN from an endless range
            if (scaled > float(dstMax)) return dstMax;
            return static_cast<std::uint8_t>(scaled);
        }
    }

    // A value clamped into the destination range without scaling.
    std::uint8_t clampOnly(double value) const {
        if (!(value > double(dstMin))) return dstMin;
        if (value > double(dstMax)) return dstMax;
        return static_cast<std::uint8_t>(value);
    }

  private:
    static std::uint32_t clampBits(std::uint32_t bits, std::size_t most) {
        if (bits < 1) return 1;
        return bits > most ? static_cast<std::uint32_t>(most) : bits;
    }

    static std::int64_t truncated(double value) {
        constexpr double kLimit = 9.0e18;
        if (value > kLimit) return static_cast<std::int64_t>(kLimit);
        if (value < -kLimit) return -static_cast<std::int64_t>(kLimit);
        return static_cast<std::int64_t>(value);
    }

    std::uint8_t clampToDestination(std::int64_t w) const {
        if (w > dstMax) return dstMax;
        if (w < dstMin) return dstMin;
        return static_cast<std::uint8_t>(w);
    }

    void setDestinationBits(std::uint32_t bits) {
        dstMax = static_cast<std::uint8_t>((1u << clampBits(bits, 8)) - 1);
        dstMin = 0;
    }

    // The exact centre, half-way values included: 0 .. 255 is centred at 127.5, so a
    // window as wide as the whole range keeps the whole range and maps every sample
    // onto itself (the window that a decoder hands over for a full 8-bit image).
    template <class T>
    static double centreOf(T low, T high) {
        return (double(high) + double(low)) / 2.0;
    }

    template <class T>
    static void window(T& low, T& high, double centre, float width, double limit) {
        const double half = width - 1.0f < 0.0f ? 0.0 : double(width - 1.0f) / 2.0;
        const double lowEdge = centre - half;
        double highEdge = std::trunc(centre + half);
        if (highEdge > limit) highEdge = limit;
        if (highEdge < 0.0) highEdge = 0.0;
        low = lowEdge < 0.0 ? T(0) : static_cast<T>(std::min(std::trunc(lowEdge), limit));
        high = static_cast<T>(highEdge);
    }

    void rescale() {
        const double span = double(srcMax) - double(srcMin) + 1.0;
        scale = static_cast<float>((double(dstMax) - double(dstMin) + 1.0) / span);
    }
};

}  // namespace Corvane
