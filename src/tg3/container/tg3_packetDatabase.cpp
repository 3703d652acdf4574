#include "tg3/container/tg3_packetDatabase.h"

#include "support/cv_status.h"

namespace Corvane {

void DBObjectProxyImpStream::dump(std::ostream& out) const {
    out << "Stream: " << static_cast<const void*>(&stream_) << "\n"
        << "Offset: " << offset_ << "\n"
        << "Length: " << length_ << "\n";
}

void DBObjectProxyImpObject::dump(std::ostream& out) const {
    out << "Object data: " << static_cast<const void*>(packet_.get()) << "\n";
}

void DBObject::dump(std::ostream& out) const {
    header.dump(out);
    out << "hasParent: " << (hasParent ? "true" : "false") << "\n"
        << "numChildren: " << numChildren << "\n";
    if (proxy) proxy->dump(out);
}

namespace {

// Real files hold a handful of packets per image. The index keeps a node for each
// packet, and the smallest packet is three bytes (a run of zero bytes reads as empty
// packets), so without a limit a long tail of zeros, or a sparse file of gigabytes,
// would cost memory and time in proportion to its length. Past this count the file
// is refused as malformed.
constexpr std::size_t kMostPackets = std::size_t{1} << 16;

// The position of the stream's end, leaving the position where it was; -1 when it
// cannot be taken. The file does not change while it is scanned, so the end is
// taken once rather than by two seeks before every packet.
std::int64_t endOf(KernelStream& stream) {
    const std::int64_t here = stream.tell();
    if (here < 0 || stream.seek(0, 3) != 0) return -1;
    const std::int64_t end = stream.tell();
    if (stream.seek(here, 1) != 0) return -1;
    return end;
}

}  // namespace

std::int32_t PacketDatabase::read(KernelStream& stream) {
    std::int32_t status = readFileHeader(stream, version_);
    if (status != 0) return status;
    // A failure to find the end counts as never being at it: the scan then ends where
    // a header cannot be read.
    const std::int64_t end = endOf(stream);
    while (end < 0 || stream.tell() != end) {
        if (nodes_.size() >= kMostPackets) return TG3Status::malformed;
        if (stream.tell() < 0) return TG3Status::readFailed;
        PacketHeader header = newHeader();
        std::uint64_t length = 0;
        status = readPacketHeader(stream, header, length);
        if (status != 0) return status;
        const std::int64_t payloadOffset = stream.tell();
        if (payloadOffset < 0) return TG3Status::readFailed;
        DBObject node;
        node.header = header;
        node.proxy = std::make_unique<DBObjectProxyImpStream>(stream, payloadOffset, length);
        nodes_.push_back(std::move(node));
        int seekStatus = 0;
        if (length == lengthToEnd) {
            seekStatus = stream.seek(0, 3);
        } else if (length > static_cast<std::uint64_t>(INT64_MAX)) {
            seekStatus = 1;
        } else {
            seekStatus = stream.seek(static_cast<std::int64_t>(length), 2);
        }
        if (seekStatus != 0) return TG3Status::readFailed;
    }
    return TG3Status::ok;
}

std::int32_t PacketDatabase::registerKind(std::unique_ptr<PacketKind> kind) {
    kinds_.push_back(std::move(kind));
    return TG3Status::ok;
}

const PacketKind* PacketDatabase::kindFor(const PacketHeader& header) const {
    for (const auto& kind : kinds_) {
        if (kind->matches(header)) return kind.get();
    }
    return nullptr;
}

std::int32_t PacketDatabase::materialise(DBObject& node, Packet*& packet) {
    packet = nullptr;
    if (auto* object = dynamic_cast<DBObjectProxyImpObject*>(node.proxy.get())) {
        packet = object->packet();
        return TG3Status::ok;
    }
    auto* streamProxy = dynamic_cast<DBObjectProxyImpStream*>(node.proxy.get());
    if (!streamProxy) return TG3Status::repeatedOrMissing;
    const PacketKind* kind = kindFor(node.header);
    if (!kind) return TG3Status::repeatedOrMissing;
    std::unique_ptr<Packet> object = kind->newPacket(node.header);
    if (!object) return TG3Status::repeatedOrMissing;
    std::unique_ptr<PacketReader> reader = kind->newReader(*object);
    if (!reader) return TG3Status::repeatedOrMissing;

    KernelStream& stream = streamProxy->stream();
    const std::int64_t remembered = stream.tell();
    if (remembered < 0) return TG3Status::noPosition;
    if (stream.seek(streamProxy->offset(), 1) != 0) return TG3Status::readFailed;
    std::int32_t status = reader->read(stream, streamProxy->length());
    if (status != 0) return status;
    if (stream.seek(remembered, 1) != 0) return TG3Status::readFailed;
    packet = object.get();
    node.proxy = std::make_unique<DBObjectProxyImpObject>(std::move(object));
    return TG3Status::ok;
}

std::int32_t PacketDatabase::find(const PacketHeader& key, Packet*& packet) {
    packet = nullptr;
    DBObject* match = nullptr;
    for (auto& node : nodes_) {
        if (!node.header.matches(key)) continue;
        if (match) return TG3Status::ok;  // ambiguous: the caller sees no packet
        match = &node;
    }
    return match ? materialise(*match, packet) : TG3Status::ok;
}

std::int32_t PacketDatabase::findAll(const PacketHeader& key, std::vector<Packet*>& packets) {
    for (auto& node : nodes_) {
        if (!node.header.matches(key)) continue;
        Packet* packet = nullptr;
        const std::int32_t status = materialise(node, packet);
        if (status != 0) return status;
        packets.push_back(packet);
    }
    return TG3Status::ok;
}

void PacketDatabase::dump(std::ostream& out) const {
    out << "version: " << version_.text() << "\n";
    for (const auto& node : nodes_) node.dump(out);
}

}  // namespace Corvane
