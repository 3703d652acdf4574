#include "tg3/header/tg3_types.h"

#include "support/cv_exception.h"

namespace Corvane {

namespace {

[[noreturn]] void noText(int line) {
    throw UnimplementedException("tg3_types", line);
}

struct DataTypeFacts {
    const char* text;
    int bits;
    int domainBits;
};

constexpr DataTypeFacts dataTypes[] = {
    {nullptr, 0, 0},    {"PAD8", 8, 0},     {"PAD16", 16, 0},   {"PAD24", 24, 0},
    {"PAD32", 32, 0},   {"UINT8", 8, 8},    {"SINT8", 8, 7},    {"UINT16", 16, 16},
    {"SINT16", 16, 15}, {"UINT32", 32, 32}, {"SINT32", 32, 31}, {"UINT64", 64, 64},
    {"SINT64", 64, 63}, {"SINGLE", 32, 24}, {"DOUBLE", 64, 48},
};
constexpr std::uint32_t dataTypeCount = sizeof dataTypes / sizeof dataTypes[0];

}  // namespace

const char* dataTypeText(std::uint32_t value) {
    if (value < dataTypeCount && dataTypes[value].text) return dataTypes[value].text;
    noText(__LINE__);
}

int dataTypeBits(std::uint32_t value) {
    return value < dataTypeCount ? dataTypes[value].bits : 0;
}
int dataTypeDomainBits(std::uint32_t value) {
    return value < dataTypeCount ? dataTypes[value].domainBits : 0;
}
int dataTypeBytes(std::uint32_t value) {
    return (dataTypeBits(value) + 7) / 8;
}
bool dataTypeIsSigned(std::uint32_t value) {
    return value == dataTypeSInt8 || value == dataTypeSInt16 || value == dataTypeSInt32 ||
           value == dataTypeSInt64;
}

const char* colorSpaceText(std::uint32_t value) {
    switch (value) {
        case 1:
            return "greyscale";
        case 2:
            return "LAB";
        case 4:
            return "YIQ Alpha";
        case 5:
            return "multispectral";
        case 8:
            return "YIQ";
        case 9:
            return "YIQK";
        case 10:
            return "RGB";
        case 11:
            return "CMYK";
        case 12:
            return "RGBK";
        case 13:
            return "JPEG2000 Reversible";
        case 14:
            return "YIQ (external)";
        case 15:
            return "DC shifted";
        case 16:
            return "JPEG2000 Reversible with DC shift";
        default:
            noText(__LINE__);
    }
}

const char* colorTransformText(std::uint32_t value) {
    switch (value) {
        case 1:
            return "identity";
        case 10:
            return "RGB to YIQ";
        case 13:
            return "CMYK to YIQK";
        case 16:
            return "CMYK to YIQK with pre/post processing";
        case 17:
            return "JPEG2000 reversible color transform";
        case 18:
            return "RGB to YIQ outside wavelet";
        case 19:
            return "DC shift";
        case 20:
            return "DC shift on non-chrominance bands";
        default:
            noText(__LINE__);
    }
}

const char* kernelText(std::uint32_t value) {
    switch (value) {
        case 0:
            return "5-3 HV";
        case 2:
            return "9-7 HV";
        case 3:
            return "5-3 VH";
        case 4:
            return "9-7 VH";
        default:
            noText(__LINE__);
    }
}

const char* coderTypeText(std::uint32_t value) {
    switch (value) {
        case 2:
            return "JB";
        case 3:
            return "Q15";
        case 4:
            return "MQ";
        case 5:
            return "ZP";
        default:
            noText(__LINE__);
    }
}

const char* boundaryText(std::uint32_t value) {
    switch (value) {
        case 0:
            return "reflective";
        case 1:
            return "periodic";
        default:
            noText(__LINE__);
    }
}

const char* orderText(std::uint32_t value) {
    switch (value) {
        case 1:
            return "pipelined";
        case 2:
            return "nopipe";
        case 5:
            return "sbcp";
        case 6:
            return "pipelined97";
        case 7:
            return "pipelined53_uniform";
        case 8:
            return "jpeg2k_rpcl15";
        default:
            noText(__LINE__);
    }
}

const char* orderStyleText(std::uint32_t value) {
    switch (value) {
        case 0:
            return "interleaved";
        case 1:
            return "lengthfirst";
        case 2:
            return "datafirst";
        default:
            noText(__LINE__);
    }
}

const char* decodeTargetText(std::uint32_t value) {
    switch (value) {
        case 1:
            return "image";
        case 2:
            return "scale";
        case 3:
            return "scene";
        default:
            noText(__LINE__);
    }
}

}  // namespace Corvane
