#pragma once
// The properties every image describes itself with, whatever decoder stands behind
// it: georeferencing, dither, pixel layout, dynamic range, input lookup table and
// background pixel. They are filled from the image's metadata and a world file.
#include <cstdint>
#include <optional>
#include <vector>

#include "pixel/cv_lookupTable.h"
#include "pixel/cv_pixelLayout.h"
#include "pixel/cv_pixelValue.h"

namespace Corvane {

class MetadataDatabase;

class ImageProperties {
  public:
    bool hasGeoInformation() const { return hasGeoInformation_; }
    double xResolution() const { return xResolution_; }
    double yResolution() const { return yResolution_; }
    double xUL() const { return xUL_; }
    double yUL() const { return yUL_; }
    double xRotation() const { return xRotation_; }
    double yRotation() const { return yRotation_; }
    bool dither() const { return dither_; }
    const LookupTable& inputLookupTable() const { return inputLookupTable_; }
    const std::optional<double>& dynamicRangeWindow() const { return dynamicRangeWindow_; }
    const std::optional<double>& dynamicRangeLevel() const { return dynamicRangeLevel_; }
    const PixelLayout& layout() const { return layout_; }
    PixelLayout& layout() { return layout_; }
    // One pixel in the layout (bytes per sample times samples per pixel); empty when
    // the image has no background value.
    const std::vector<std::uint8_t>& backgroundSamples() const { return backgroundSamples_; }

    void setHasGeoInformation(bool value) { hasGeoInformation_ = value; }
    void setXResolution(double value) { xResolution_ = value; }
    void setYResolution(double value) { yResolution_ = value; }
    void setXUL(double value) { xUL_ = value; }
    void setYUL(double value) { yUL_ = value; }
    void setXRotation(double value) { xRotation_ = value; }
    void setYRotation(double value) { yRotation_ = value; }
    void setDither(bool value) { dither_ = value; }
    void setInputLookupTable(const LookupTable& table) { inputLookupTable_ = table; }
    void setDynamicRange(double window, double level);
    void clearDynamicRange();
    void setLayout(const PixelLayout& layout) { layout_ = layout; }
    void setBackgroundSamples(std::vector<std::uint8_t> samples) {
        backgroundSamples_ = std::move(samples);
    }

    // The background as one pixel value: the layout, the samples when there are
    // any, and the dynamic range as floats when it is known (0 otherwise).
    PixelValue backgroundPixel() const;

    // Fills the properties from metadata for an image of the given full size and
    // band count, in the fixed order: dither, geo, data type, bits per sample,
    // dynamic range, colour scheme, input lookup table, background.
    void initialiseFromMetadata(const MetadataDatabase& metadata, std::int32_t width,
                                std::int32_t height, std::int32_t bandCount);

    // The single steps, for image readers that take only some of them.
    void readDither(const MetadataDatabase& metadata);
    // Origin, resolutions and (when both are there) rotations; false, changing
    // nothing, unless origin and both resolutions are present.
    bool readGeo(const MetadataDatabase& metadata);
    void readInputLookupTable(const MetadataDatabase& metadata);
    void readBackgroundSamples(const MetadataDatabase& metadata, std::int32_t bandCount);

  private:
    bool hasGeoInformation_ = false;
    double xResolution_ = 1.0;
    double yResolution_ = 1.0;
    double xUL_ = 0.0;
    double yUL_ = 0.0;
    double xRotation_ = 0.0;
    double yRotation_ = 0.0;
    bool dither_ = true;
    LookupTable inputLookupTable_;
    std::optional<double> dynamicRangeWindow_;
    std::optional<double> dynamicRangeLevel_;
    PixelLayout layout_;
    std::vector<std::uint8_t> backgroundSamples_;
};

}  // namespace Corvane
