#include "tg3/planeset/tg3_lengthRecord.h"

#include "support/cv_status.h"

namespace Corvane {

std::uint64_t maxLengthRecordValue(std::uint8_t versionMinor) {
    return versionMinor == 0 ? (std::uint64_t{1} << 27) - 1 : (std::uint64_t{1} << 54) - 1;
}

std::int32_t readLengthRecord(KernelStream& stream, std::uint8_t versionMinor,
                              LengthRecord& record) {
    std::uint8_t byte = 0;
    if (readU8(stream, byte) != 0) return TG3Status::readFailed;
    record.coded = (byte & 0x80) != 0;
    record.raw = (byte & 0x40) != 0;
    record.value = byte & 0x1F;
    bool more = (byte & 0x20) != 0;
    int shift = 5;
    const int maxBytes = versionMinor == 0 ? 4 : 8;
    for (int count = 1; more; ++count) {
        if (count == maxBytes) return TG3Status::readFailed;  // still "more" after the last
        if (readU8(stream, byte) != 0) return TG3Status::readFailed;
        if (versionMinor == 0 && count == 3) {
            // The fourth byte of the old format gives eight value bits and ends the record.
            record.value |= std::uint64_t{byte} << shift;
            more = false;
        } else {
            record.value |= std::uint64_t{byte & 0x7Fu} << shift;
            more = (byte & 0x80) != 0;
            shift += 7;
        }
    }
    if (!record.coded && (record.value == 0 || record.raw)) return TG3Status::readFailed;
    return TG3Status::ok;
}

std::int32_t writeLengthRecord(KernelStream& stream, std::uint8_t versionMinor,
                               const LengthRecord& record) {
    if (record.value > maxLengthRecordValue(versionMinor)) return TG3Status::writeFailed;
    std::uint8_t bytes[8];
    int count = 0;
    std::uint64_t rest = record.value >> 5;
    bytes[count++] = static_cast<std::uint8_t>((record.coded ? 0x80 : 0) | (record.raw ? 0x40 : 0) |
                                               (rest ? 0x20 : 0) | (record.value & 0x1F));
    while (rest) {
        if (versionMinor == 0 && count == 3) {
            bytes[count++] = static_cast<std::uint8_t>(rest);
            break;
        }
        const std::uint64_t next = rest >> 7;
        bytes[count++] = static_cast<std::uint8_t>((rest & 0x7F) | (next ? 0x80 : 0));
        rest = next;
    }
    return stream.write(bytes, static_cast<std::uint32_t>(count)) ==
                   static_cast<std::uint32_t>(count)
               ? TG3Status::ok
               : TG3Status::writeFailed;
}

}  // namespace Corvane
