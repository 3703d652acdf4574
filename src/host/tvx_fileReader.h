#pragma once
// One open Tovex file as the host sees it: the host selects image 0, picks a level by
// the width it wants, asks for properties by tag number, and reads the level as a
// grid of 128 x 128 tiles of 8-bit samples. No library exception reaches the host.
// A host may share one reader between threads: its calls then take turns.
#include <cstdint>
#include <memory>

#include "host/am_host_interfaces.h"
#include "image/cv_tileRows.h"
#include "platform/cv_sync.h"

namespace Corvane {

class ImageStage;
class TovexNavigator;

class TvxFileReader final : public AmFileReader {
  public:
    static constexpr std::int32_t kTileSize = 128;
    static constexpr std::int32_t kTileShift = 7;
    // A level whose tile grid would need more byte-count entries than this is refused.
    // It is far beyond any real image (over 500000 pixels square) and keeps a
    // header's claimed size, or a wild magnification, from demanding gigabytes.
    static constexpr std::uint64_t kMaximumTileCount = std::uint64_t{1} << 24;
    // Below that, a grid of more tiles than the file has bytes is refused too, beyond
    // this many: a few hundred bytes claiming a huge image would otherwise cost a
    // table of tens of megabytes at every level request. A real image needs more
    // than one byte per tile; magnification stays free up to this count.
    static constexpr std::uint64_t kTilesWithoutJustification = std::uint64_t{1} << 20;

    // What a tile holds where nothing is decoded: the extra sample of colour tiles,
    // and pixels outside the level when the image has no background.
    static constexpr std::uint8_t kTileFill = 255;

    // The host file is only borrowed; the reader never destroys it.
    explicit TvxFileReader(AmHostFile* hostFile);
    ~TvxFileReader();
    TvxFileReader(const TvxFileReader&) = delete;
    TvxFileReader& operator=(const TvxFileReader&) = delete;

    // Takes the opened image and builds the navigator over it.
    void attachImage(std::unique_ptr<ImageStage> image);

    void* destroy(unsigned flags) override;
    AmWord selectImage(AmWord index) override;
    void inertSlot2() override {}
    AmWord passThrough3(AmWord first, AmWord second) override;
    AmWord passThrough4(AmWord first, AmWord second) override;
    AmWord inertSlot5() override { return 0; }
    AmWord inertSlot6() override { return 0; }
    AmWord inertSlot7(AmWord) override { return 0; }
    AmWord inertSlot8(AmWord, AmWord) override { return 0; }
    AmWord readTile(AmWord tile, std::uint8_t* buffer) override;
    AmWord getTag(AmWord tag, AmWord* value) override;
    AmWord inertSlot11(AmWord, AmWord) override { return 0; }
    AmWord inertSlot12(AmWord, AmWord, AmWord) override { return 0; }
    AmWord setTag(AmWord tag, const AmWord* value) override;
    AmWord inertSlot14(AmWord) override { return 0; }
    AmWordPair* recordSlot15(AmWordPair* result) override;

    std::int32_t level() const;
    std::uint32_t tilesAcross() const;
    std::uint32_t tilesDown() const;

  private:
    AmWord selectLevelForWidth(AmWord requestedWidth);
    PixelLayout tileLayout() const;
    void decodeTile(std::uint32_t column, std::uint32_t row, std::uint8_t* buffer);
    // Serves the tile from the kept row of tiles when the host is reading row by row;
    // false when the tile is better decoded on its own.
    bool serveFromBand(std::uint32_t column, std::uint32_t row, std::uint8_t* buffer);

    // Held by every slot that reads or changes the level, grid and tile counts, and
    // through a whole tile decode, so the grid cannot change under a tile.
    mutable CVCriticalSection lock_;
    AmHostFile* hostFile_;
    std::uint64_t fileBytes_ = 0;
    // Declared in this order so that destruction releases the navigator first, then
    // the image it looks at, then the byte counts.
    std::unique_ptr<std::uint32_t[]> tileByteCounts_;
    std::unique_ptr<ImageStage> image_;
    std::unique_ptr<TovexNavigator> navigator_;
    std::uint32_t levelWidth_ = 0;
    std::uint32_t levelHeight_ = 0;
    std::int32_t bitsPerSample_ = 0;
    std::int32_t samplesPerPixel_ = 0;
    std::int32_t level_ = 0;
    std::uint32_t tilesAcross_ = 0;
    std::uint32_t tilesDown_ = 0;
    // The rows of tiles kept for a host reading row by row or around one place.
    TileRows tileRows_{kTileFill};
};

}  // namespace Corvane
