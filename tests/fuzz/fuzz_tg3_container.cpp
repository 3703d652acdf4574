// The packet scan of a TG3 file: the file header, every packet header, the database of
// nodes, and every packet materialised through the kinds a reader registers, then the
// classical metadata and the image description looked up as a reader does.
#include <cstdint>
#include <sstream>
#include <vector>

#include "fuzz_support.h"
#include "tg3/metadata/cv_TG3MetadataDatabase.h"
#include "tg3/container/tg3_basicPackets.h"
#include "tg3/container/tg3_container.h"
#include "tg3/header/tg3_headerPacket.h"
#include "tg3/header/tg3_imageDescription.h"
#include "tg3/planeset/tg3_planesetPacket.h"

using namespace Corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryKernelStream stream(std::vector<std::uint8_t>(data, data + size));
    TG3Container container(stream);
    if (container.open() != 0) return 0;
    container.registerKind(std::make_unique<HeaderPacketKind>());
    container.registerKind(std::make_unique<PlanesetPacketKind>());
    container.registerKind(std::make_unique<TG2ImagePacketKind>());

    std::vector<Packet*> packets;
    container.findAll(PacketHeader::key(anyValue32), packets);
    for (const TG3ImageEntry& entry : container.images()) {
        tovex_fuzz::refusedOrDone([&] { imageKindText(entry.kind); });
        ImageDescription description;
        findImageDescription(container, entry.imageNumber, description);
    }
    tovex_fuzz::refusedOrDone([&] {
        std::ostringstream dump;
        container.database()->dump(dump);
    });
    tovex_fuzz::refusedOrDone([&] { TG3MetadataDatabase metadata(container); });
    return 0;
}
