#include "tg2/structure/tg2_streamStructure.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "stream/cv_streamFunctions.h"
#include "support/cv_exception.h"
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
    if (marker[0] != 0xFF || marker[1] != second) throw Exception(messageCode(1, 0x9));
}

[[noreturn]] void throwNegativeDimension() {
    throw GeometryException(getMessageText(messageCode(1, 0x168)));
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
    : m_stream(std::move(stream)), m_keepOpen(keepOpen), m_cacheBlocks(cacheBlocks) {
    if (!m_stream) throw NullPointerException();
    if (!m_stream->canSeek() || !m_stream->isConcrete() || !m_stream->isReopenable())
        throw IOException();
    ensureOpen();
    m_stream->setByteSwap(true);

    if (!m_stream->seek(0, SeekFromEnd)) throw IOException(IoRead);
    const std::int64_t size = m_stream->position();
    if (size < 0) throw IOException(IoRead);
    m_fileSize = static_cast<std::uint64_t>(size);

    readHeader();
    readChunkHeads();
    m_grids.resize(m_chunks.size());
    for (std::uint32_t i = 0; i < m_chunks.size(); ++i) buildGrid(i);
    m_knownOffsets.push_back(m_fileSize);
    sortUnique(m_knownOffsets);

    if (!m_keepOpen) closeStream();
}

void TG2StreamStructure::readHeader() {
    seekTo(0);
    char magic[4] = {};
    if (m_fileSize < 4) throw Exception(messageCode(1, 0x8));
    readBytes(*m_stream, magic, 4);
    if (std::memcmp(magic, "tovx", 4) != 0) throw Exception(messageCode(1, 0x8));

    readBytes(*m_stream, m_version.data(), 3);
    if (m_version[0] >= 2 || (m_version[0] == 1 && m_version[1] != 0))
        throw UnsupportedVersionException(getMessageText(messageCode(1, 0x7)));

    *m_stream >> m_bandCount >> m_levelCount >> m_width >> m_height;
}

void TG2StreamStructure::readChunkHeads() {
    const std::uint64_t subbands = 3 * static_cast<std::uint64_t>(m_levelCount) + 1;
    requireInFile(kHeaderSize, 4 * subbands);
    m_chunks.resize(subbands);
    const std::uint64_t recordSize = 4 * static_cast<std::uint64_t>(m_bandCount) + 16;
    for (std::uint64_t i = 0; i < subbands; ++i) {
        TG2SubbandChunk& chunk = m_chunks[i];
        seekTo(kHeaderSize + 4 * i);
        *m_stream >> chunk.offset;
        seekTo(chunk.offset);
        requireMarker(*m_stream, 0xAC);
        *m_stream >> chunk.ditherColumn >> chunk.ditherRow >> chunk.blockCount;
        requireInFile(chunk.offset + kChunkHeadSize, recordSize * chunk.blockCount);
        m_knownOffsets.push_back(chunk.offset);
    }

    // The metadata block is optional for the image data; its offset only
    // bounds how far sub-block data can reach.
    const std::uint64_t pointer = kHeaderSize + 4 * subbands;
    if (pointer + 6 <= m_fileSize) {
        seekTo(pointer);
        std::uint8_t marker[2] = {};
        readBytes(*m_stream, marker, 2);
        std::uint32_t offset = 0;
        *m_stream >> offset;
        if (marker[0] == 0xFF && marker[1] == 0xD0) {
            m_metadataOffset = offset;
            m_knownOffsets.push_back(offset);
        }
    }
}

void TG2StreamStructure::buildGrid(std::uint32_t subband) {
    const TG2SubbandChunk& chunk = m_chunks[subband];
    const std::uint64_t recordSize = 4 * static_cast<std::uint64_t>(m_bandCount) + 16;
    std::vector<std::uint8_t> records(recordSize * chunk.blockCount);
    seekTo(chunk.offset + kChunkHeadSize);
    readBytes(*m_stream, records.data(), records.size());

    TG2BlockGrid& grid = m_grids[subband];
    grid.columnStarts.assign(1, 0);
    grid.rowStarts.assign(1, 0);
    std::vector<std::uint64_t> firstColumns(chunk.blockCount);
    std::vector<std::uint64_t> firstRows(chunk.blockCount);
    for (std::uint32_t k = 0; k < chunk.blockCount; ++k) {
        const std::uint8_t* record = records.data() + k * recordSize;
        for (std::uint32_t b = 0; b < m_bandCount; ++b) {
            const std::uint32_t offset = bigEndian32(record + 4 * b);
            if (offset != 0) m_knownOffsets.push_back(offset);
        }
        const std::uint8_t* corners = record + 4 * static_cast<std::uint64_t>(m_bandCount);
        const std::uint64_t firstColumn = bigEndian32(corners);
        const std::uint64_t firstRow = bigEndian32(corners + 4);
        const std::uint64_t lastColumn = bigEndian32(corners + 8);
        const std::uint64_t lastRow = bigEndian32(corners + 12);
        if (lastColumn < firstColumn || lastRow < firstRow) throwNegativeDimension();
        firstColumns[k] = firstColumn;
        firstRows[k] = firstRow;
        grid.blockExtents.push_back(
            {static_cast<std::uint32_t>(firstColumn), static_cast<std::uint32_t>(firstRow),
             static_cast<std::uint32_t>(lastColumn), static_cast<std::uint32_t>(lastRow)});
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

std::vector<std::uint32_t> TG2BlockGrid::blocksMeeting(const Extent& area) const {
    std::vector<std::uint32_t> found;
    if (area.lastColumn < area.firstColumn || area.lastRow < area.firstRow) return found;
    // A block that reaches the area starts at most one block size before it.
    const std::uint64_t fromColumn =
        area.firstColumn >= largestBlockWidth ? area.firstColumn - largestBlockWidth + 1 : 0;
    const std::uint64_t fromRow =
        area.firstRow >= largestBlockHeight ? area.firstRow - largestBlockHeight + 1 : 0;
    const auto firstCell = [](const std::vector<std::uint64_t>& starts, std::uint64_t from) {
        return static_cast<std::uint32_t>(std::upper_bound(starts.begin(), starts.end(), from) -
                                          starts.begin() - 1);
    };
    for (std::uint32_t row = firstCell(rowStarts, fromRow);
         row < rows && rowStarts[row] <= area.lastRow; ++row) {
        for (std::uint32_t column = firstCell(columnStarts, fromColumn);
             column < columns && columnStarts[column] <= area.lastColumn; ++column) {
            const std::uint32_t k = blockAt(row, column);
            if (k == kNoBlock) continue;
            const Extent& e = blockExtents[k];
            if (e.lastColumn >= area.firstColumn && e.lastRow >= area.firstRow) found.push_back(k);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

const TG2SubbandChunk& TG2StreamStructure::chunk(std::uint32_t subband) const {
    if (subband >= m_chunks.size()) throw InvalidArgumentException();
    return m_chunks[subband];
}

const TG2BlockGrid& TG2StreamStructure::grid(std::uint32_t subband) const {
    if (subband >= m_grids.size()) throw InvalidArgumentException();
    return m_grids[subband];
}

const TG2Block& TG2StreamStructure::loadBlock(std::uint32_t subband, std::uint32_t block) {
    if (subband >= m_chunks.size() || block >= m_chunks[subband].blockCount)
        throw InvalidArgumentException();
    TG2SubbandChunk& chunk = m_chunks[subband];
    if (m_cacheBlocks) {
        if (chunk.cachedBlocks.empty()) chunk.cachedBlocks.resize(chunk.blockCount);
        if (chunk.cachedBlocks[block]) return *(m_loaded = chunk.cachedBlocks[block].get());
    }
    ensureOpen();

    const std::uint64_t recordSize = 4 * static_cast<std::uint64_t>(m_bandCount) + 16;
    std::vector<std::uint32_t> bandOffsets(m_bandCount);
    seekTo(chunk.offset + kChunkHeadSize + block * recordSize);
    for (std::uint32_t& offset : bandOffsets) *m_stream >> offset;

    m_loaded = nullptr;
    std::unique_ptr<TG2Block> cached;
    TG2Block& target = m_cacheBlocks ? *(cached = std::make_unique<TG2Block>()) : m_workingBlock;
    *m_stream >> target.firstColumn >> target.firstRow >> target.lastColumn >> target.lastRow;
    if (target.lastColumn < target.firstColumn || target.lastRow < target.firstRow)
        throwNegativeDimension();
    // A block over all 2^32 columns or rows has no 32-bit width or height.
    if (target.width() == 0 || target.height() == 0) throwCorrupt();
    target.bands.resize(m_bandCount);
    for (std::uint32_t b = 0; b < m_bandCount; ++b) {
        TG2BandSegment& segment = target.bands[b];
        segment.noData = bandOffsets[b] == 0;
        if (segment.noData) continue;
        readBandSegment(bandOffsets[b], target, segment);
    }
    if (m_cacheBlocks) chunk.cachedBlocks[block] = std::move(cached);
    m_loaded = m_cacheBlocks ? chunk.cachedBlocks[block].get() : &m_workingBlock;
    return *m_loaded;
}

void TG2StreamStructure::readBandSegment(std::uint32_t offset, const TG2Block& block,
                                         TG2BandSegment& segment) {
    seekTo(offset);
    requireMarker(*m_stream, 0xAA);
    readBytes(*m_stream, segment.desc.lengthCounts.data(), 16);
    int symbolCount = 0;
    for (std::uint8_t count : segment.desc.lengthCounts)
        symbolCount += static_cast<std::int8_t>(count);
    if (symbolCount < 0 || symbolCount > 256) throwCorrupt();
    if (!m_cacheBlocks) segment.desc.symbols.reserve(256);  // once per band, then reused
    segment.desc.symbols.resize(static_cast<std::size_t>(symbolCount));
    requireInFile(offset + kBandSegmentHeadSize, static_cast<std::uint64_t>(symbolCount));
    readBytes(*m_stream, segment.desc.symbols.data(), segment.desc.symbols.size());

    std::int32_t subBlockWidth = 0;
    std::int32_t subBlockHeight = 0;
    *m_stream >> segment.step >> subBlockWidth >> subBlockHeight;
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
    readBytes(*m_stream, segment.subBlockOffsets.data(), 4 * count);
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
    if (!m_loaded || band >= m_loaded->bands.size()) throw InvalidArgumentException();
    const TG2BandSegment& segment = m_loaded->bands[band];
    if (segment.noData || j >= segment.subBlockCount) throw InvalidArgumentException();
    const std::uint32_t across =
        static_cast<std::uint32_t>(ceilDivide(m_loaded->width(), segment.subBlockWidth));
    TG2SubBlockPlace place;
    place.offset = segment.subBlockOffsets[j];
    const std::uint64_t column = static_cast<std::uint64_t>(j % across) * segment.subBlockWidth;
    const std::uint64_t row = static_cast<std::uint64_t>(j / across) * segment.subBlockHeight;
    place.column = static_cast<std::uint32_t>(column);
    place.row = static_cast<std::uint32_t>(row);
    place.width = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(segment.subBlockWidth, m_loaded->width() - column));
    place.height = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(segment.subBlockHeight, m_loaded->height() - row));
    return place;
}

void TG2StreamStructure::readSubBlock(std::uint32_t band, std::uint32_t j,
                                      std::vector<std::uint8_t>& data) {
    const TG2SubBlockPlace place = subBlock(band, j);
    const std::uint64_t end = m_loaded->bands[band].subBlockEnds[j];
    if (place.offset >= end) throwStreamReadError();
    ensureOpen();
    data.resize(end - place.offset);
    seekTo(place.offset);
    readBytes(*m_stream, data.data(), data.size());
}

void TG2StreamStructure::closeStream() {
    if (!m_stream->isOpen()) return;
    m_stream->seek(0, SeekFromStart);
    if (!m_stream->close()) throw IOException(IoClose);
}

void TG2StreamStructure::ensureOpen() {
    if (m_stream->isOpen()) return;
    if (!m_stream->wasOpened() || !m_stream->reopen(nullptr, 0)) throw IOException(IoOpen);
    m_stream->setByteSwap(true);
}

void TG2StreamStructure::seekTo(std::uint64_t offset) {
    const bool done =
        m_stream->canSeek64()
            ? m_stream->seekTo(static_cast<std::int64_t>(offset), SeekFromStart)
            : offset <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) &&
                  m_stream->seek(static_cast<std::int32_t>(offset), SeekFromStart);
    if (!done) throwStreamReadError();
}

void TG2StreamStructure::requireInFile(std::uint64_t offset, std::uint64_t size) const {
    if (offset > m_fileSize || size > m_fileSize - offset) throwStreamReadError();
}

std::uint64_t TG2StreamStructure::nextKnownOffset(std::uint64_t offset) const {
    const auto next = std::upper_bound(m_knownOffsets.begin(), m_knownOffsets.end(), offset);
    return next == m_knownOffsets.end() ? m_fileSize : std::min(*next, m_fileSize);
}

}  // namespace Corvane
