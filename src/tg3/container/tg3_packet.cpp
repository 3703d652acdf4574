#include "tg3/container/tg3_packet.h"

#include "support/cv_status.h"

namespace Corvane {

std::int32_t writePacket(KernelStream& stream, const PacketHeader& header, PacketWriter& writer) {
    std::int64_t lengthPosition = 0;
    std::int32_t status = writePacketHeader(stream, header, lengthPosition);
    if (status != 0) return status;
    const std::int64_t payloadStart = stream.tell();
    if (payloadStart < 0) return TG3Status::writeFailed;
    status = writer.write(stream);
    if (status != 0) return status;
    const std::int64_t payloadEnd = stream.tell();
    if (payloadEnd < payloadStart) return TG3Status::writeFailed;
    return patchPayloadLength(stream, lengthPosition,
                              static_cast<std::uint64_t>(payloadEnd - payloadStart));
}

}  // namespace Corvane
