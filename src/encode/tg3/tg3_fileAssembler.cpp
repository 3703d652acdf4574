#include "encode/tg3/tg3_fileAssembler.h"

#include "support/cv_exception.h"
#include "support/cv_status.h"
#include "tg3/container/tg3_fileHeader.h"
#include "tg3/header/tg3_headerPacket.h"
#include "tg3/metadata/cv_TG3MetadataDatabase.h"

namespace Corvane {

std::vector<std::uint8_t> assembleTG3File(const TG3ImageInfo& info, const TG3EncodeOptions& options,
                                          const std::vector<CodedPlane>& planes) {
    MemoryKernelStream file;
    checkStatus(writeFileHeader(file));

    HeaderPacket header = makeHeaderPacket(info);
    HeaderPacketKind headerKind;
    checkStatus(writePacket(file, header.header(), *headerKind.newWriter(header)));

    if (options.metadata) {
        // The packet writer takes the table for writing; the caller's copy stays as it is.
        TG3ClassicalMetadata metadata = *options.metadata;
        checkStatus(writeClassicalMetadataPacket(file, metadata, info.imageNumber));
    }
    if (options.description) {
        checkStatus(writeImageDescriptionPacket(file, *options.description, info.imageNumber));
    }

    PacketHeader planesetHeader;
    planesetHeader.type = packetTypePlaneset;
    planesetHeader.versionMinor = options.planesetVersionMinor;
    planesetHeader.imageNumber = info.imageNumber;
    PlanesetPacket planeset(planesetHeader);
    planeset.order = options.order;
    planeset.orderStyle = options.orderStyle;
    planeset.planeCount = planes.size();
    checkStatus(writePlanesetPacket(file, planeset, info, planes));
    return file.bytes();
}

}  // namespace Corvane
