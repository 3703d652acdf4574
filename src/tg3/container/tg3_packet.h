#pragma once
// What the container knows of a packet: the packet object, the reader and writer of its
// payload, and the kind that ties a packet type to them, so that a new packet type
// plugs into the database without changing it.
#include <cstdint>
#include <memory>

#include "tg3/container/tg3_kernelStream.h"
#include "tg3/container/tg3_packetHeader.h"

namespace Corvane {

// A materialised packet: its header plus what its kind's reader made of the payload.
class Packet {
  public:
    explicit Packet(const PacketHeader& header) : header_(header) {}
    virtual ~Packet() = default;

    bool compareHeaders(const PacketHeader& other) const { return header_.matches(other); }
    virtual std::unique_ptr<Packet> clone() const = 0;
    virtual bool hasChildPackets() const { return false; }
    virtual bool equals(const Packet& other) const = 0;

    const PacketHeader& header() const { return header_; }
    PacketHeader& header() { return header_; }

  private:
    PacketHeader header_;
};

class PacketReader {
  public:
    virtual ~PacketReader() = default;
    virtual std::int32_t read(KernelStream& stream, std::uint64_t payloadLength) = 0;
};

class PacketWriter {
  public:
    virtual ~PacketWriter() = default;
    virtual std::int32_t write(KernelStream& stream) = 0;
};

// Describes one packet type to the container: which headers it takes, and how to make
// packet objects, readers and writers for them.
class PacketKind {
  public:
    explicit PacketKind(std::uint32_t type) : key_(PacketHeader::key(type)) {}
    virtual ~PacketKind() = default;

    bool matches(const PacketHeader& header) const { return key_.matches(header); }
    virtual std::unique_ptr<Packet> newPacket(const PacketHeader& header) const = 0;
    virtual std::unique_ptr<PacketReader> newReader(Packet& packet) const = 0;
    virtual std::unique_ptr<PacketWriter> newWriter(Packet& packet) const = 0;

  private:
    PacketHeader key_;
};

// Writes a whole packet: its header with the length placeholder, the payload through the
// writer, then the real payload length patched in place.
std::int32_t writePacket(KernelStream& stream, const PacketHeader& header, PacketWriter& writer);

}  // namespace Corvane
