#pragma once
// Sample data types. A pixel layout names the type of its samples by one of these
// codes; every other code is a type this library cannot hold (0 bytes per sample).
#include <cstdint>

namespace Corvane {

enum DataType : std::uint32_t {
    DataTypeUInt8 = 0,
    DataTypeUInt16 = 1,
    DataTypeInt32 = 2,
    DataTypeFloat32 = 10,
    DataTypeFloat64 = 11,
};

// Bytes one sample of the given type takes; 0 for an unknown code.
std::uint32_t bytesPerSampleOf(std::uint32_t dataType);

}  // namespace Corvane
