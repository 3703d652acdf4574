#include "host/tvx_fileReader.h"

#include <cstring>
#include <limits>
#include <optional>

#include "image/cv_imageStage.h"
#include "image/cv_levelChoice.h"
#include "image/cv_pixelBuffer.h"
#include "image/cv_scene.h"
#include "image/cv_tovexNavigator.h"
#include "pixel/cv_colorSpace.h"
#include "pixel/cv_dataType.h"
#include "pixel/cv_pixelLayout.h"
#include "platform/cv_fileSystem.h"
#include "support/cv_exception.h"

namespace Corvane {

namespace {

// Tag numbers the host asks the reader about.
enum HostTag : AmWord {
    TagImageWidth = 256,
    TagImageHeight = 257,
    TagBitsPerSample = 258,
    TagCompression = 259,
    TagOrientation = 274,
    TagSamplesPerPixel = 277,
    TagTileByteCounts = 279,
    TagTileWidth = 322,
    TagTileHeight = 323,
    TagExtraSamples = 338,
    TagHostQuery16884 = 16884,
    TagHostQuery16907 = 16907,
};

// The request for the full-resolution level, whatever the level count.
constexpr AmWord kFullResolutionRequest = -1;

const char kUncompressed[] = "UNCOMPRESSED";

// Columns (or rows) of 128-pixel tiles that cover an extent.
std::uint32_t tilesCovering(std::uint32_t extent) {
    return (extent >> TvxFileReader::kTileShift) +
           ((extent & (TvxFileReader::kTileSize - 1)) != 0 ? 1u : 0u);
}

}  // namespace

TvxFileReader::TvxFileReader(AmHostFile* hostFile) : hostFile_(hostFile) {}

TvxFileReader::~TvxFileReader() = default;

void TvxFileReader::attachImage(std::unique_ptr<ImageStage> image) {
    navigator_.reset();
    tileRows_.drop();
    image_ = std::move(image);
    if (image_) navigator_ = std::make_unique<TovexNavigator>(*image_);
    const std::optional<std::uint64_t> bytes =
        hostFile_ ? fileSizeOf(hostFile_->path()) : std::nullopt;
    fileBytes_ = bytes.value_or(0);
}

void* TvxFileReader::destroy(unsigned flags) {
    void* self = this;
    if (flags & 1u)
        delete this;
    else
        this->~TvxFileReader();
    return self;
}

std::int32_t TvxFileReader::level() const {
    const CVScopedLock guard(lock_);
    return level_;
}

std::uint32_t TvxFileReader::tilesAcross() const {
    const CVScopedLock guard(lock_);
    return tilesAcross_;
}

std::uint32_t TvxFileReader::tilesDown() const {
    const CVScopedLock guard(lock_);
    return tilesDown_;
}

AmWord TvxFileReader::selectImage(AmWord index) {
    const CVScopedLock guard(lock_);
    if (index != 0 || !image_) return 0;
    bitsPerSample_ = 8;
    samplesPerPixel_ = image_->bandCount() <= 1 ? 1 : 4;
    tileRows_.drop();
    return 1;
}

AmWord TvxFileReader::passThrough3(AmWord first, AmWord second) {
    return hostFile_ ? hostFile_->forwardedCall7(first, second) : 0;
}

AmWord TvxFileReader::passThrough4(AmWord first, AmWord second) {
    return hostFile_ ? hostFile_->forwardedCall11(first, second) : 0;
}

AmWord TvxFileReader::getTag(AmWord tag, AmWord* value) {
    const CVScopedLock guard(lock_);
    if (!value) return 0;
    switch (tag) {
        case TagImageWidth:
            *value = static_cast<AmWord>(levelWidth_);
            return 1;
        case TagImageHeight:
            *value = static_cast<AmWord>(levelHeight_);
            return 1;
        case TagBitsPerSample:
            *value = bitsPerSample_;
            return 1;
        case TagCompression:
            *value = reinterpret_cast<AmWord>(kUncompressed);
            return 1;
        case TagOrientation:
        case TagHostQuery16884:
            *value = 0;
            return 1;
        case TagSamplesPerPixel:
            *value = samplesPerPixel_;
            return 1;
        case TagTileByteCounts:
            *value = reinterpret_cast<AmWord>(tileByteCounts_.get());
            return 1;
        case TagTileWidth:
        case TagTileHeight:
            *value = kTileSize;
            return 1;
        case TagExtraSamples:
            // Only colour tiles carry the fourth, extra sample.
            if (samplesPerPixel_ != 4) return 0;
            *value = 1;
            return 1;
        case TagHostQuery16907:
            return 1;
        default:
            return 0;
    }
}

AmWord TvxFileReader::setTag(AmWord tag, const AmWord* value) {
    const CVScopedLock guard(lock_);
    if (tag != TagImageWidth || !value || *value == 0 || !image_) return 0;
    return selectLevelForWidth(*value);
}

AmWord TvxFileReader::selectLevelForWidth(AmWord requestedWidth) {
    const std::int32_t fullWidth = image_->width();
    const std::int32_t fullHeight = image_->height();
    constexpr std::int64_t kLargest = std::numeric_limits<std::int32_t>::max();

    std::int32_t level = 0;
    if (requestedWidth != kFullResolutionRequest) {
        // From the coarsest level towards finer ones, and on into magnification as far
        // as the shared level rule goes, until a level is at least as wide as asked; a
        // width beyond the most magnified level is refused. An image of width 0 never
        // satisfies a positive request.
        const std::optional<std::int32_t> chosen =
            levelForWidth(fullWidth, image_->levelCount(), requestedWidth);
        if (!chosen) return 0;
        level = *chosen;
    }
    const std::int64_t width = levelExtentOf(fullWidth, level);
    const std::int64_t height = levelExtentOf(fullHeight, level);
    if (width < 0 || height < 0 || width > kLargest || height > kLargest) return 0;

    const std::uint32_t across = tilesCovering(static_cast<std::uint32_t>(width));
    const std::uint32_t down = tilesCovering(static_cast<std::uint32_t>(height));
    const std::uint64_t tileCount = std::uint64_t{across} * down;
    if (tileCount > kMaximumTileCount ||
        tileCount > std::max(kTilesWithoutJustification, fileBytes_))
        return 0;

    level_ = level;
    levelWidth_ = static_cast<std::uint32_t>(width);
    levelHeight_ = static_cast<std::uint32_t>(height);
    try {
        navigator_->setLevel(level_);
        navigator_->setSceneSize(static_cast<std::int32_t>(width),
                                 static_cast<std::int32_t>(height), AnchorCentre);
    } catch (const Exception&) {
        // The tiles place the scene themselves; a navigator that cannot follow here
        // will say so when a tile is read.
    }
    tilesAcross_ = across;
    tilesDown_ = down;
    tileRows_.setGrid(level_, across);
    tileRows_.drop();
    // Counts are taken from the samples per pixel known now; a later selectImage
    // does not change them until the next setTag.
    const std::uint32_t bytesPerTile = static_cast<std::uint32_t>(samplesPerPixel_) << 14;
    tileByteCounts_ = std::make_unique<std::uint32_t[]>(tileCount);
    for (std::uint64_t i = 0; i < tileCount; ++i) tileByteCounts_[i] = bytesPerTile;
    return 1;
}

AmWord TvxFileReader::readTile(AmWord tile, std::uint8_t* buffer) {
    const CVScopedLock guard(lock_);
    // Before a level has been chosen there is no grid to map the number onto, and
    // before the image has been selected the host's buffer size is unknown. A number
    // past the last tile names no tile of the level; refusing it also keeps its
    // corner within 32 bits.
    if (!buffer || !navigator_ || tilesAcross_ == 0 || samplesPerPixel_ == 0) return 0;
    // The number is a whole machine word: compared in full, never cut to 32 bits, so
    // that 2^40 + 3 is not taken for tile 3.
    if (tile < 0 || static_cast<std::uint64_t>(tile) >= std::uint64_t{tilesAcross_} * tilesDown_)
        return 0;
    const auto number = static_cast<std::uint64_t>(tile);
    const auto column = static_cast<std::uint32_t>(number % tilesAcross_);
    const auto row = static_cast<std::uint32_t>(number / tilesAcross_);

    std::memset(buffer, kTileFill, static_cast<std::size_t>(samplesPerPixel_) << 14);
    try {
        if (!serveFromBand(column, row, buffer)) decodeTile(column, row, buffer);
    } catch (const Exception&) {
        return 0;
    }
    return 1;
}

bool TvxFileReader::serveFromBand(std::uint32_t column, std::uint32_t row, std::uint8_t* buffer) {
    const TileBand* band = tileRows_.bandFor(*image_, tileLayout(), column, row);
    if (!band) return false;
    band->copyTile(column, row, buffer);
    return true;
}

void TvxFileReader::decodeTile(std::uint32_t column, std::uint32_t row, std::uint8_t* buffer) {
    const PixelLayout layout = tileLayout();
    const std::size_t capacity = static_cast<std::size_t>(layout.samplesPerPixel()) << 14;
    PixelBuffer target(layout, buffer, capacity);
    target.setBackground(image_->backgroundPixel());
    navigator_->decodeAt(static_cast<std::int32_t>(column * kTileSize),
                         static_cast<std::int32_t>(row * kTileSize), kTileSize, kTileSize, target);
}

PixelLayout TvxFileReader::tileLayout() const {
    // Grey images give one sample per pixel; everything else is converted to RGB with
    // a fourth sample that no decoder writes, so it keeps the fill value. An image of
    // one band in some other scheme (the host was told one sample per pixel) is
    // decoded in its own scheme with one sample, so that nothing is written past the
    // buffer the host sized for one.
    const ColorSpace& imageSpace = image_->properties().layout().colorSpace();
    PixelLayout layout;
    if (imageSpace.scheme() == static_cast<std::uint32_t>(SchemeGrayscale)) {
        layout = PixelLayout(0, ColorSpace(SchemeGrayscale), DataTypeUInt8);
        layout.setSamplesPerPixel(1);
    } else if (samplesPerPixel_ == 4) {
        layout = PixelLayout(0, ColorSpace(SchemeRGB), DataTypeUInt8);
        layout.setSamplesPerPixel(4);
    } else {
        layout = PixelLayout(0, ColorSpace(imageSpace.scheme(), 1), DataTypeUInt8);
        layout.setSamplesPerPixel(1);
    }
    return layout;
}

AmWordPair* TvxFileReader::recordSlot15(AmWordPair* result) {
    if (result) {
        result->first = 0;
        result->second = 0;
    }
    return result;
}

}  // namespace Corvane
