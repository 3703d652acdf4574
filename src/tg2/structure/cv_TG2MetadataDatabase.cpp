#include "tg2/structure/cv_TG2MetadataDatabase.h"

#include <cstdint>

#include "metadata/cv_TG3ClassicalMetadata.h"
#include "metadata/cv_classicalImport.h"
#include "stream/cv_streamFunctions.h"
#include "support/cv_exception.h"

namespace Corvane {

namespace {

bool readMarker(CVStream& stream, std::uint8_t second) {
    std::uint8_t bytes[2] = {};
    return stream.read(bytes, 2) && bytes[0] == 0xFF && bytes[1] == second;
}

// Buffered file streams below 2 GiB only seek with 32-bit offsets; larger streams
// take the 64-bit form.
bool seekFromStart(CVStream& stream, std::int64_t offset) {
    if (stream.canSeek64()) return stream.seekTo(offset, SeekFromStart);
    if (offset < 0 || offset > INT32_MAX) return false;
    return stream.seek(static_cast<std::int32_t>(offset), SeekFromStart);
}

}  // namespace

TG2MetadataLocation locateTG2MetadataBlock(CVStream& stream) {
    try {
        std::int32_t levels = 0;
        if (!seekFromStart(stream, 11) || !readValue(stream, levels))
            return TG2MetadataLocation::NoPointer;
        const std::int64_t table = 12 * static_cast<std::int64_t>(levels) + 27;
        if (table < 0 || !seekFromStart(stream, table) || !readMarker(stream, 0xD0))
            return TG2MetadataLocation::NoPointer;
        std::int32_t offset = 0;
        if (!readValue(stream, offset)) return TG2MetadataLocation::NoPointer;
        if (offset < 0 || !seekFromStart(stream, offset) || !readMarker(stream, 0xD1))
            return TG2MetadataLocation::Unreachable;
        return TG2MetadataLocation::Found;
    } catch (const Exception&) {
        return TG2MetadataLocation::NoPointer;
    }
}

TG2MetadataDatabase::TG2MetadataDatabase(CVStream* stream) {
    if (!stream) throw IOException(9);
    // A closed stream is opened again on its own path with its own mode.
    if (!stream->isOpen() && !stream->reopen(nullptr, 0)) throw IOException(8);
    stream->setByteSwap(true);
    const TG2MetadataLocation location = locateTG2MetadataBlock(*stream);
    incomplete_ = location == TG2MetadataLocation::Unreachable;
    if (location != TG2MetadataLocation::Found) return;
    TG3ClassicalMetadata metadata;
    const std::int32_t result = metadata.read(*stream);
    stream->close();
    if (result >= 0)
        importTagTable(metadata.table(), *this);
    else
        incomplete_ = true;
}

}  // namespace Corvane
