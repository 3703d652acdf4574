#include "tvx_gdalImage.h"

#include <algorithm>
#include <mutex>

#include "image/cv_levelChoice.h"
#include "pixel/cv_colorSpace.h"
#include "pixel/cv_dataType.h"
#include "support/cv_exception.h"
#include "transform/cv_shownScheme.h"
#include "transform/cv_transformerRegistry.h"

namespace tvxgdal {

namespace {

Corvane::PixelLayout decodeLayoutOf(const Corvane::TvxFileImageReader& reader) {
    using namespace Corvane;
    const PixelLayout& own = reader.properties().layout();
    const std::uint32_t scheme = shownScheme(own.colorSpace().scheme());
    if (scheme != SchemeGrayscale && scheme != SchemeRGB && scheme != SchemeCMYK)
        throw Exception(std::string("Cannot read images of the colour scheme ") +
                        ColorSpace::schemeName(scheme));
    // TG2 decodes to floating point, which the image's 8-bit source held; a colour
    // conversion writes 8-bit samples.
    if (!reader.isTG3() || scheme != own.colorSpace().scheme())
        return PixelLayout(0, ColorSpace(scheme), DataTypeUInt8);
    if (own.dataType() != DataTypeUInt8 && own.dataType() != DataTypeUInt16)
        throw Exception("Cannot read samples of data type " + std::to_string(own.dataType()));
    return PixelLayout(0, ColorSpace(scheme), own.dataType());
}

}  // namespace

LevelWindow chooseLevel(std::int64_t fullWidth, std::int64_t fullHeight, std::int32_t levelCount,
                        std::int32_t baseLevel, std::int64_t x, std::int64_t y, std::int64_t width,
                        std::int64_t height, std::int64_t bufferWidth, std::int64_t bufferHeight) {
    LevelWindow chosen{baseLevel, x, y, width, height};
    for (std::int32_t level = baseLevel + 1; level <= levelCount && level - baseLevel < 62;
         ++level) {
        const int shift = level - baseLevel;
        const std::int64_t factor = std::int64_t{1} << shift;
        const std::int64_t x0 = x >> shift, y0 = y >> shift;
        const std::int64_t x1 =
            std::min((x + width + factor - 1) >> shift, Corvane::levelExtentOf(fullWidth, level));
        const std::int64_t y1 =
            std::min((y + height + factor - 1) >> shift, Corvane::levelExtentOf(fullHeight, level));
        if (x1 - x0 < bufferWidth || y1 - y0 < bufferHeight) break;
        chosen = {level, x0, y0, x1 - x0, y1 - y0};
    }
    return chosen;
}

TvxImage::TvxImage(const std::string& path) {
    // Decoders convert their samples through the process-wide registry, filled once.
    static std::once_flag registered;
    std::call_once(registered, [] { Corvane::registerAll(); });
    reader_ = std::make_unique<Corvane::TvxFileImageReader>(Corvane::FileSpecification(path), 0);
    layout_ = decodeLayoutOf(*reader_);
    dataType_ = layout_.dataType() == Corvane::DataTypeUInt16 ? GDT_UInt16 : GDT_Byte;
}

TvxImage::~TvxImage() = default;

std::int64_t TvxImage::levelWidth(std::int32_t level) const {
    return Corvane::levelExtentOf(reader_->width(), level);
}

std::int64_t TvxImage::levelHeight(std::int32_t level) const {
    return Corvane::levelExtentOf(reader_->height(), level);
}

void TvxImage::read(const LevelWindow& window, const BufferTarget& target) {
    auto& level = levels_[window.level];
    if (!level)
        level = std::make_unique<LevelReader>(*reader_, layout_, dataType_, window.level,
                                              levelWidth(window.level));
    level->read(window.x, window.y, window.width, window.height, target);
}

}  // namespace tvxgdal
