#pragma once
// One opened Tovex file as the GDAL datasets of all its levels see it: the library's
// file-level reader, the layout every level is decoded into, and one level reader per
// level, made on first use. The full-resolution dataset and its overviews share it.
#include <gdal.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "pixel/cv_pixelLayout.h"
#include "reader/cv_tvxFileImageReader.h"
#include "tvx_gdalLevelReader.h"

namespace tvxgdal {

// A window of one level and where its samples go: the GDAL request after the level
// has been chosen.
struct LevelWindow {
    std::int32_t level = 0;
    std::int64_t x = 0, y = 0, width = 0, height = 0;  // pixels of that level
};

// The coarsest level, from `baseLevel` up to `levelCount`, at which the window
// (given in pixels of `baseLevel`) still has at least as many pixels as the buffer
// each way; the window is widened outwards to whole pixels of that level, and held
// inside the level's extent.
LevelWindow chooseLevel(std::int64_t fullWidth, std::int64_t fullHeight, std::int32_t levelCount,
                        std::int32_t baseLevel, std::int64_t x, std::int64_t y, std::int64_t width,
                        std::int64_t height, std::int64_t bufferWidth, std::int64_t bufferHeight);

class TvxImage {
  public:
    // Opens the file; raises the library's exceptions.
    explicit TvxImage(const std::string& path);
    ~TvxImage();

    const Corvane::TvxFileImageReader& reader() const { return *reader_; }
    // The samples GDAL sees: TG3 images in their own type, TG2 images as 8 bits,
    // in the image's colour scheme and band count, except that YIQ is read as RGB and
    // YIQK as CMYK, 8 bits each.
    const Corvane::PixelLayout& layout() const { return layout_; }
    GDALDataType dataType() const { return dataType_; }
    std::int32_t levelCount() const { return reader_->levelCount(); }
    std::int64_t levelWidth(std::int32_t level) const;
    std::int64_t levelHeight(std::int32_t level) const;

    // Decodes the window once for all the bands asked for and writes them into the
    // buffer, nearest sample where the buffer's size differs from the window's.
    void read(const LevelWindow& window, const BufferTarget& target);

  private:
    std::unique_ptr<Corvane::TvxFileImageReader> reader_;
    Corvane::PixelLayout layout_;
    GDALDataType dataType_ = GDT_Byte;
    std::map<std::int32_t, std::unique_ptr<LevelReader>> levels_;  // made on first use
};

}  // namespace tvxgdal
