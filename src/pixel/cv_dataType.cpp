#include "pixel/cv_dataType.h"

namespace Corvane {

std::uint32_t bytesPerSampleOf(std::uint32_t dataType) {
    switch (dataType) {
        case DataTypeUInt8:
            return 1;
        case DataTypeUInt16:
            return 2;
        case DataTypeInt32:
        case DataTypeFloat32:
            return 4;
        case DataTypeFloat64:
            return 8;
        default:
            return 0;
    }
}

}  // namespace Corvane
