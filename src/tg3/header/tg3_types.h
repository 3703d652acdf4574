#pragma once
// The enumerations of TG3 header fields, their texts for dumps and the facts of each
// data type, in one place so that header, engine and encoder agree on the numbers.
#include <cstdint>

namespace Corvane {

enum TG3DataType : std::uint32_t {
    dataTypeNone = 0,
    dataTypePad8 = 1,
    dataTypePad16 = 2,
    dataTypePad24 = 3,
    dataTypePad32 = 4,
    dataTypeUInt8 = 5,
    dataTypeSInt8 = 6,
    dataTypeUInt16 = 7,
    dataTypeSInt16 = 8,
    dataTypeUInt32 = 9,
    dataTypeSInt32 = 10,
    dataTypeUInt64 = 11,
    dataTypeSInt64 = 12,
    dataTypeSingle = 13,
    dataTypeDouble = 14,
};

enum TG3ColorSpace : std::uint32_t {
    colorSpaceGreyscale = 1,
    colorSpaceLAB = 2,
    colorSpaceYIQAlpha = 4,
    colorSpaceMultispectral = 5,
    colorSpaceYIQ = 8,
    colorSpaceYIQK = 9,
    colorSpaceRGB = 10,
    colorSpaceCMYK = 11,
    colorSpaceRGBK = 12,
    colorSpaceJ2KReversible = 13,
    colorSpaceYIQExternal = 14,
    colorSpaceDCShifted = 15,
    colorSpaceJ2KReversibleDCShift = 16,
};

enum TG3ColorTransform : std::uint32_t {
    colorTransformIdentity = 1,
    // Codes 4 and 7 carry no name in the format: the decoder runs the opposite step
    // of code 10 (RgbToYiq on the coefficients), so the coded components are the
    // luminance and two chrominance differences of RGB. It is the transform that
    // decorrelates an RGB image for lossless coding.
    colorTransformYIQOpposite = 4,
    colorTransformYIQOppositeB = 7,
    colorTransformRGBToYIQ = 10,
    colorTransformCMYKToYIQK = 13,
    colorTransformCMYKToYIQKProcessed = 16,
    colorTransformJ2KReversible = 17,
    colorTransformRGBToYIQOutside = 18,
    colorTransformDCShift = 19,
    colorTransformDCShiftNonChrominance = 20,
};

enum TG3Kernel : std::uint32_t { kernel53HV = 0, kernel97HV = 2, kernel53VH = 3, kernel97VH = 4 };

enum TG3CoderType : std::uint32_t { coderJB = 2, coderQ15 = 3, coderMQ = 4, coderZP = 5 };

enum TG3Boundary : std::uint32_t { boundaryReflective = 0, boundaryPeriodic = 1 };

enum TG3Order : std::uint32_t {
    orderPipelined = 1,
    orderNoPipe = 2,
    orderSBCP = 5,
    orderPipelined97 = 6,
    orderPipelined53Uniform = 7,
    orderJpeg2kRpcl15 = 8,
};

enum TG3OrderStyle : std::uint32_t {
    orderStyleInterleaved = 0,
    orderStyleLengthFirst = 1,
    orderStyleDataFirst = 2,
    orderStyleUnset = 4,
};

enum TG3DecodeTarget : std::uint32_t { decodeImage = 1, decodeScale = 2, decodeScene = 3 };

// Texts of the values for dumps and error reports; a value without a text raises
// UnimplementedException.
const char* dataTypeText(std::uint32_t value);
const char* colorSpaceText(std::uint32_t value);
const char* colorTransformText(std::uint32_t value);
const char* kernelText(std::uint32_t value);
const char* coderTypeText(std::uint32_t value);
const char* boundaryText(std::uint32_t value);
const char* orderText(std::uint32_t value);
const char* orderStyleText(std::uint32_t value);
const char* decodeTargetText(std::uint32_t value);

// Sample facts of a data type (0 for values outside the table).
int dataTypeBits(std::uint32_t value);
int dataTypeDomainBits(std::uint32_t value);
int dataTypeBytes(std::uint32_t value);
bool dataTypeIsSigned(std::uint32_t value);

}  // namespace Corvane
