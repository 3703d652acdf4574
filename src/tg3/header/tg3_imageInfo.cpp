#include "tg3/header/tg3_imageInfo.h"

namespace Corvane {

namespace {

std::uint16_t gridCount(std::uint32_t extent, std::uint32_t size) {
    return static_cast<std::uint16_t>((std::uint64_t{extent} + size - 1) / size);
}

}  // namespace

TG3DataType dataTypeOfDomainBits(std::uint32_t domainBits) {
    switch (domainBits) {
        case 8:
            return dataTypeUInt8;
        case 16:
            return dataTypeUInt16;
        case 15:
            return dataTypeSInt16;
        default:
            return dataTypeNone;
    }
}

void TG3ImageInfo::buildBandTable() {
    bandCount = static_cast<std::uint8_t>(4 * levels + 1);
    bands.assign(std::size_t{4} * levels + 1, TG3BandInfo{});
    std::uint32_t w = width;
    std::uint32_t h = height;
    for (std::uint32_t j = levels; j >= 1; --j) {
        const std::uint32_t w2 = w / 2;
        const std::uint32_t bigW2 = w - w2;
        const std::uint32_t h2 = h / 2;
        const std::uint32_t bigH2 = h - h2;
        bands[4 * j] = {w2, h2, 0, 0, 0};
        bands[4 * j - 1] = {bigW2, h2, 0, 0, 0};
        bands[4 * j - 2] = {w2, bigH2, 0, 0, 0};
        bands[4 * j - 3] = {bigW2, bigH2, 0, 0, 0};
        bands[4 * j - 4].level = static_cast<std::uint8_t>(j);
        w = bigW2;
        h = bigH2;
    }
    bands[0].width = w;
    bands[0].height = h;
    bands[0].level = 0;
    totalSubblocks = 0;
    for (auto& band : bands) {
        band.rows = gridCount(band.height, subblockSize);
        band.columns = gridCount(band.width, subblockSize);
        totalSubblocks += band.subblockCount();
    }
    support = {0, 0, static_cast<std::int32_t>(width - 1), static_cast<std::int32_t>(height - 1)};
}

bool TG3ImageInfo::subblockGridFits() const {
    if (subblockSize == 0) return false;
    const auto cells = [this](std::uint32_t extent) {
        return (std::uint64_t{extent} + subblockSize - 1) / subblockSize;
    };
    for (const TG3BandInfo& band : bands)
        if (cells(band.width) > 0xFFFF || cells(band.height) > 0xFFFF) return false;
    return true;
}

int TG3ImageInfo::effectiveLevels() const {
    return hasVirtualSupport ? levels - levelsRemoved : levels;
}

std::uint32_t TG3ImageInfo::effectiveWidth() const {
    return hasVirtualSupport ? static_cast<std::uint32_t>(support.xRight - support.xLeft + 1)
                             : width;
}

std::uint32_t TG3ImageInfo::effectiveHeight() const {
    return hasVirtualSupport ? static_cast<std::uint32_t>(support.yBottom - support.yTop + 1)
                             : height;
}

int TG3ImageInfo::effectiveDomainBits() const {
    return domainBits != 0 ? domainBits : dataTypeDomainBits(dataType);
}

std::uint32_t TG3ImageInfo::subblockIndex(std::uint32_t band, std::uint32_t row,
                                          std::uint32_t column) const {
    return row * bands[band].columns + column;
}

void TG3ImageInfo::subblockRowColumn(std::uint32_t band, std::uint32_t index, std::uint32_t& row,
                                     std::uint32_t& column) const {
    row = index / bands[band].columns;
    column = index % bands[band].columns;
}

std::uint32_t TG3ImageInfo::subblockWidth(std::uint32_t band, std::uint32_t column) const {
    const TG3BandInfo& info = bands[band];
    return column + 1 == info.columns ? info.width - std::uint32_t{subblockSize} * column
                                      : subblockSize;
}

std::uint32_t TG3ImageInfo::subblockHeight(std::uint32_t band, std::uint32_t row) const {
    const TG3BandInfo& info = bands[band];
    return row + 1 == info.rows ? info.height - std::uint32_t{subblockSize} * row : subblockSize;
}

}  // namespace Corvane
