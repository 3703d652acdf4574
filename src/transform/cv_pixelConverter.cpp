#include "transform/cv_pixelConverter.h"

#include <cstring>
#include <limits>
#include <vector>

#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

namespace Corvane {

namespace {

[[noreturn]] void bufferMismatch() {
    throw Exception(getMessageText(kBufferPropertiesMismatch));
}

bool isIndexType(std::uint32_t dataType) {
    return dataType == SampleUInt8 || dataType == SampleUInt16 || dataType == SampleInt32;
}

// Rows must hold their pixels and every band must sit inside its pixel.
void checkRaster(const PixelRaster& raster) {
    const PixelDescription& d = raster.description;
    if (raster.width < 0 || raster.height < 0 || d.bytesPerSample() == 0 ||
        d.samplesPerPixel == 0 || d.bandCount < 0 ||
        d.bandMap.size() < static_cast<std::size_t>(d.bandCount) ||
        raster.rowStride < raster.minimumRowBytes())
        bufferMismatch();
    for (std::int32_t b = 0; b < d.bandCount; ++b)
        if (d.bandMap[static_cast<std::size_t>(b)] >= d.samplesPerPixel) bufferMismatch();
}

// A table serves a buffer of integer indices with its own colour scheme and bands.
void checkTableFits(const PixelLookupTable& table, const PixelRaster& buffer) {
    const PixelDescription& t = table.description;
    const std::size_t needed =
        static_cast<std::size_t>(table.entryCount > 0 ? table.entryCount : 0) *
        static_cast<std::size_t>(t.bandCount > 0 ? t.bandCount : 0) * t.bytesPerSample();
    if (!isIndexType(buffer.description.dataType) || t.scheme != buffer.description.scheme ||
        t.bandCount != buffer.description.bandCount || t.bandCount < 1 || table.entryCount < 1 ||
        t.bytesPerSample() == 0 || table.values.size() < needed)
        throw InvalidArgumentException(getMessageText(kRasterIncompatibleWithLut));
}

const std::uint8_t* pixelAt(const PixelRaster& r, std::int32_t x, std::int32_t y) {
    const auto* base = static_cast<const std::uint8_t*>(r.data);
    return base + static_cast<std::size_t>(y) * r.rowStride +
           static_cast<std::size_t>(x) * r.description.samplesPerPixel *
               r.description.bytesPerSample();
}

std::uint32_t readIndex(const std::uint8_t* at, std::uint32_t dataType) {
    switch (dataType) {
        case SampleUInt8:
            return *at;
        case SampleUInt16: {
            std::uint16_t v;
            std::memcpy(&v, at, 2);
            return v;
        }
        default: {
            std::uint32_t v;
            std::memcpy(&v, at, 4);
            return v;
        }
    }
}

void writeIndex(std::uint8_t* at, std::uint32_t dataType, std::uint32_t index) {
    switch (dataType) {
        case SampleUInt8:
            *at = static_cast<std::uint8_t>(index);
            break;
        case SampleUInt16: {
            const auto v = static_cast<std::uint16_t>(index);
            std::memcpy(at, &v, 2);
            break;
        }
        default:
            std::memcpy(at, &index, 4);
            break;
    }
}

// A raster of the same size in the table's description, interleaved, owning storage.
PixelRaster stagingRaster(const PixelRaster& like, const PixelLookupTable& table,
                          std::vector<std::uint8_t>& storage) {
    PixelRaster r;
    r.description = PixelDescription::interleaved(
        table.description.scheme, table.description.bandCount, table.description.dataType);
    r.description.bitsPerSample = table.description.bitsPerSample;
    r.description.hasValueRange = table.description.hasValueRange;
    r.description.minValue = table.description.minValue;
    r.description.maxValue = table.description.maxValue;
    r.width = like.width;
    r.height = like.height;
    r.rowStride = r.minimumRowBytes();
    storage.assign(r.rowStride * static_cast<std::size_t>(r.height), 0);
    r.data = storage.data();
    return r;
}

// Replaces each source index by the table's value for its band.
PixelRaster expandThroughTable(const PixelRaster& source, const PixelLookupTable& table,
                               std::vector<std::uint8_t>& storage) {
    PixelRaster out = stagingRaster(source, table, storage);
    const std::uint32_t indexBytes = source.description.bytesPerSample();
    const std::uint32_t valueBytes = table.description.bytesPerSample();
    const auto bands = static_cast<std::size_t>(table.description.bandCount);
    const auto last = static_cast<std::uint32_t>(table.entryCount - 1);
    for (std::int32_t y = 0; y < source.height; ++y)
        for (std::int32_t x = 0; x < source.width; ++x) {
            const std::uint8_t* in = pixelAt(source, x, y);
            auto* target = const_cast<std::uint8_t*>(pixelAt(out, x, y));
            for (std::size_t b = 0; b < bands; ++b) {
                std::uint32_t index = readIndex(in + source.description.bandMap[b] * indexBytes,
                                                source.description.dataType);
                if (index > last) index = last;
                std::memcpy(target + b * valueBytes,
                            table.values.data() + (index * bands + b) * valueBytes, valueBytes);
            }
        }
    return out;
}

// Writes for each staged 8-bit value the index of the nearest table entry of its band
// (the lowest index on a tie) into the destination buffer.
void storeThroughTable(const PixelRaster& staged, const PixelLookupTable& table,
                       const PixelRaster& destination) {
    const auto bands = static_cast<std::size_t>(table.description.bandCount);
    std::vector<std::uint32_t> nearest(bands * 256);
    for (std::size_t b = 0; b < bands; ++b)
        for (std::uint32_t value = 0; value < 256; ++value) {
            std::uint32_t best = 0;
            int bestDistance = std::numeric_limits<int>::max();
            for (std::int32_t e = 0; e < table.entryCount; ++e) {
                const int entry = table.values[static_cast<std::size_t>(e) * bands + b];
                const int distance = entry > int(value) ? entry - int(value) : int(value) - entry;
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = static_cast<std::uint32_t>(e);
                }
            }
            nearest[b * 256 + value] = best;
        }
    const std::uint32_t indexBytes = destination.description.bytesPerSample();
    for (std::int32_t y = 0; y < staged.height; ++y)
        for (std::int32_t x = 0; x < staged.width; ++x) {
            const std::uint8_t* in = pixelAt(staged, x, y);
            auto* out = const_cast<std::uint8_t*>(pixelAt(destination, x, y));
            for (std::size_t b = 0; b < bands; ++b)
                writeIndex(out + destination.description.bandMap[b] * indexBytes,
                           destination.description.dataType, nearest[b * 256 + in[b]]);
        }
}

}  // namespace

void PixelConverter::setDestinationBuffer(const PixelRaster& buffer) {
    destination_ = buffer;
}
void PixelConverter::setDestinationLookupTable(const PixelLookupTable& table) {
    destinationTable_ = table;
}
void PixelConverter::setSourceBuffer(const PixelRaster& buffer) {
    source_ = buffer;
}
void PixelConverter::setSourceLookupTable(const PixelLookupTable& table) {
    sourceTable_ = table;
}
void PixelConverter::setSourceWindowWidth(float width) {
    windows_.sourceWidth = width;
}
void PixelConverter::setSourceWindowCentre(float centre) {
    windows_.sourceCentre = centre;
}
void PixelConverter::setDestinationWindowWidth(float width) {
    windows_.destinationWidth = width;
}
void PixelConverter::setDestinationWindowCentre(float centre) {
    windows_.destinationCentre = centre;
}

void PixelConverter::convert() {
    if (!source_ || !destination_ || !source_->data || !destination_->data)
        throw NullPointerException();
    if (sourceTable_) checkTableFits(*sourceTable_, *source_);
    if (destinationTable_) checkTableFits(*destinationTable_, *destination_);
    checkRaster(*source_);
    checkRaster(*destination_);
    if (destination_->width < source_->width || destination_->height < source_->height)
        bufferMismatch();

    // A side with a table is bound, and converted, in the table's description.
    std::vector<std::uint8_t> sourceStorage;
    std::vector<std::uint8_t> destinationStorage;
    const PixelRaster destination =
        destinationTable_ ? stagingRaster(*source_, *destinationTable_, destinationStorage)
                          : *destination_;
    const PixelRaster source =
        sourceTable_ ? expandThroughTable(*source_, *sourceTable_, sourceStorage) : *source_;
    bind(destination.description, source.description);
    applyWindows(windows_);
    convertPixels(destination, source);
    if (destinationTable_) storeThroughTable(destination, *destinationTable_, *destination_);
}

}  // namespace Corvane
