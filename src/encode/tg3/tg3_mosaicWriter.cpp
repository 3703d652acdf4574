#include "encode/tg3/tg3_mosaicWriter.h"

#include <algorithm>
#include <cstring>

#include "support/cv_exception.h"
#include "support/cv_status.h"
#include "tg3/container/tg3_fileHeader.h"
#include "tg3/container/tg3_packet.h"
#include "tg3/container/tg3_packetHeader.h"

namespace Corvane {

namespace {

constexpr std::size_t kFileHeaderBytes = 8;

bool startsWithMagic(const std::vector<std::uint8_t>& bytes, std::uint8_t generation) {
    return bytes.size() >= kFileHeaderBytes && std::memcmp(bytes.data(), "tovx", 4) == 0 &&
           bytes[4] == generation;
}

std::int32_t writeEmbeddedTG2(KernelStream& file, const TG3MosaicPart& part) {
    PacketHeader header;
    header.type = packetTypeTG2Image;
    header.imageNumber = part.imageNumber;
    std::int64_t lengthPosition = 0;
    std::int32_t status = writePacketHeader(file, header, lengthPosition);
    if (status == 0) status = writeBytes(file, part.bytes);
    if (status == 0) status = patchPayloadLength(file, lengthPosition, part.bytes.size());
    return status;
}

}  // namespace

std::vector<std::uint8_t> assembleTG3Mosaic(const std::vector<TG3MosaicPart>& parts) {
    std::vector<std::uint32_t> numbers;
    for (const TG3MosaicPart& part : parts) {
        if (std::find(numbers.begin(), numbers.end(), part.imageNumber) != numbers.end())
            throw InvalidArgumentException("two mosaic images with the same number");
        numbers.push_back(part.imageNumber);
        // A TG2 stream starts with the magic and its generation byte 1.
        if (!startsWithMagic(part.bytes, part.embeddedTG2 ? 1 : 3))
            throw InvalidArgumentException("a mosaic image that is not of its stated generation");
    }

    MemoryKernelStream file;
    checkStatus(writeFileHeader(file));
    for (const TG3MosaicPart& part : parts) {
        if (part.embeddedTG2) {
            checkStatus(writeEmbeddedTG2(file, part));
            if (part.description)
                checkStatus(writeImageDescriptionPacket(file, *part.description, part.imageNumber));
        } else {
            checkStatus(
                writeBytes(file, std::vector<std::uint8_t>(part.bytes.begin() + kFileHeaderBytes,
                                                           part.bytes.end())));
        }
    }
    return file.bytes();
}

ImageDescription northUpDescription(double xUL, double yUL, double xStep, double yStep,
                                    std::uint32_t width, std::uint32_t height) {
    // Corners are pixel centres, and y falls going down the image.
    ImageDescription description;
    description.flags = ImageDescription::hasGeoData;
    description.xUL = xUL;
    description.yUL = yUL;
    description.xRes = xStep;
    description.yRes = -yStep;
    description.xLR = xUL + xStep * (width - 1.0);
    description.yLR = yUL - yStep * (height - 1.0);
    return description;
}

}  // namespace Corvane
