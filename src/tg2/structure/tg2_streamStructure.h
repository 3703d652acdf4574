#pragma once
// The layout of a TG2 stream as the decoder needs it: header, subband chunks, block
// grids and, per block, the band segments with their tables and sub-block offsets.
// The heads are read once at open; a block's records only when a request reaches it.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "stream/cv_stream.h"
#include "support/cv_region.h"
#include "tg2/entropy/tg2_htDesc.h"

namespace Corvane {

// The coded data of one band within one block: its Huffman table, step,
// sub-block size and the offsets of its coded sub-blocks.
struct TG2BandSegment {
    bool noData = true;
    HTDesc desc;
    float step = 0.0f;
    std::uint32_t subBlockWidth = 0;
    std::uint32_t subBlockHeight = 0;
    std::uint32_t subBlockCount = 0;
    std::vector<std::uint32_t> subBlockOffsets;
    // Where each sub-block's data end at the latest: the next offset known to
    // the structure, or the end of the file.
    std::vector<std::uint64_t> subBlockEnds;
};

// A rectangle of one subband (inclusive columns and rows, in the subband's
// coordinates) with one band segment per band.
struct TG2Block {
    std::uint32_t firstColumn = 0;
    std::uint32_t firstRow = 0;
    std::uint32_t lastColumn = 0;
    std::uint32_t lastRow = 0;
    std::vector<TG2BandSegment> bands;

    std::uint32_t width() const { return lastColumn - firstColumn + 1; }
    std::uint32_t height() const { return lastRow - firstRow + 1; }
};

// Where sub-block j of a band segment lies, relative to its block's first
// column and row, and where its coded data start.
struct TG2SubBlockPlace {
    std::uint32_t offset = 0;
    std::uint32_t column = 0;
    std::uint32_t row = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

struct TG2SubbandChunk {
    std::uint32_t offset = 0;
    std::uint8_t ditherColumn = 0;
    std::uint8_t ditherRow = 0;
    std::uint32_t blockCount = 0;
    std::vector<std::unique_ptr<TG2Block>> cachedBlocks;  // only with block caching
};

// Which block starts in each cell of a subband: the distinct first columns
// and rows of the blocks (and the ends after their last ones), sorted.
struct TG2BlockGrid {
    static constexpr std::uint32_t kNoBlock = 2147483647;

    std::uint32_t columns = 0;
    std::uint32_t rows = 0;
    std::vector<std::uint64_t> columnStarts;  // columns + 1 values
    std::vector<std::uint64_t> rowStarts;     // rows + 1 values
    std::uint64_t widestColumn = 0;
    std::uint64_t tallestRow = 0;
    std::vector<std::uint32_t> cells;  // row-major, kNoBlock where no block starts

    // Each block's rectangle as its record gives it, and the largest block size, so
    // that a search only visits cells near the rectangle.
    std::vector<Region> blockExtents;
    std::uint64_t largestBlockWidth = 0;
    std::uint64_t largestBlockHeight = 0;

    std::uint32_t blockAt(std::uint32_t row, std::uint32_t column) const {
        return cells[static_cast<std::size_t>(row) * columns + column];
    }

    // The blocks that meet a rectangle of the subband, in block order.
    std::vector<std::uint32_t> blocksMeeting(const Region& area) const;
};

// Parses a TG2 stream: header, subband chunk table, chunk heads and block
// grids when opened; the records and band segments of one block on demand.
class TG2StreamStructure {
  public:
    // Takes the stream over (the duplicate that duplicateForStructure makes).
    // Raises NullPointerException for no stream, IOException for a stream that
    // cannot seek, is not concrete or cannot be reopened, and the catalog
    // exceptions of a malformed stream.
    TG2StreamStructure(std::unique_ptr<CVStream> stream, bool keepOpen, bool cacheBlocks);

    // Closes the given stream, duplicates it for a structure and reopens the
    // original when it had been open. Raises IOException when no duplicate can
    // be made.
    static std::unique_ptr<CVStream> duplicateForStructure(CVStream& original);

    std::uint32_t width() const { return width_; }
    std::uint32_t height() const { return height_; }
    std::uint32_t bandCount() const { return bandCount_; }
    std::uint32_t levelCount() const { return levelCount_; }
    const std::array<std::uint8_t, 3>& version() const { return version_; }
    std::uint32_t subbandCount() const { return static_cast<std::uint32_t>(chunks_.size()); }
    std::uint32_t metadataOffset() const { return metadataOffset_; }
    bool keepsOpen() const { return keepOpen_; }
    CVStream& stream() { return *stream_; }

    const TG2SubbandChunk& chunk(std::uint32_t subband) const;
    const TG2BlockGrid& grid(std::uint32_t subband) const;

    // Reads block record k of a subband and its band segments. Without block
    // caching the returned object is reused by the next load.
    const TG2Block& loadBlock(std::uint32_t subband, std::uint32_t block);

    // Sub-block j of band b of the block loaded last.
    TG2SubBlockPlace subBlock(std::uint32_t band, std::uint32_t j) const;
    // Reads the coded bytes of that sub-block, from its FF A3 up to the next
    // known offset of the stream, into data (one read).
    void readSubBlock(std::uint32_t band, std::uint32_t j, std::vector<std::uint8_t>& data);

    // Closes the stream; the next load reopens it.
    void closeStream();

  private:
    void readHeader();
    void readChunkHeads();
    void buildGrid(std::uint32_t subband);
    void readBandSegment(std::uint32_t offset, const TG2Block& block, TG2BandSegment& segment);
    void ensureOpen();
    void seekTo(std::uint64_t offset);
    void requireInFile(std::uint64_t offset, std::uint64_t size) const;
    std::uint64_t nextKnownOffset(std::uint64_t offset) const;

    std::unique_ptr<CVStream> stream_;
    bool keepOpen_;
    bool cacheBlocks_;
    std::uint64_t fileSize_ = 0;
    std::array<std::uint8_t, 3> version_{};
    std::uint32_t bandCount_ = 0;
    std::uint32_t levelCount_ = 0;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    std::uint32_t metadataOffset_ = 0;
    std::vector<TG2SubbandChunk> chunks_;
    std::vector<TG2BlockGrid> grids_;
    // Every offset the structure knows (chunks, band segments, metadata, end of
    // file), sorted, to bound how far a sub-block's data can reach.
    std::vector<std::uint64_t> knownOffsets_;
    TG2Block workingBlock_;
    const TG2Block* loaded_ = nullptr;
};

}  // namespace Corvane
