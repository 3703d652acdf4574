#include "tg3/header/tg3_imageDescription.h"

#include <bit>

#include "support/cv_status.h"
#include "tg3/container/tg3_basicPackets.h"
#include "tg3/header/tg3_types.h"

namespace Corvane {

namespace {

constexpr std::uint8_t allFlags = 15;

std::int32_t readPixelRecord(KernelStream& stream, TG3PixelRecord& record) {
    if (readU16(stream, record.numBands) != 0 || readU8(stream, record.datatype) != 0) {
        return TG3Status::readFailed;
    }
    record.transDataValue.clear();
    if (record.datatype != dataTypeUInt8 && record.datatype != dataTypeUInt16) {
        return TG3Status::ok;
    }
    // Values are read one at a time, so a count the payload cannot hold ends in a short
    // read rather than a large allocation.
    for (std::uint32_t band = 0; band < record.numBands; ++band) {
        std::uint16_t value = 0;
        if (record.datatype == dataTypeUInt8) {
            std::uint8_t byte = 0;
            if (readU8(stream, byte) != 0) return TG3Status::readFailed;
            value = byte;
        } else if (readU16(stream, value) != 0) {
            return TG3Status::readFailed;
        }
        record.transDataValue.push_back(value);
    }
    return TG3Status::ok;
}

std::int32_t writePixelRecord(KernelStream& stream, const TG3PixelRecord& record) {
    if (writeU16(stream, record.numBands) != 0 || writeU8(stream, record.datatype) != 0) {
        return TG3Status::writeFailed;
    }
    if (record.datatype != dataTypeUInt8 && record.datatype != dataTypeUInt16) {
        return TG3Status::ok;
    }
    if (record.transDataValue.size() != record.numBands) return TG3Status::writeFailed;
    for (std::uint16_t value : record.transDataValue) {
        const std::int32_t status = record.datatype == dataTypeUInt8
                                        ? writeU8(stream, static_cast<std::uint8_t>(value))
                                        : writeU16(stream, value);
        if (status != 0) return TG3Status::writeFailed;
    }
    return TG3Status::ok;
}

}  // namespace

std::int32_t readImageDescription(KernelStream& stream, ImageDescription& description) {
    description = ImageDescription{};
    std::uint8_t flags = 0;
    if (readU8(stream, flags) != 0) return TG3Status::readFailed;
    if (flags > allFlags) return TG3Status::invalidField;
    description.flags = flags;
    if (description.has(ImageDescription::hasGeoData)) {
        for (double* field : {&description.xUL, &description.yUL, &description.xLR,
                              &description.yLR, &description.xRes, &description.yRes}) {
            std::uint64_t bits = 0;
            if (readU64(stream, bits) != 0) return TG3Status::readFailed;
            *field = std::bit_cast<double>(bits);
        }
    }
    if (description.has(ImageDescription::hasZNumber) &&
        readU32(stream, description.zNumber) != 0) {
        return TG3Status::readFailed;
    }
    if (description.has(ImageDescription::hasTransPixel)) {
        const std::int32_t status = readPixelRecord(stream, description.transPixel);
        if (status != 0) return status;
    }
    if (description.has(ImageDescription::hasBackPixel)) {
        return readPixelRecord(stream, description.backPixel);
    }
    return TG3Status::ok;
}

std::int32_t writeImageDescription(KernelStream& stream, const ImageDescription& description) {
    if (description.flags > allFlags) return TG3Status::invalidField;
    if (writeU8(stream, description.flags) != 0) return TG3Status::writeFailed;
    if (description.has(ImageDescription::hasGeoData)) {
        for (double field : {description.xUL, description.yUL, description.xLR, description.yLR,
                             description.xRes, description.yRes}) {
            if (writeU64(stream, std::bit_cast<std::uint64_t>(field)) != 0) {
                return TG3Status::writeFailed;
            }
        }
    }
    if (description.has(ImageDescription::hasZNumber) &&
        writeU32(stream, description.zNumber) != 0) {
        return TG3Status::writeFailed;
    }
    if (description.has(ImageDescription::hasTransPixel)) {
        const std::int32_t status = writePixelRecord(stream, description.transPixel);
        if (status != 0) return status;
    }
    if (description.has(ImageDescription::hasBackPixel)) {
        return writePixelRecord(stream, description.backPixel);
    }
    return TG3Status::ok;
}

std::int32_t findImageDescription(TG3Container& container, std::uint32_t imageNumber,
                                  ImageDescription& description) {
    description = ImageDescription{};
    PacketHeader key = PacketHeader::key(packetTypeMetadata);
    key.subType = metadataSubTypeImageDescription;
    key.subSubType = 0;
    key.imageNumber = imageNumber;
    Packet* packet = nullptr;
    const std::int32_t status = container.find(key, packet);
    if (status != 0 || !packet) return status;
    const auto* metadata = dynamic_cast<const MetadataPacket*>(packet);
    if (!metadata) return TG3Status::repeatedOrMissing;
    // The description is the start of the packet's bytes.
    MemoryKernelStream bytes(metadata->bytes);
    return readImageDescription(bytes, description);
}

std::int32_t writeImageDescriptionPacket(KernelStream& stream, const ImageDescription& description,
                                         std::uint32_t imageNumber) {
    MemoryKernelStream bytes;
    const std::int32_t status = writeImageDescription(bytes, description);
    if (status != 0) return status;
    return writeMetadataPacket(stream, metadataSubTypeImageDescription, imageNumber, bytes.bytes());
}

}  // namespace Corvane
