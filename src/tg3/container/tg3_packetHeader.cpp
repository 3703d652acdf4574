#include "tg3/container/tg3_packetHeader.h"

#include "support/cv_status.h"

namespace Corvane {

const char* packetTypeName(std::uint32_t type) {
    switch (type) {
        case packetTypeHeader:
            return "Header";
        case packetTypeMetadata:
            return "Metadata";
        case packetTypeIndex:
            return "Index";
        case packetTypePlaneset:
            return "Planeset";
        case packetTypeContents:
            return "Contents";
        case packetTypeTG2Image:
            return "TG2Image";
        default:
            return "";
    }
}

PacketHeader PacketHeader::key(std::uint32_t type) {
    PacketHeader header;
    header.type = type;
    header.versionMajor = anyValue8;
    header.versionMinor = anyValue8;
    header.subType = anyValue32;
    header.subSubType = anyValue32;
    header.imageNumber = anyValue32;
    return header;
}

namespace {

bool fieldMatches(std::uint32_t a, std::uint32_t b) {
    return a == b || a == anyValue32 || b == anyValue32;
}

// Qualifier width codes: 0 = absent, 1 = 1 byte, 2 = 2 bytes, 3 = 4 bytes.
constexpr int widthOfCode[4] = {0, 1, 2, 4};

std::int32_t readWidth(KernelStream& stream, int width, std::uint64_t& value) {
    std::int32_t status = TG3Status::ok;
    switch (width) {
        case 0:
            value = 0;
            break;
        case 1: {
            std::uint8_t v = 0;
            status = readU8(stream, v);
            value = v;
            break;
        }
        case 2: {
            std::uint16_t v = 0;
            status = readU16(stream, v);
            value = v;
            break;
        }
        case 4: {
            std::uint32_t v = 0;
            status = readU32(stream, v);
            value = v;
            break;
        }
        default:
            status = readU64(stream, value);
            break;
    }
    return status;
}

int smallestWidthCode(std::uint32_t value) {
    if (value == 0) return 0;
    if (value < 256) return 1;
    if (value < 65536) return 2;
    return 3;
}

std::int32_t writeWidth(KernelStream& stream, int code, std::uint32_t value) {
    switch (code) {
        case 0:
            return TG3Status::ok;
        case 1:
            return writeU8(stream, static_cast<std::uint8_t>(value));
        case 2:
            return writeU16(stream, static_cast<std::uint16_t>(value));
        default:
            return writeU32(stream, value);
    }
}

}  // namespace

bool PacketHeader::matches(const PacketHeader& other) const {
    return fieldMatches(type, other.type) && fieldMatches(subType, other.subType) &&
           fieldMatches(subSubType, other.subSubType) &&
           fieldMatches(imageNumber, other.imageNumber);
}

void PacketHeader::dump(std::ostream& out) const {
    out << "type: " << packetTypeName(type) << "\n"
        << "subType: " << subType << "\n"
        << "subSubType: " << subSubType << "\n"
        << "imageNumber: " << imageNumber << "\n"
        << "sequenceNumber: " << sequenceNumber << "\n"
        << "versionMajor: " << int{versionMajor} << "\n"
        << "versionMinor: " << int{versionMinor} << "\n"
        << "hasHeaderOffset: " << (hasHeaderOffset ? "true" : "false") << "\n";
    if (hasHeaderOffset) {
        out << "headerOffset: " << headerOffset << "\n"
            << "headerLength: " << headerLength << "\n";
    }
}

std::int32_t readPacketHeader(KernelStream& stream, PacketHeader& header,
                              std::uint64_t& payloadLength) {
    header.hasHeaderOffset = true;
    header.headerOffset = stream.tell();
    if (header.headerOffset < 0) return TG3Status::readFailed;

    std::uint8_t byte0 = 0;
    std::uint8_t sizeByte = 0;
    if (readU8(stream, byte0) != 0 || readU8(stream, sizeByte) != 0) return TG3Status::readFailed;
    header.type = byte0 & 0x0F;
    const bool hasVersion = (byte0 & 0x40) != 0;
    const bool reservedBits = (byte0 & 0xB0) != 0;

    std::uint64_t value = 0;
    if (readWidth(stream, widthOfCode[(sizeByte >> 6) & 3], value) != 0) {
        return TG3Status::readFailed;
    }
    header.subType = static_cast<std::uint32_t>(value);
    if (readWidth(stream, widthOfCode[(sizeByte >> 4) & 3], value) != 0) {
        return TG3Status::readFailed;
    }
    header.subSubType = static_cast<std::uint32_t>(value);
    header.sequenceNumber = 0;
    if ((sizeByte & 0x08) && readU32(stream, header.sequenceNumber) != 0) {
        return TG3Status::readFailed;
    }
    header.imageNumber = 0;
    if ((sizeByte & 0x04) && readU32(stream, header.imageNumber) != 0) {
        return TG3Status::readFailed;
    }
    header.versionMajor = 0;
    header.versionMinor = 0;
    if (hasVersion &&
        (readU8(stream, header.versionMajor) != 0 || readU8(stream, header.versionMinor) != 0)) {
        return TG3Status::readFailed;
    }
    constexpr int lengthWidths[4] = {1, 2, 4, 8};
    if (readWidth(stream, lengthWidths[sizeByte & 3], payloadLength) != 0) {
        return TG3Status::readFailed;
    }
    const std::int64_t end = stream.tell();
    if (end < 0) return TG3Status::readFailed;
    header.headerLength = end - header.headerOffset;
    return reservedBits ? TG3Status::malformed : TG3Status::ok;
}

std::int64_t canonicalHeaderSize(const PacketHeader& header) {
    std::int64_t size = 2 + widthOfCode[smallestWidthCode(header.subType)] +
                        widthOfCode[smallestWidthCode(header.subSubType)];
    if (header.imageNumber != 0) size += 4;
    if (header.sequenceNumber != 0) size += 4;
    if (header.versionMajor != 0 || header.versionMinor != 0) size += 2;
    return size + 8;
}

std::int32_t writePacketHeader(KernelStream& stream, const PacketHeader& header,
                               std::int64_t& lengthPosition) {
    const bool hasVersion = header.versionMajor != 0 || header.versionMinor != 0;
    const int subTypeCode = smallestWidthCode(header.subType);
    const int subSubTypeCode = smallestWidthCode(header.subSubType);
    const auto byte0 = static_cast<std::uint8_t>((header.type & 0x0F) | (hasVersion ? 0x40 : 0));
    const auto sizeByte = static_cast<std::uint8_t>((subTypeCode << 6) | (subSubTypeCode << 4) |
                                                    (header.sequenceNumber != 0 ? 0x08 : 0) |
                                                    (header.imageNumber != 0 ? 0x04 : 0) | 0x03);
    if (writeU8(stream, byte0) != 0 || writeU8(stream, sizeByte) != 0 ||
        writeWidth(stream, subTypeCode, header.subType) != 0 ||
        writeWidth(stream, subSubTypeCode, header.subSubType) != 0) {
        return TG3Status::writeFailed;
    }
    if (header.sequenceNumber != 0 && writeU32(stream, header.sequenceNumber) != 0) {
        return TG3Status::writeFailed;
    }
    if (header.imageNumber != 0 && writeU32(stream, header.imageNumber) != 0) {
        return TG3Status::writeFailed;
    }
    if (hasVersion &&
        (writeU8(stream, header.versionMajor) != 0 || writeU8(stream, header.versionMinor) != 0)) {
        return TG3Status::writeFailed;
    }
    lengthPosition = stream.tell();
    if (lengthPosition < 0) return TG3Status::writeFailed;
    return writeU64(stream, 0x00000000FFFFFFFFull);
}

std::int32_t patchPayloadLength(KernelStream& stream, std::int64_t lengthPosition,
                                std::uint64_t payloadLength) {
    const std::int64_t here = stream.tell();
    if (here < 0 || stream.seek(lengthPosition, 1) != 0) return TG3Status::writeFailed;
    if (writeU64(stream, payloadLength) != 0) return TG3Status::writeFailed;
    return stream.seek(here, 1) == 0 ? TG3Status::ok : TG3Status::writeFailed;
}

}  // namespace Corvane
