#include "pixel/cv_colorSpace.h"

namespace Corvane {

ColorSpace::ColorSpace(std::uint32_t scheme)
    : scheme_(scheme), bandCount_(defaultBandCount(scheme)) {}

ColorSpace::ColorSpace(std::uint32_t scheme, std::int32_t bandCount)
    : scheme_(scheme), bandCount_(bandCount) {}

std::int32_t ColorSpace::defaultBandCount(std::uint32_t scheme) {
    switch (scheme) {
        case SchemeRGB:
        case SchemeYIQ:
            return 3;
        case SchemeCMYK:
        case SchemeRGBK:
        case SchemeYIQK:
            return 4;
        case SchemeGrayscale:
            return 1;
        default:
            return 0;
    }
}

const char* ColorSpace::schemeName(std::uint32_t scheme) {
    switch (scheme) {
        case SchemeRGB:
            return "RGB";
        case SchemeCMYK:
            return "CMYK";
        case SchemeGrayscale:
            return "Grayscale";
        case SchemeRGBK:
            return "RGBK";
        case SchemeYIQ:
            return "YIQ";
        case SchemeYIQK:
            return "YIQK";
        case SchemeElevation:
            return "Elevation";
        case SchemeMultispectral:
            return "Multispectral";
        default:
            break;
    }
    if (scheme >= std::uint32_t{SchemeUserDefinedFirst} &&
        scheme <= std::uint32_t{SchemeUserDefinedLast}) {
        return "User Defined";
    }
    return "Unknown";
}

}  // namespace Corvane
