#include "tg3/decoder/tg3_outputLayout.h"

#include "tg3/header/tg3_types.h"

namespace Corvane {

std::int32_t schemeOfColorSpace(std::uint32_t inputColorSpace) {
    switch (inputColorSpace) {
        case colorSpaceGreyscale:
            return SchemeGrayscale;
        case colorSpaceMultispectral:
            return SchemeMultispectral;
        case colorSpaceYIQ:
            return SchemeYIQ;
        case colorSpaceYIQK:
            return SchemeYIQK;
        case colorSpaceRGB:
            return SchemeRGB;
        case colorSpaceCMYK:
            return SchemeCMYK;
        case colorSpaceRGBK:
            return SchemeRGBK;
        default:
            return SchemeUnset;
    }
}

ColorSpace outputColorSpace(const TG3ImageInfo& info) {
    const auto scheme = static_cast<std::uint32_t>(schemeOfColorSpace(info.inputColorSpace));
    if (scheme == static_cast<std::uint32_t>(SchemeMultispectral)) {
        return ColorSpace(scheme, info.components);
    }
    return ColorSpace(scheme);
}

bool outputDataType(const TG3ImageInfo& info, std::uint32_t& dataType) {
    switch (dataTypeBits(info.dataType)) {
        case 8:
            dataType = DataTypeUInt8;
            return true;
        case 16:
            dataType = DataTypeUInt16;
            return true;
        default:
            return false;
    }
}

PixelLayout outputLayout(const TG3ImageInfo& info) {
    std::uint32_t dataType = DataTypeUInt8;
    outputDataType(info, dataType);
    PixelLayout layout(0, outputColorSpace(info), dataType);
    layout.setIdentityBandMap();
    return layout;
}

}  // namespace Corvane
