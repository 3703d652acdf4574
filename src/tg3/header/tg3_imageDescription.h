#pragma once
// The optional description of a TG3 image (where it lies, its z number, its
// transparent and background pixels), kept in a metadata packet of its own.
#include <cstdint>
#include <vector>

#include "tg3/container/tg3_container.h"
#include "tg3/container/tg3_kernelStream.h"

namespace Corvane {

// A pixel value stored in an image description: one value per band, one byte each for
// UINT8 and two for UINT16; other data types carry no values.
struct TG3PixelRecord {
    std::uint16_t numBands = 0;
    std::uint8_t datatype = 0;
    std::vector<std::uint16_t> transDataValue;
    bool operator==(const TG3PixelRecord&) const = default;
};

// Where an image lies and which pixels are special, as the metadata packet of subType 3
// states it. Absent parts keep their defaults.
struct ImageDescription {
    static constexpr std::uint8_t hasGeoData = 1;
    static constexpr std::uint8_t hasZNumber = 2;
    static constexpr std::uint8_t hasTransPixel = 4;
    static constexpr std::uint8_t hasBackPixel = 8;

    std::uint8_t flags = 0;
    double xUL = 0, yUL = 0, xLR = 0, yLR = 0, xRes = 0, yRes = 0;
    std::uint32_t zNumber = 0;
    TG3PixelRecord transPixel;
    TG3PixelRecord backPixel;

    bool has(std::uint8_t flag) const { return (flags & flag) != 0; }
    bool operator==(const ImageDescription&) const = default;
};

// Reads a description at the current position: 2005 for flags above 15, 2001 for a short
// read.
std::int32_t readImageDescription(KernelStream& stream, ImageDescription& description);
// Writes the parts that the flags announce. 2002 on failure, 2005 for flags above 15.
std::int32_t writeImageDescription(KernelStream& stream, const ImageDescription& description);

// The description of an image from its metadata packet of subType 3; an image without one
// gets an empty description and status 0.
std::int32_t findImageDescription(TG3Container& container, std::uint32_t imageNumber,
                                  ImageDescription& description);
// Writes the metadata packet of subType 3 that carries the description.
std::int32_t writeImageDescriptionPacket(KernelStream& stream, const ImageDescription& description,
                                         std::uint32_t imageNumber);

}  // namespace Corvane
