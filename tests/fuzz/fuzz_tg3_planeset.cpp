// The plane walk of a TG3 file: the container scan, the image's header and planeset
// packets, then every length record of the planeset in its order and style.
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "tg3/container/tg3_container.h"
#include "tg3/header/tg3_headerPacket.h"
#include "tg3/planeset/tg3_planeIndex.h"

using namespace Corvane;

namespace {}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryKernelStream stream(std::vector<std::uint8_t>(data, data + size));
    TG3Container container(stream);
    if (container.open() != 0) return 0;
    container.registerKind(std::make_unique<HeaderPacketKind>());
    container.registerKind(std::make_unique<PlanesetPacketKind>());
    auto* header = tovex_fuzz::findImagePacket<HeaderPacket>(container, packetTypeHeader);
    auto* planeset = tovex_fuzz::findImagePacket<PlanesetPacket>(container, packetTypePlaneset);
    if (!header || !planeset) return 0;
    // The walk refuses some orders with a library exception (a pipelined order over a
    // 9/7 kernel), which is a refusal like any status.
    PlaneIndex index;
    tovex_fuzz::refusedOrDone([&] { indexPlanes(stream, *planeset, header->info, index); });
    return 0;
}
