// One header packet: its packet header, then the payload through the header kind's
// reader. A header that reads must write back and read again to the same image info.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "fuzz_support.h"
#include "tg3/header/tg3_headerPacket.h"

using namespace Corvane;

namespace {

bool readHeaderPacket(KernelStream& stream, std::unique_ptr<Packet>& packet) {
    PacketHeader header;
    std::uint64_t payloadLength = 0;
    if (readPacketHeader(stream, header, payloadLength) != 0) return false;
    HeaderPacketKind kind;
    if (!kind.matches(header)) return false;
    packet = kind.newPacket(header);
    return kind.newReader(*packet)->read(stream, payloadLength) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryKernelStream stream(std::vector<std::uint8_t>(data, data + size));
    std::unique_ptr<Packet> packet;
    if (!readHeaderPacket(stream, packet)) return 0;
    auto& read = static_cast<HeaderPacket&>(*packet);
    // A dump names every enumeration; a value without a name is refused by exception.
    tovex_fuzz::refusedOrDone([&] {
        std::ostringstream dump;
        read.dump(dump);
    });

    // What was accepted is a header this system can also write.
    HeaderPacket rewritten = makeHeaderPacket(read.info);
    MemoryKernelStream out;
    HeaderPacketKind kind;
    if (writePacket(out, rewritten.header(), *kind.newWriter(rewritten)) != 0) return 0;
    MemoryKernelStream again(out.bytes());
    std::unique_ptr<Packet> reread;
    if (!readHeaderPacket(again, reread)) std::abort();
    // The two reserved markers come from flag bits that writers never set.
    TG3ImageInfo expected = read.info;
    expected.reserved1 = 0;
    expected.reserved2 = 0;
    if (!(static_cast<HeaderPacket&>(*reread).info == expected)) std::abort();
    return 0;
}
