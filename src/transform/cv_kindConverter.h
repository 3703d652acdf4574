#pragma once
// The converter of one transformer kind for one source sample type. A kind supplies
// its colour-scheme pair, its band counts and its per-pixel formula; this template
// supplies binding, the range map and the row loop, so the per-pixel path has no
// type dispatch.
//
// A kind is a struct with:
//   static bool fits(const PixelDescription& destination, const PixelDescription& source);
//   static std::int32_t sourceBands(const PixelDescription& destination);
//   static std::int32_t destinationBands(const PixelDescription& destination);
//   template <class Range>
//   static void pixel(const double* in, std::uint8_t* out, const Range& range, std::int32_t bands);
#include <algorithm>
#include <array>
#include <cstring>
#include <type_traits>
#include <vector>

#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "transform/cv_floatRowMap.h"
#include "transform/cv_pixelConverter.h"

namespace Corvane {

template <class Kind, class Sample>
class KindConverter final : public PixelConverter {
  public:
    const SampleRange<Sample>& range() const { return range_; }

  protected:
    void bind(const PixelDescription& destination, const PixelDescription& source) override {
        if (source.bytesPerSample() != sizeof(Sample) || destination.bytesPerSample() != 1)
            throw Exception(getMessageText(kBufferPropertiesMismatch));
        if (!Kind::fits(destination, source)) throw Exception(getMessageText(kInvalidColorspace));
        sourceBands_ = Kind::sourceBands(destination);
        destinationBands_ = Kind::destinationBands(destination);
        if (sourceBands_ > source.bandCount || destinationBands_ > destination.bandCount ||
            static_cast<std::size_t>(sourceBands_) > source.bandMap.size() ||
            static_cast<std::size_t>(destinationBands_) > destination.bandMap.size())
            throw Exception(getMessageText(kBufferPropertiesMismatch));

        if constexpr (SampleRange<Sample>::kInteger) {
            range_.setUp(source.bitsPerSample, destination.bitsPerSample);
        } else {
            const float low = source.hasValueRange ? source.minValue : 0.0f;
            const float high = source.hasValueRange ? source.maxValue : 255.0f;
            range_.setUpFloat(low, high, destination.bitsPerSample);
        }
        sourcePositions_.assign(source.bandMap.begin(), source.bandMap.begin() + sourceBands_);
        destinationPositions_.assign(destination.bandMap.begin(),
                                     destination.bandMap.begin() + destinationBands_);
        // Rows whose bands lie in the same order on both sides, the source's with
        // nothing between pixels, map as one run; a destination with extra sample
        // slots (RGB into four samples a pixel) takes the run through a scratch row.
        flatRows_ = source.samplesPerPixel == static_cast<std::uint32_t>(sourceBands_) &&
                    sourceBands_ == destinationBands_;
        for (std::size_t b = 0; b < sourcePositions_.size() && flatRows_; ++b)
            flatRows_ = sourcePositions_[b] == b && destinationPositions_[b] == b;
        destinationPixel_ = destination.samplesPerPixel;
        in_.assign(static_cast<std::size_t>(sourceBands_), 0.0);
        out_.assign(static_cast<std::size_t>(destinationBands_), 0);
    }

    void applyWindows(const WindowSettings& windows) override {
        range_.applySourceWindow(windows.sourceWidth, windows.sourceCentre);
        range_.applyDestinationWindow(windows.destinationWidth, windows.destinationCentre);
    }

    void convertPixels(const PixelRaster& destination, const PixelRaster& source) override {
        if constexpr (std::is_same_v<Sample, float> && requires { Kind::kSampleWise; }) {
            if (flatRows_) {
                const std::size_t bands = sourcePositions_.size();
                const auto pixels = static_cast<std::size_t>(source.width);
                const bool spread = destinationPixel_ != bands;
                if (spread) scratch_.resize(pixels * bands);
                for (std::int32_t y = 0; y < source.height; ++y) {
                    std::uint8_t* out = rowAt<std::uint8_t>(destination, y);
                    mapFloatRun(range_, rowAt<const std::uint8_t>(source, y),
                                spread ? scratch_.data() : out, pixels * bands);
                    if (!spread) continue;
                    for (std::size_t x = 0; x < pixels; ++x)
                        std::memcpy(out + x * destinationPixel_, &scratch_[x * bands], bands);
                }
                return;
            }
        }
        if constexpr (requires { Kind::kSampleWise; }) {
            // Every output band is the range map of the same input band alone, so the
            // samples go straight through the map without staging the pixel: the values
            // Kind::pixel gives, on the hot end of every decode.
            const std::size_t bands = sourcePositions_.size();
            const std::uint32_t* from = sourcePositions_.data();
            const std::uint32_t* to = destinationPositions_.data();
            forEachPixel(destination, source, [&](const std::uint8_t* in, std::uint8_t* out) {
                for (std::size_t b = 0; b < bands; ++b)
                    out[to[b]] = range_.map(sampleAt(in, from[b]));
            });
        } else if constexpr (requires { Kind::kSourceBands; }) {
            // Band counts fixed by the kind: the pixel stays in registers.
            std::array<std::uint32_t, Kind::kSourceBands> from{};
            std::array<std::uint32_t, Kind::kDestinationBands> to{};
            std::copy(sourcePositions_.begin(), sourcePositions_.end(), from.begin());
            std::copy(destinationPositions_.begin(), destinationPositions_.end(), to.begin());
            forEachPixel(destination, source, [&](const std::uint8_t* in, std::uint8_t* out) {
                std::array<double, Kind::kSourceBands> samples;
                std::array<std::uint8_t, Kind::kDestinationBands> mapped;
                for (std::size_t b = 0; b < samples.size(); ++b) samples[b] = sampleAt(in, from[b]);
                Kind::pixel(samples.data(), mapped.data(), range_, destinationBands_);
                for (std::size_t b = 0; b < mapped.size(); ++b) out[to[b]] = mapped[b];
            });
        } else {
            forEachPixel(destination, source, [&](const std::uint8_t* in, std::uint8_t* out) {
                for (std::size_t b = 0; b < in_.size(); ++b)
                    in_[b] = sampleAt(in, sourcePositions_[b]);
                Kind::pixel(in_.data(), out_.data(), range_, destinationBands_);
                for (std::size_t b = 0; b < out_.size(); ++b)
                    out[destinationPositions_[b]] = out_[b];
            });
        }
    }

  private:
    // Source sample `position` of the pixel at `pixel`.
    static double sampleAt(const std::uint8_t* pixel, std::uint32_t position) {
        Sample value;
        std::memcpy(&value, pixel + position * sizeof(Sample), sizeof(Sample));
        return static_cast<double>(value);
    }

    // The first byte of row y.
    template <class Byte>
    static Byte* rowAt(const PixelRaster& raster, std::int32_t y) {
        return static_cast<Byte*>(raster.data) + static_cast<std::size_t>(y) * raster.rowStride;
    }

    // Calls perPixel(source pixel, destination pixel) for every pixel, row by row.
    template <class PerPixel>
    static void forEachPixel(const PixelRaster& destination, const PixelRaster& source,
                             PerPixel perPixel) {
        const std::size_t sourcePixel = source.description.samplesPerPixel * sizeof(Sample);
        const std::size_t destinationPixel = destination.description.samplesPerPixel;
        for (std::int32_t y = 0; y < source.height; ++y) {
            const auto* in = static_cast<const std::uint8_t*>(source.data) +
                             static_cast<std::size_t>(y) * source.rowStride;
            auto* out = static_cast<std::uint8_t*>(destination.data) +
                        static_cast<std::size_t>(y) * destination.rowStride;
            for (std::int32_t x = 0; x < source.width; ++x) {
                perPixel(in, out);
                in += sourcePixel;
                out += destinationPixel;
            }
        }
    }

    SampleRange<Sample> range_;
    std::int32_t sourceBands_ = 0;
    std::int32_t destinationBands_ = 0;
    std::vector<std::uint32_t> sourcePositions_;
    std::vector<std::uint32_t> destinationPositions_;
    bool flatRows_ = false;
    std::size_t destinationPixel_ = 0;
    std::vector<std::uint8_t> scratch_;
    std::vector<double> in_;
    std::vector<std::uint8_t> out_;
};

}  // namespace Corvane
