#pragma once
// The header in front of every TG3 packet: its fields, how a header matches a search
// key, and reading and writing it, with the payload length patched in once the
// payload is written.
#include <cstdint>
#include <ostream>

#include "tg3/container/tg3_kernelStream.h"

namespace Corvane {

enum TG3PacketType : std::uint32_t {
    packetTypeGeneric = 0,
    packetTypeHeader = 1,
    packetTypeMetadata = 2,
    packetTypeIndex = 3,
    packetTypePlaneset = 4,
    packetTypeReserved = 5,
    packetTypeContents = 6,
    packetTypeTG2Image = 7,
};

// Name of a packet type as dumps show it; "" for types without a name.
const char* packetTypeName(std::uint32_t type);

constexpr std::uint32_t anyValue32 = 0xFFFFFFFFu;
constexpr std::uint8_t anyValue8 = 0xFF;
// A payload length of all ones: the payload runs to the end of the file.
constexpr std::uint64_t lengthToEnd = ~std::uint64_t{0};

struct PacketHeader {
    std::uint32_t type = 0;
    std::uint8_t versionMajor = 0;
    std::uint8_t versionMinor = 0;
    std::uint32_t subType = 0;
    std::uint32_t subSubType = 0;
    std::uint32_t imageNumber = 0;
    std::uint32_t sequenceNumber = 0;
    bool hasHeaderOffset = false;
    std::int64_t headerOffset = 0;
    std::int64_t headerLength = 0;

    // A search key: the given type, every other field "any value".
    static PacketHeader key(std::uint32_t type);
    // Two headers match when type, subType, subSubType and imageNumber are each equal or
    // "any value" on either side; versions and sequence numbers take no part.
    bool matches(const PacketHeader& other) const;
    bool operator==(const PacketHeader&) const = default;

    void dump(std::ostream& out) const;
};

// Reads a packet header at the current position. On reserved bits in byte 0 the header is
// read completely and 2006 is returned; other failures are 2001.
std::int32_t readPacketHeader(KernelStream& stream, PacketHeader& header,
                              std::uint64_t& payloadLength);

// The size of a header as writers lay it out (with the 8-byte payload length).
std::int64_t canonicalHeaderSize(const PacketHeader& header);

// Writes a header with the smallest qualifier widths and the 8-byte length placeholder
// 0x00000000FFFFFFFF; lengthPosition receives where the length field lies.
std::int32_t writePacketHeader(KernelStream& stream, const PacketHeader& header,
                               std::int64_t& lengthPosition);

// Overwrites the length placeholder at lengthPosition and returns to the current position.
std::int32_t patchPayloadLength(KernelStream& stream, std::int64_t lengthPosition,
                                std::uint64_t payloadLength);

}  // namespace Corvane
