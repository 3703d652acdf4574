#pragma once
// The index of every packet of a TG3 file, built in one pass at open. Payloads stay in
// the stream until a look-up asks for them; then they are read through their kind and
// kept.
#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

#include "tg3/container/tg3_fileHeader.h"
#include "tg3/container/tg3_packet.h"

namespace Corvane {

// What a database node holds for its packet's contents.
class DBObjectProxy {
  public:
    virtual ~DBObjectProxy() = default;
    virtual void dump(std::ostream& out) const = 0;
};

// The payload still lies in the stream, unread.
class DBObjectProxyImpStream : public DBObjectProxy {
  public:
    DBObjectProxyImpStream(KernelStream& stream, std::int64_t offset, std::uint64_t length)
        : stream_(stream), offset_(offset), length_(length) {}
    void dump(std::ostream& out) const override;

    KernelStream& stream() const { return stream_; }
    std::int64_t offset() const { return offset_; }
    std::uint64_t length() const { return length_; }

  private:
    KernelStream& stream_;
    std::int64_t offset_;
    std::uint64_t length_;
};

// The payload has been read into a packet object, owned here.
class DBObjectProxyImpObject : public DBObjectProxy {
  public:
    explicit DBObjectProxyImpObject(std::unique_ptr<Packet> packet) : packet_(std::move(packet)) {}
    void dump(std::ostream& out) const override;
    Packet* packet() const { return packet_.get(); }

  private:
    std::unique_ptr<Packet> packet_;
};

// One packet of the file, in file order.
struct DBObject {
    PacketHeader header;
    std::unique_ptr<DBObjectProxy> proxy;
    bool hasParent = false;
    std::uint32_t numChildren = 0;

    void dump(std::ostream& out) const;
};

// The index of every packet of a file, with the kinds that can read them.
class PacketDatabase {
  public:
    // Reads the file header, then indexes every packet up to the end of the stream.
    std::int32_t read(KernelStream& stream);
    std::int32_t registerKind(std::unique_ptr<PacketKind> kind);

    // The packet of the one node matching the key, materialised; null when none or
    // several match (status 0 then).
    std::int32_t find(const PacketHeader& key, Packet*& packet);
    // Every matching packet, in file order, appended to the list.
    std::int32_t findAll(const PacketHeader& key, std::vector<Packet*>& packets);

    PacketHeader newHeader() const { return PacketHeader::key(0); }
    const FileVersion& version() const { return version_; }
    const std::vector<DBObject>& nodes() const { return nodes_; }
    void dump(std::ostream& out) const;

  private:
    const PacketKind* kindFor(const PacketHeader& header) const;
    std::int32_t materialise(DBObject& node, Packet*& packet);

    FileVersion version_;
    std::vector<std::unique_ptr<PacketKind>> kinds_;
    std::vector<DBObject> nodes_;
};

}  // namespace Corvane
