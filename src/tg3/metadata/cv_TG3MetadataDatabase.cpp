#include "tg3/metadata/cv_TG3MetadataDatabase.h"

#include "metadata/cv_byteVectorStream.h"
#include "metadata/cv_classicalImport.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "support/cv_status.h"
#include "tg3/container/tg3_basicPackets.h"

namespace Corvane {

namespace {

[[noreturn]] void throwPacketFailure() {
    throw Exception(kClassicalMetadataPacket);
}

PacketHeader classicalMetadataKey(std::uint32_t imageNumber) {
    PacketHeader key = PacketHeader::key(packetTypeMetadata);
    key.subType = metadataSubTypeClassical;
    key.subSubType = 0;
    key.imageNumber = imageNumber;
    return key;
}

}  // namespace

TG3MetadataDatabase::TG3MetadataDatabase(TG3Container& container) : container_(container) {
    TG3ClassicalMetadata metadata;
    Packet* packet = nullptr;
    if (container_.find(classicalMetadataKey(0), packet) != 0) throwPacketFailure();
    if (!packet) return;
    const auto* payload = dynamic_cast<const MetadataPacket*>(packet);
    if (!payload) throwPacketFailure();

    // The block is the payload's first byte onwards.
    CVByteVectorStream stream(payload->bytes);
    if (metadata.read(stream) < 0) throwPacketFailure();
    importTagTable(metadata.table(), *this);
    if (!stream.close()) throwPacketFailure();
}

std::int32_t writeClassicalMetadataPacket(KernelStream& stream, TG3ClassicalMetadata& metadata,
                                          std::uint32_t imageNumber) {
    CVByteVectorStream block;
    if (metadata.write(block) < 0) return TG3Status::writeFailed;
    return writeMetadataPacket(stream, metadataSubTypeClassical, imageNumber, block.takeBytes());
}

}  // namespace Corvane
