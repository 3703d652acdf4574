#include "metadata/cv_TG2MetadataDatabase.h"

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

}  // namespace

bool locateTG2MetadataBlock(CVStream& stream) {
    try {
        std::int32_t levels = 0;
        if (!stream.seekTo(11) || !readValue(stream, levels)) return false;
        const std::int64_t table = 12 * static_cast<std::int64_t>(levels) + 27;
        if (table < 0 || !stream.seekTo(table) || !readMarker(stream, 0xD0)) return false;
        std::int32_t offset = 0;
        if (!readValue(stream, offset) || offset < 0) return false;
        if (!stream.seekTo(offset) || !readMarker(stream, 0xD1)) return false;
        return true;
    } catch (const Exception&) {
        return false;
    }
}

TG2MetadataDatabase::TG2MetadataDatabase(CVStream* stream) {
    if (!stream) throw IOException(9);
    if (!stream->isOpen() && !stream->reopen("r", 0)) throw IOException(8);
    stream->setByteSwap(true);
    if (!locateTG2MetadataBlock(*stream)) return;
    TG3ClassicalMetadata metadata;
    const std::int32_t result = metadata.read(*stream);
    stream->close();
    if (result >= 0) importTagTable(metadata.table(), *this);
}

}  // namespace Corvane
