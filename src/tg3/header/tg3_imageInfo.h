#pragma once
// What a TG3 image's header states and what follows from it: the band table of the
// decomposition and the sub-block arithmetic that every later stage relies on.
#include <cstdint>
#include <vector>

#include "tg3/header/tg3_types.h"

namespace Corvane {

// One band of the wavelet decomposition: its size in coefficients and its sub-block grid.
struct TG3BandInfo {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t rows = 0;
    std::uint16_t columns = 0;
    std::uint8_t level = 0;  // set on the low-pass entries only; nothing reads it

    std::uint32_t subblockCount() const { return std::uint32_t{rows} * columns; }
    bool operator==(const TG3BandInfo&) const = default;
};

struct TG3Support {
    std::int32_t xLeft = 0;
    std::int32_t yTop = 0;
    std::int32_t xRight = 0;
    std::int32_t yBottom = 0;
    bool operator==(const TG3Support&) const = default;
};

// Everything later decoding stages need to know about one TG3 image.
struct TG3ImageInfo {
    std::uint32_t imageNumber = 0;
    std::uint8_t jpegable = 0;
    std::uint8_t levels = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t subblockSize = 0;
    std::uint16_t components = 0;
    std::uint8_t planes = 0;
    std::uint8_t domainBits = 0;
    TG3DataType dataType = dataTypeNone;
    std::int32_t dynamicRangeMin = 0;
    std::int32_t dynamicRangeMax = 0;
    TG3ColorSpace inputColorSpace = colorSpaceGreyscale;
    TG3ColorSpace waveletColorSpace = colorSpaceGreyscale;
    TG3ColorTransform colorTransform = colorTransformIdentity;
    TG3Kernel kernel = kernel53HV;
    TG3CoderType coderType = coderMQ;
    TG3Boundary boundary = boundaryReflective;
    std::uint32_t furtherWord = 0;
    std::uint32_t subblockSubtype = 0;
    std::uint8_t bandCount = 0;
    std::uint32_t totalSubblocks = 0;
    std::vector<TG3BandInfo> bands;
    TG3Support support;
    std::uint8_t levelsRemoved = 0;
    std::uint8_t hasVirtualSupport = 0;
    std::uint8_t reserved1 = 0;
    std::uint8_t reserved2 = 0;
    std::uint8_t hasMSEs = 0;
    std::uint32_t order = 0;
    std::uint32_t orderStyle = 4;

    // Fills the band table and the total from width, height, levels and sub-block size
    // (which must not be 0), and resets the support to the whole image.
    void buildBandTable();

    // False when some band needs more than 65535 sub-block rows or columns: the band
    // table's 16-bit counts cannot number them, and the arithmetic of the last row or
    // column would give a sub-block larger than the band.
    bool subblockGridFits() const;

    int effectiveLevels() const;
    std::uint32_t effectiveWidth() const;
    std::uint32_t effectiveHeight() const;
    // Domain bits, derived from the data type when not stored.
    int effectiveDomainBits() const;

    std::uint32_t subblockIndex(std::uint32_t band, std::uint32_t row, std::uint32_t column) const;
    void subblockRowColumn(std::uint32_t band, std::uint32_t index, std::uint32_t& row,
                           std::uint32_t& column) const;
    std::uint32_t subblockWidth(std::uint32_t band, std::uint32_t column) const;
    std::uint32_t subblockHeight(std::uint32_t band, std::uint32_t row) const;

    bool operator==(const TG3ImageInfo&) const = default;
};

// The data type that a header's domain bits stand for; dataTypeNone for other values.
TG3DataType dataTypeOfDomainBits(std::uint32_t domainBits);

}  // namespace Corvane
