#pragma once
// A converter turns the pixels of a source buffer into 8-bit pixels of another
// colour scheme. The base keeps the buffers, lookup tables and window settings and
// runs the conversion; each kind and source sample type binds and converts.
#include <cstdint>
#include <optional>

#include "transform/cv_pixelDescription.h"
#include "transform/cv_sampleRange.h"

namespace Corvane {

struct WindowSettings {
    float sourceWidth = kUnsetWindowWidth;
    float sourceCentre = kUnsetWindowCentre;
    float destinationWidth = kUnsetWindowWidth;
    float destinationCentre = kUnsetWindowCentre;
};

class PixelConverter {
  public:
    PixelConverter() = default;
    PixelConverter(const PixelConverter&) = delete;
    PixelConverter& operator=(const PixelConverter&) = delete;
    virtual ~PixelConverter() = default;

    virtual void setDestinationBuffer(const PixelRaster& buffer);
    virtual void setDestinationLookupTable(const PixelLookupTable& table);
    virtual void setSourceBuffer(const PixelRaster& buffer);
    virtual void setSourceLookupTable(const PixelLookupTable& table);
    virtual void setSourceWindowWidth(float width);
    virtual void setSourceWindowCentre(float centre);
    virtual void setDestinationWindowWidth(float width);
    virtual void setDestinationWindowCentre(float centre);
    // Converts every pixel of the source buffer into the destination buffer.
    virtual void convert();

  protected:
    // Checks the two descriptions against the kind and sets up the range map and the
    // band positions; raises on a mismatch.
    virtual void bind(const PixelDescription& destination, const PixelDescription& source) = 0;
    virtual void applyWindows(const WindowSettings& windows) = 0;
    // Both rasters carry the descriptions given to bind.
    virtual void convertPixels(const PixelRaster& destination, const PixelRaster& source) = 0;

  private:
    std::optional<PixelRaster> destination_;
    std::optional<PixelRaster> source_;
    std::optional<PixelLookupTable> destinationTable_;
    std::optional<PixelLookupTable> sourceTable_;
    WindowSettings windows_;
};

}  // namespace Corvane
