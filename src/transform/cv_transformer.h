#pragma once
// A transformer makes converters for one pair of colour schemes. KindTransformer
// chooses, once per converter, the variant for the source sample type.
#include <cstdint>
#include <memory>

#include "transform/cv_kindConverter.h"
#include "transform/cv_pixelConverter.h"
#include "transform/cv_pixelDescription.h"

namespace Corvane {

class Transformer {
  public:
    Transformer() = default;
    Transformer(const Transformer&) = delete;
    Transformer& operator=(const Transformer&) = delete;
    virtual ~Transformer() = default;

    // A converter for the pair, or null when the sample types are not served.
    virtual std::unique_ptr<PixelConverter> create(const PixelDescription& destination,
                                                   const PixelDescription& source) {
        return makeConverter(destination, source);
    }
    virtual std::int32_t destinationScheme() const = 0;
    virtual std::int32_t sourceScheme() const = 0;
    virtual std::unique_ptr<PixelConverter> makeConverter(const PixelDescription& destination,
                                                          const PixelDescription& source) = 0;
};

template <class Kind>
class KindTransformer : public Transformer {
  public:
    std::int32_t destinationScheme() const override { return Kind::kDestination; }
    std::int32_t sourceScheme() const override { return Kind::kSource; }

    // Converters write 8-bit samples only and read 8-bit, 16-bit or float samples.
    std::unique_ptr<PixelConverter> makeConverter(const PixelDescription& destination,
                                                  const PixelDescription& source) override {
        if (destination.dataType != SampleUInt8) return nullptr;
        switch (source.dataType) {
            case SampleUInt8:
                return std::make_unique<KindConverter<Kind, std::uint8_t>>();
            case SampleUInt16:
                return std::make_unique<KindConverter<Kind, std::uint16_t>>();
            case SampleFloat32:
                return std::make_unique<KindConverter<Kind, float>>();
            default:
                return nullptr;
        }
    }
};

}  // namespace Corvane
