#include "transform/cv_shownScheme.h"

#include "pixel/cv_colorSpace.h"

namespace Corvane {

std::uint32_t shownScheme(std::uint32_t storedScheme) {
    switch (storedScheme) {
        case SchemeYIQ:
            return SchemeRGB;
        case SchemeYIQK:
            return SchemeCMYK;
        default:
            return storedScheme;
    }
}

}  // namespace Corvane
