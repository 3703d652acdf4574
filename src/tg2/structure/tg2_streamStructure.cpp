#include "tg2/structure/tg2_streamStructure.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "stream/cv_streamFunctions.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

namespace Corvane {

namespace {

constexpr std::uint64_t kHeaderSize = 23;
constexpr std::uint64_t kChunkHeadSize = 8;
constexpr std::uint64_t kBandSegmentHeadSize = 18;    // marker and 16 code counts
constexpr std::uint64_t kBandSegmentFieldsSize = 12;  // step, sub-block width and height
// A grid much larger than its block count only comes from a damaged file.
constexpr std::uint64_t kGridCellsPerBlock = 16;

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
    return (static_cast<std::uint32_t>(bytes[0]) << 24) |
           (static_cast<std::uint32_t>(bytes[1]) << 16) |
           (static_cast<std::uint32_t>(bytes[2]) << 8) | static_cast<std::uint32_t>(bytes[3]);
}

void readBytes(CVStream& stream, void* buffer, std::uint64_t count) {
    if (count > std::numeric_limits<std::uint32_t>::max() ||
        !stream.read(buffer, static_cast<std::uint32_t>(count)))
        throwStreamReadError();
}

void requireMarker(CVStream& stream, std::uint8_t second) {
    std::uint8_t marker[2] = {};
    readBytes(stream, marker, 2);
    if (marker[0] != 0xFF || marker[1] != second) throw Exception(kMarkerProblem);
}

[[noreturn]] void throwNegativeDimension() {
    throw GeometryException(getMessageText(kNegativeDimensions));
}

[[noreturn]] void throwCorrupt() {
    throw DataFormatException(g_decompressErrorText);
}

std::uint64_t ceilDivide(std::uint64_t a, std::uint64_t b) {
    return (a + b - 1) / b;
}

// The distinct values, sorted.
void sortUnique(std::vector<std::uint64_t>& values) {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
}

std::uint64_t largestGap(const std::vector<std::uint64_t>& starts) {
    std::uint64_t largest = 0;
    for (std::size_t i = 1; i < starts.size(); ++i)
        largest = std::max(largest, starts[i] - starts[i - 1]);
    return largest;
}

}  // namespace

std::unique_ptr<CVStream> TG2StreamStructure::duplicateForStructure(CVStream& original) {
    const bool wasOpen = original.isOpen();
    original.close();
    std::unique_ptr<CVStream> copy = original.duplicate(nullptr, 0);
    if (wasOpen) original.reopen(nullptr, 0);
    if (!copy) throw IOException(IoOpen);
    return copy;
}

TG2StreamStructure::TG2StreamStructure(std::unique_ptr<CVStream> stream, bool keepOpen,
                                       bool cacheBlocks)
    : stream_(std::move(stream)), keepOpen_(keepOpen), cacheBlocks_(cacheBlocks) {
    if (!stream_) throw NullPointerException();
    if (!stream_->canSeek() || !stream_->isConcrete() || !stream_->isReopenable())
        throw IOException();
    ensureOpen();

    if (!stream_->seek(0, SeekFromEnd)) throw IOException(IoRead);
    const std::int64_t size = stream_->position();
    if (size < 0) throw IOException(IoRead);
    fileSize_ = static_cast<std::uint64_t>(size);

    readHeader();
    readChunkHeads();
    grids_.resize(chunks_.size());
    for (std::uint32_t i = 0; i < chunks_.size(); ++i) buildGrid(i);
    knownOffsets_.push_back(fileSize_);
    sortUnique(knownOffsets_);

    if (!keepOpen_) closeStream();
}

void TG2StreamStructure::readHeader() {
    seekTo(0);
    char magic[4] = {};
    if (fileSize_ < 4) throw Exception(kNotATovexImage);
    readBytes(*stream_, magic, 4);
    if (std::memcmp(magic, "tovx", 4) != 0) throw Exception(kNotATovexImage);

    readBytes(*stream_, version_.data(), 3);
    if (version_[0] >= 2 || (version_[0] == 1 && version_[1] != 0))
        throw UnsupportedVersionException(getMessageText(kNewerImage));

    *stream_ >> bandCount_ >> levelCount_ >> width_ >> height_;
}

void TG2StreamStructure::readChunkHeads() {
    const std::uint64_t subbands = 3 * static_cast<std::uint64_t>(levelCount_) + 1;
    requireInFile(kHeaderSize, 4 * subbands);
    chunks_.resize(subbands);
    const std::uint64_t recordSize = 4 * static_cast<std::uint64_t>(bandCount_) + 16;
    for (std::uint64_t i = 0; i < subbands; ++i) {
        TG2SubbandChunk& chunk = chunks_[i];
        seekTo(kHeaderSize + 4 * i);
        *stream_ >> chunk.offset;
        seekTo(chunk.offset);
        requireMarker(*stream_, 0xAC);
        *stream_ >> chunk.ditherColumn >> chunk.ditherRow >> chunk.blockCount;
        requireInFile(chunk.offset + kChunkHeadSize, recordSize * chunk.blockCount);
        knownOffsets_.push_back(chunk.offset);
    }

    // The metadata block is optional for the image data; its offset only
    // bounds how far sub-block data can reach.
    const std::uint64_t pointer = kHeaderSize + 4 * subbands;
    if (pointer + 6 <= fileSize_) {
        seekTo(pointer);
        std::uint8_t marker[2] = {};
        readBytes(*stream_, marker, 2);
        std::uint32_t offset = 0;
        *stream_ >> offset;
        if (marker[0] == 0xFF && marker[1] == 0xD0) {
            metadataOffset_ = offset;
            knownOffsets_.push_back(offset);
        }
    }
}

void TG2StreamStructure::buildGrid(std::uint32_t subband) {
    const TG2SubbandChunk& chunk = chunks_[subband];
    const std::uint64_t recordSize = 4 * static_cast<std::uint64_t>(bandCount_) + 16;
    std::vector<std::uint8_t> records(recordSize * chunk.blockCount);
    seekTo(chunk.offset + kChunkHeadSize);
    readBytes(*stream_, records.data(), records.size());

    TG2BlockGrid& grid = grids_[subband];
    grid.columnStarts.assign(1, 0);
    grid.rowStarts.assign(1, 0);
    std::vector<std::uint64_t> firstColumns(chunk.blockCount);
    std::vector<std::uint64_t> firstRows(chunk.blockCount);
    for (std::uint32_t k = 0; k < chunk.blockCount; ++k) {
        const std::uint8_t* record = records.data() + k * recordSize;
        for (std::uint32_t b = 0; b < bandCount_; ++b) {
            const std::uint32_t offset = bigEndian32(record + 4 * b);
            if (offset != 0) knownOffsets_.push_back(offset);
        }
        const std::uint8_t* corners = record + 4 * static_cast<std::uint64_t>(bandCount_);
        const std::uint64_t firstColumn = bigEndian32(corners);
        const std::uint64_t firstRow = bigEndian32(corners + 4);
        const std::uint64_t lastColumn = bigEndian32(corners + 8);
        const std::uint64_t lastRow = bigEndian32(corners + 12);
        if (lastColumn < firstColumn || lastRow < firstRow) throwNegativeDimension();
        firstColumns[k] = firstColumn;
        firstRows[k] = firstRow;
        grid.blockExtents.push_back(
            Region{static_cast<std::int64_t>(firstColumn), static_cast<std::int64_t>(firstRow),
                   static_cast<std::int64_t>(lastColumn), static_cast<std::int64_t>(lastRow)});
        grid.largestBlockWidth = std::max(grid.largestBlockWidth, lastColumn - firstColumn + 1);
        grid.largestBlockHeight = std::max(grid.largestBlockHeight, lastRow - firstRow + 1);
        grid.columnStarts.push_back(firstColumn);
        grid.columnStarts.push_back(lastColumn + 1);
        grid.rowStarts.push_back(firstRow);
        grid.rowStarts.push_back(lastRow + 1);
    }
    sortUnique(grid.columnStarts);
    sortUnique(grid.rowStarts);
    grid.columns = static_cast<std::uint32_t>(grid.columnStarts.size() - 1);
    grid.rows = static_cast<std::uint32_t>(grid.rowStarts.size() - 1);
    grid.widestColumn = largestGap(grid.columnStarts);
    grid.tallestRow = largestGap(grid.rowStarts);
    const std::uint64_t cells = static_cast<std::uint64_t>(grid.columns) * grid.rows;
    if (cells > kGridCellsPerBlock * (static_cast<std::uint64_t>(chunk.blockCount) + 1))
        throwCorrupt();
    grid.cells.assign(cells, TG2BlockGrid::kNoBlock);
    for (std::uint32_t k = 0; k < chunk.blockCount; ++k) {
        const auto column =
            std::lower_bound(grid.columnStarts.begin(), grid.columnStarts.end(), firstColumns[k]) -
            grid.columnStarts.begin();
        const auto row =
            std::lower_bound(grid.rowStarts.begin(), grid.rowStarts.end(), firstRows[k]) -
            grid.rowStarts.begin();
        grid.cells[static_cast<std::size_t>(row) * grid.columns +
                   static_cast<std::size_t>(column)] = k;
    }
}

std::vector<std::uint32_t> TG2BlockGrid::blocksMeeting(const Region& area) const {
    std::vector<std::uint32_t> found;
    if (area.empty() || area.x1 < 0 || area.y1 < 0) return found;
    // A block that reaches the area starts at most one block size before it.
    const auto firstColumn = static_cast<std::uint64_t>(std::max<std::int64_t>(area.x0, 0));
    const auto firstRow = static_cast<std::uint64_t>(std::max<std::int64_t>(area.y0, 0));
    const auto lastColumn = static_cast<std::uint64_t>(area.x1);
    const auto lastRow = static_cast<std::uint64_t>(area.y1);
    const std::uint64_t fromColumn =
        firstColumn >= largestBlockWidth ? firstColumn - largestBlockWidth + 1 : 0;
    const std::uint64_t fromRow =
        firstRow >= largestBlockHeight ? firstRow - largestBlockHeight + 1 : 0;
    const auto firstCell = [](const std::vector<std::uint64_t>& starts, std::uint64_t from) {
        return static_cast<std::uint32_t>(std::upper_bound(starts.begin(), starts.end(), from) -
                                          starts.begin() - 1);
    };
    for (std::uint32_t row = firstCell(rowStarts, fromRow); row < rows && rowStarts[row] <= lastRow;
         ++row) {
        for (std::uint32_t column = firstCell(columnStarts, fromColumn);
             column < columns && columnStarts[column] <= lastColumn; ++column) {
            const std::uint32_t k = blockAt(row, column);
            if (k == kNoBlock) continue;
            if (blockExtents[k].meets(area)) found.push_back(k);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

const TG2SubbandChunk& TG2StreamStructure::chunk(std::uint32_t subband) const {
    if (subband >= chunks_.size()) throw InvalidArgumentException();
    return chunks_[subband];
}

const TG2BlockGrid& TG2StreamStructure::grid(std::uint32_t subband) const {
    if (subband >= grids_.size()) throw InvalidArgumentException();
    return grids_[subband];
}

const TG2Block& TG2StreamStructure::loadBlock(std::uint32_t subband, std::uint32_t block) {
    if (subband >= chunks_.size() || block >= chunks_[subband].blockCount)
        throw InvalidArgumentException();
    TG2SubbandChunk& chunk = chunks_[subband];
    if (cacheBlocks_) {
        if (chunk.cachedBlocks.empty()) chunk.cachedBlocks.resize(chunk.blockCount);
        if (chunk.cachedBlocks[block]) return *(loaded_ = chunk.cachedBlocks[block].get());
    }
    ensureOpen();

    const std::uint64_t recordSize = 4 * static_cast<std::uint64_t>(bandCount_) + 16;
    std::vector<std::uint32_t> bandOffsets(bandCount_);
    seekTo(chunk.offset + kChunkHeadSize + block * recordSize);
    for (std::uint32_t& offset : bandOffsets) *stream_ >> offset;

    loaded_ = nullptr;
    std::unique_ptr<TG2Block> cached;
    TG2Block& target = cacheBlocks_ ? *(cached = std::make_unique<TG2Block>()) : workingBlock_;
    *stream_ >> target.firstColumn >> target.firstRow >> target.lastColumn >> target.lastRow;
    if (target.lastColumn < target.firstColumn || target.lastRow < target.firstRow)
        throwNegativeDimension();
    // A block over all 2^32 columns or rows has no 32-bit width or height.
    if (target.width() == 0 || target.height() == 0) throwCorrupt();
    target.bands.resize(bandCount_);
    for (std::uint32_t b = 0; b < bandCount_; ++b) {
        TG2BandSegment& segment = target.bands[b];
        segment.noData = bandOffsets[b] == 0;
        if (segment.noData) continue;
        readBandSegment(bandOffsets[b], target, segment);
    }
    if (cacheBlocks_) chunk.cachedBlocks[block] = std::move(cached);
    loaded_ = cacheBlocks_ ? chunk.cachedBlocks[block].get() : &workingBlock_;
    return *loaded_;
}

void TG2StreamStructure::readBandSegment(std::uint32_t offset, const TG2Block& block,
                                         TG2BandSegment& segment) {
    seekTo(offset);
    requireMarker(*stream_, 0xAA);
    readBytes(*stream_, segment.desc.lengthCounts.data(), 16);
    int symbolCount = 0;
    for (std::uint8_t count : segment.desc.lengthCounts)
        symbolCount += static_cast<std::int8_t>(count);
    if (symbolCount < 0 || symbolCount > 256) throwCorrupt();
    if (!cacheBlocks_) segment.desc.symbols.reserve(256);  // once per band, then reused
    segment.desc.symbols.resize(static_cast<std::size_t>(symbolCount));
    requireInFile(offset + kBandSegmentHeadSize, static_cast<std::uint64_t>(symbolCount));
    readBytes(*stream_, segment.desc.symbols.data(), segment.desc.symbols.size());

    std::int32_t subBlockWidth = 0;
    std::int32_t subBlockHeight = 0;
    *stream_ >> segment.step >> subBlockWidth >> subBlockHeight;
    if (subBlockWidth < 0 || subBlockHeight < 0) throwNegativeDimension();
    if (subBlockWidth == 0 || subBlockHeight == 0) throwCorrupt();
    segment.subBlockWidth = static_cast<std::uint32_t>(subBlockWidth);
    segment.subBlockHeight = static_cast<std::uint32_t>(subBlockHeight);

    const std::uint64_t count = ceilDivide(block.width(), segment.subBlockWidth) *
                                ceilDivide(block.height(), segment.subBlockHeight);
    const std::uint64_t offsetsAt = offset + kBandSegmentHeadSize +
                                    static_cast<std::uint64_t>(symbolCount) +
                                    kBandSegmentFieldsSize;
    requireInFile(offsetsAt, 4 * count);
    segment.subBlockCount = static_cast<std::uint32_t>(count);
    segment.subBlockOffsets.resize(count);
    readBytes(*stream_, segment.subBlockOffsets.data(), 4 * count);
    for (std::uint32_t& value : segment.subBlockOffsets)
        value = bigEndian32(reinterpret_cast<const std::uint8_t*>(&value));

    // A sub-block's data end at the latest where the next sub-block or the next
    // structure the stream knows of begins.
    std::vector<std::uint32_t> sorted(segment.subBlockOffsets);
    std::sort(sorted.begin(), sorted.end());
    segment.subBlockEnds.resize(count);
    for (std::size_t j = 0; j < count; ++j) {
        const std::uint32_t start = segment.subBlockOffsets[j];
        const auto next = std::upper_bound(sorted.begin(), sorted.end(), start);
        std::uint64_t end = nextKnownOffset(start);
        if (next != sorted.end()) end = std::min<std::uint64_t>(end, *next);
        segment.subBlockEnds[j] = end;
    }
}

TG2SubBlockPlace TG2StreamStructure::subBlock(std::uint32_t band, std::uint32_t j) const {
    if (!loaded_ || band >= loaded_->bands.size()) throw InvalidArgumentException();
    const TG2BandSegment& segment = loaded_->bands[band];
    if (segment.noData || j >= segment.subBlockCount) throw InvalidArgumentException();
    const std::uint32_t across =
        static_cast<std::uint32_t>(ceilDivide(loaded_->width(), segment.subBlockWidth));
    TG2SubBlockPlace place;
    place.offset = segment.subBlockOffsets[j];
    const std::uint64_t column = static_cast<std::uint64_t>(j % across) * segment.subBlockWidth;
    const std::uint64_t row = static_cast<std::uint64_t>(j / across) * segment.subBlockHeight;
    place.column = static_cast<std::uint32_t>(column);
    place.row = static_cast<std::uint32_t>(row);
    place.width = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(segment.subBlockWidth, loaded_->width() - column));
    place.height = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(segment.subBlockHeight, loaded_->height() - row));
    return place;
}

void TG2StreamStructure::readSubBlock(std::uint32_t band, std::uint32_t j,
                                      std::vector<std::uint8_t>& data) {
    const TG2SubBlockPlace place = subBlock(band, j);
    const std::uint64_t end = loaded_->bands[band].subBlockEnds[j];
    if (place.offset >= end) throwStreamReadError();
    ensureOpen();
    data.resize(end - place.offset);
    seekTo(place.offset);
    readBytes(*stream_, data.data(), data.size());
}

void TG2StreamStructure::closeStream() {
    if (!stream_->isOpen()) return;
    stream_->seek(0, SeekFromStart);
    if (!stream_->close()) throw IOException(IoClose);
}

void TG2StreamStructure::ensureOpen() {
    // A closed stream is opened again on its own path; either way it reads big-endian.
    if (!stream_->isOpen() && (!stream_->wasOpened() || !stream_->reopen(nullptr, 0)))
        throw IOException(IoOpen);
    stream_->setByteSwap(true);
}

void TG2StreamStructure::seekTo(std::uint64_t offset) {
    const bool done =
        stream_->canSeek64()
            ? stream_->seekTo(static_cast<std::int64_t>(offset), SeekFromStart)
            : offset <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) &&
                  stream_->seek(static_cast<std::int32_t>(offset), SeekFromStart);
    if (!done) throwStreamReadError();
}

void TG2StreamStructure::requireInFile(std::uint64_t offset, std::uint64_t size) const {
    if (offset > fileSize_ || size > fileSize_ - offset) throwStreamReadError();
}

std::uint64_t TG2StreamStructure::nextKnownOffset(std::uint64_t offset) const {
    const auto next = std::upper_bound(knownOffsets_.begin(), knownOffsets_.end(), offset);
    return next == knownOffsets_.end() ? fileSize_ : std::min(*next, fileSize_);
}

}  // namespace Corvane
