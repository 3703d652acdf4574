#include "tg3/header/tg3_headerPacket.h"

#include "support/cv_exception.h"
#include "support/cv_status.h"

namespace Corvane {

namespace {

class HeaderPacketReader : public PacketReader {
  public:
    explicit HeaderPacketReader(HeaderPacket& packet) : packet_(packet) {}

    std::int32_t read(KernelStream& stream, std::uint64_t) override {
        std::uint64_t flags = 0;
        if (readU64(stream, flags) != 0) return TG3Status::readFailed;
        if (flags & HeaderFlags::refused) return TG3Status::malformed;
        const PacketHeader& header = packet_.header();
        if (header.versionMajor != 0 || header.versionMinor != 0) return TG3Status::readFailed;

        TG3ImageInfo info;
        std::uint8_t domainBits = 0, colorIn = 0, colorWavelet = 0, transform = 0, kernel = 0,
                     coder = 0;
        std::uint32_t boundary = 0, rangeMin = 0, rangeMax = 0;
        if (readU32(stream, info.width) != 0 || readU32(stream, info.height) != 0 ||
            readU8(stream, info.levels) != 0 || readU16(stream, info.components) != 0 ||
            readU8(stream, info.planes) != 0 || readU16(stream, info.subblockSize) != 0 ||
            readU8(stream, domainBits) != 0 || readU32(stream, rangeMin) != 0 ||
            readU32(stream, rangeMax) != 0 || readU8(stream, colorIn) != 0 ||
            readU8(stream, colorWavelet) != 0 || readU8(stream, transform) != 0 ||
            readU32(stream, boundary) != 0 || readU8(stream, kernel) != 0 ||
            readU8(stream, coder) != 0) {
            return TG3Status::readFailed;
        }
        info.dataType = dataTypeOfDomainBits(domainBits);
        if (info.dataType == dataTypeNone) return TG3Status::readFailed;
        if (coder == 0 || coder > 5) return TG3Status::readFailed;
        // A sub-block size of 0 leaves the sub-block grid undefined.
        if (info.subblockSize == 0) return TG3Status::malformed;

        info.imageNumber = header.imageNumber;
        info.domainBits = domainBits;
        info.dynamicRangeMin = static_cast<std::int32_t>(rangeMin);
        info.dynamicRangeMax = static_cast<std::int32_t>(rangeMax);
        info.inputColorSpace = static_cast<TG3ColorSpace>(colorIn);
        info.waveletColorSpace = static_cast<TG3ColorSpace>(colorWavelet);
        info.colorTransform = static_cast<TG3ColorTransform>(transform);
        info.boundary = static_cast<TG3Boundary>(boundary);
        info.kernel = static_cast<TG3Kernel>(kernel);
        info.coderType = static_cast<TG3CoderType>(coder);
        info.buildBandTable();
        if (!info.subblockGridFits()) return TG3Status::malformed;

        if (flags & HeaderFlags::hasVirtualImageProps) {
            std::uint32_t values[4];
            for (auto& value : values) {
                if (readU32(stream, value) != 0) return TG3Status::readFailed;
            }
            if (readU8(stream, info.levelsRemoved) != 0) return TG3Status::readFailed;
            info.support = {
                static_cast<std::int32_t>(values[0]), static_cast<std::int32_t>(values[1]),
                static_cast<std::int32_t>(values[2]), static_cast<std::int32_t>(values[3])};
            info.hasVirtualSupport = 1;
        }
        info.hasMSEs = (flags & HeaderFlags::hasMSEs) ? 1 : 0;
        info.reserved1 = (flags & (0x38ull)) ? 1 : 0;
        info.reserved2 = (flags & (1ull << 16)) ? 1 : 0;
        if (flags & HeaderFlags::hasShift) return TG3Status::malformed;

        packet_.info = std::move(info);
        packet_.bitflags = flags;
        packet_.shift = 0;
        return TG3Status::ok;
    }

  private:
    HeaderPacket& packet_;
};

class HeaderPacketWriter : public PacketWriter {
  public:
    explicit HeaderPacketWriter(HeaderPacket& packet) : packet_(packet) {}

    std::int32_t write(KernelStream& stream) override {
        if (packet_.shift != 0) throw UnimplementedException("tg3_headerPacketWriter");
        const TG3ImageInfo& info = packet_.info;
        std::uint64_t flags = packet_.bitflags;
        if (info.hasMSEs) flags |= HeaderFlags::hasMSEs;
        const bool ok =
            writeU64(stream, flags) == 0 && writeU32(stream, info.width) == 0 &&
            writeU32(stream, info.height) == 0 && writeU8(stream, info.levels) == 0 &&
            writeU16(stream, info.components) == 0 && writeU8(stream, info.planes) == 0 &&
            writeU16(stream, info.subblockSize) == 0 &&
            writeU8(stream, static_cast<std::uint8_t>(info.effectiveDomainBits())) == 0 &&
            writeU32(stream, static_cast<std::uint32_t>(info.dynamicRangeMin)) == 0 &&
            writeU32(stream, static_cast<std::uint32_t>(info.dynamicRangeMax)) == 0 &&
            writeU8(stream, static_cast<std::uint8_t>(info.inputColorSpace)) == 0 &&
            writeU8(stream, static_cast<std::uint8_t>(info.waveletColorSpace)) == 0 &&
            writeU8(stream, static_cast<std::uint8_t>(info.colorTransform)) == 0 &&
            writeU32(stream, info.boundary) == 0 &&
            writeU8(stream, static_cast<std::uint8_t>(info.kernel)) == 0 &&
            writeU8(stream, static_cast<std::uint8_t>(info.coderType)) == 0;
        if (!ok) return TG3Status::writeFailed;
        if (flags & HeaderFlags::hasVirtualImageProps) {
            const TG3Support& s = info.support;
            for (std::int32_t value : {s.xLeft, s.yTop, s.xRight, s.yBottom}) {
                if (writeU32(stream, static_cast<std::uint32_t>(value)) != 0) {
                    return TG3Status::writeFailed;
                }
            }
            if (writeU8(stream, info.levelsRemoved) != 0) return TG3Status::writeFailed;
        }
        return TG3Status::ok;
    }

  private:
    HeaderPacket& packet_;
};

const char* onOff(bool value) {
    return value ? "true" : "false";
}

}  // namespace

bool HeaderPacket::equals(const Packet& other) const {
    const auto* header = dynamic_cast<const HeaderPacket*>(&other);
    return header && header->header().type == packetTypeHeader && header->bitflags == bitflags &&
           header->info == info;
}

void HeaderPacket::dump(std::ostream& out) const {
    header().dump(out);
    out << "JPEGgable: " << int{info.jpegable} << "\n"
        << "width: " << info.width << "\n"
        << "height: " << info.height << "\n"
        << "subblock_size: " << info.subblockSize << "\n"
        << "num_components: " << info.components << "\n"
        << "num_levels: " << int{info.levels} << "\n"
        << "num_planes: " << int{info.planes} << "\n"
        << "domain_bits: " << int{info.domainBits} << "\n"
        << "dynamic_range_min: " << info.dynamicRangeMin << "\n"
        << "dynamic_range_max: " << info.dynamicRangeMax << "\n"
        << "input_colorspace: " << colorSpaceText(info.inputColorSpace) << "\n"
        << "wavelet_colorspace: " << colorSpaceText(info.waveletColorSpace) << "\n"
        << "color_transform: " << colorTransformText(info.colorTransform) << "\n"
        << "kernel_type: " << kernelText(info.kernel) << "\n"
        << "subblock_subtype: " << info.subblockSubtype << "\n"
        << "bac_type: " << coderTypeText(info.coderType) << "\n"
        << "boundary_conditions: " << boundaryText(info.boundary) << "\n"
        << "bitflags: " << bitflags << "\n"
        << "has_MSEs: " << onOff(hasMSEs()) << "\n"
        << "use_rectangular_subblocks: " << onOff(bitflags & (1ull << 6)) << "\n"
        << "use_varying_band_types: " << onOff(bitflags & (1ull << 8)) << "\n"
        << "use_varying_band_sizes: " << onOff(bitflags & (1ull << 9)) << "\n"
        << "use_varying_band_clamps: " << onOff(bitflags & (1ull << 10)) << "\n"
        << "has_VirtualImageProps: " << onOff(hasVirtualSupport()) << "\n";
    if (hasVirtualSupport()) {
        out << "virtual support x left: " << info.support.xLeft << "\n"
            << "virtual support y top: " << info.support.yTop << "\n"
            << "virtual support x right: " << info.support.xRight << "\n"
            << "virtual support y bottom: " << info.support.yBottom << "\n"
            << "virtual number of levels: " << info.levels - info.levelsRemoved << "\n"
            << "number of levels removed: " << int{info.levelsRemoved} << "\n";
    }
    out << "shift: " << int{shift} << "\n";
}

std::unique_ptr<Packet> HeaderPacketKind::newPacket(const PacketHeader& header) const {
    return std::make_unique<HeaderPacket>(header);
}
std::unique_ptr<PacketReader> HeaderPacketKind::newReader(Packet& packet) const {
    auto* header = dynamic_cast<HeaderPacket*>(&packet);
    return header ? std::make_unique<HeaderPacketReader>(*header) : nullptr;
}
std::unique_ptr<PacketWriter> HeaderPacketKind::newWriter(Packet& packet) const {
    auto* header = dynamic_cast<HeaderPacket*>(&packet);
    return header ? std::make_unique<HeaderPacketWriter>(*header) : nullptr;
}

HeaderPacket makeHeaderPacket(const TG3ImageInfo& info) {
    PacketHeader header;
    header.type = packetTypeHeader;
    header.imageNumber = info.imageNumber;
    HeaderPacket packet(header);
    packet.info = info;
    packet.bitflags = HeaderFlags::writerMark;
    if (info.hasMSEs) packet.bitflags |= HeaderFlags::hasMSEs;
    if (info.hasVirtualSupport) packet.bitflags |= HeaderFlags::hasVirtualImageProps;
    return packet;
}

}  // namespace Corvane
