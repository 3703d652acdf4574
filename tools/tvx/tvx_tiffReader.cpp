// TIFF input for `tvx encode`: 8- or 16-bit unsigned grey, RGB or CMYK, in strips or
// tiles, interleaved or in separate planes, with GeoTIFF georeferencing when present.
#include <geotiff/geovalues.h>
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "support/cv_exception.h"
#include "tvx_geoTiffLibrary.h"
#include "tvx_inputImage.h"
#include "tvx_tiffMessages.h"

namespace tvx {

namespace {

struct TiffCloser {
    void operator()(TIFF* tif) const { geoTiff().close(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
    throw Corvane::Exception("Cannot read TIFF " + path + ": " + why);
}

struct TiffLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t samplesPerPixel = 0;  // colour bands plus extra samples
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint32_t bands = 0;  // the colour bands that are kept
    bool invert = false;      // white is zero
};

TiffLayout readLayout(TIFF* tif, const std::string& path) {
    TiffLayout layout;
    std::uint16_t photometric = 0, sampleFormat = SAMPLEFORMAT_UINT, inkSet = INKSET_CMYK;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &layout.width) ||
        !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &layout.height) ||
        !TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
        refuse(path, "size or photometric interpretation missing");
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &layout.bitsPerSample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &layout.samplesPerPixel);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &layout.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inkSet);

    if (layout.bitsPerSample != 8 && layout.bitsPerSample != 16)
        refuse(path, std::to_string(layout.bitsPerSample) + "-bit samples are not supported");
    if (sampleFormat != SAMPLEFORMAT_UINT) refuse(path, "only unsigned integer samples");
    switch (photometric) {
        case PHOTOMETRIC_MINISWHITE:
            layout.invert = true;
            [[fallthrough]];
        case PHOTOMETRIC_MINISBLACK:
            layout.bands = 1;
            break;
        case PHOTOMETRIC_RGB:
            layout.bands = 3;
            break;
        case PHOTOMETRIC_SEPARATED:
            if (inkSet != INKSET_CMYK) refuse(path, "separated images must be CMYK");
            layout.bands = 4;
            break;
        default:
            refuse(path, "photometric interpretation " + std::to_string(photometric) +
                             " is not supported (grey, RGB or CMYK)");
    }
    if (layout.samplesPerPixel < layout.bands) refuse(path, "too few samples per pixel");
    if (layout.width == 0 || layout.height == 0) refuse(path, "the image is empty");
    return layout;
}

// Copies one decoded block of samples (a row, a strip or a tile) into the planes of
// `raster`, which hold the image's rows from `firstRow` on.
class SampleSink {
  public:
    SampleSink(Corvane::RasterImage& raster, const TiffLayout& layout, std::uint32_t firstRow)
        : raster_(raster), layout_(layout), firstRow_(firstRow) {}

    // The block's top-left pixel is (x0, y0); it is blockWidth pixels wide and holds
    // `perPixel` samples per pixel, the first being band `firstBand`.
    void take(const std::uint8_t* block, std::uint32_t x0, std::uint32_t y0,
              std::uint32_t blockWidth, std::uint32_t blockHeight, std::uint32_t perPixel,
              std::uint32_t firstBand, std::uint32_t bandsInBlock) {
        const std::uint32_t maxValue = (1u << layout_.bitsPerSample) - 1;
        const std::uint32_t endRow = firstRow_ + raster_.height;
        for (std::uint32_t by = 0; by < blockHeight && y0 + by < endRow; ++by) {
            if (y0 + by < firstRow_) continue;
            for (std::uint32_t bx = 0; bx < blockWidth && x0 + bx < layout_.width; ++bx) {
                const std::size_t pixel = std::size_t{by} * blockWidth + bx;
                const std::size_t target =
                    std::size_t{y0 + by - firstRow_} * layout_.width + (x0 + bx);
                for (std::uint32_t b = 0; b < bandsInBlock; ++b) {
                    const std::size_t index = pixel * perPixel + b;
                    std::uint32_t value;
                    if (layout_.bitsPerSample == 16) {
                        std::uint16_t sample;
                        std::memcpy(&sample, block + 2 * index, 2);
                        value = sample;
                    } else {
                        value = block[index];
                    }
                    if (layout_.invert) value = maxValue - value;
                    raster_.components[firstBand + b][target] = static_cast<std::int32_t>(value);
                }
            }
        }
    }

  private:
    Corvane::RasterImage& raster_;
    const TiffLayout& layout_;
    std::uint32_t firstRow_;
};

// A TIFF file read one row of blocks at a time: a row of tiles across the image, a
// strip of each plane when the bands lie in separate planes, else a scanline. Only
// the last row of blocks is kept, as the file stores it, so memory follows the width
// times the block height.
class TiffSource : public Corvane::RasterSource {
  public:
    TiffSource(TiffHandle tif, const TiffLayout& layout, std::string path)
        : tif_(std::move(tif)), layout_(layout), path_(std::move(path)) {
        TIFF* tif_raw = tif_.get();
        std::size_t blockBytes = 0;
        std::uint32_t across = 1;
        if (TIFFIsTiled(tif_raw)) {
            TIFFGetField(tif_raw, TIFFTAG_TILEWIDTH, &tileWidth_);
            TIFFGetField(tif_raw, TIFFTAG_TILELENGTH, &blockHeight_);
            if (tileWidth_ == 0 || blockHeight_ == 0) refuse(path_, "bad tile size");
            blockBytes = static_cast<std::size_t>(TIFFTileSize(tif_raw));
            across = (layout_.width - 1) / tileWidth_ + 1;
        } else if (separate()) {
            TIFFGetFieldDefaulted(tif_raw, TIFFTAG_ROWSPERSTRIP, &blockHeight_);
            blockHeight_ = std::clamp<std::uint32_t>(blockHeight_, 1, layout_.height);
            blockBytes = static_cast<std::size_t>(TIFFStripSize(tif_raw));
        } else {
            blockBytes = static_cast<std::size_t>(TIFFScanlineSize(tif_raw));
        }
        if (blockBytes == 0) refuse(path_, takeTiffError());
        const std::uint32_t planes = separate() ? layout_.bands : 1;
        blocks_.assign(std::size_t{planes} * across, std::vector<std::uint8_t>(blockBytes));
    }

    Corvane::RasterShape shape() const override {
        return {layout_.width, layout_.height, layout_.bitsPerSample, layout_.bands};
    }

    void readRows(std::uint32_t firstRow, std::uint32_t count,
                  Corvane::RasterImage& strip) override {
        strip.width = layout_.width;
        strip.height = count;
        strip.bitsPerSample = layout_.bitsPerSample;
        strip.components.assign(layout_.bands,
                                std::vector<std::int32_t>(std::size_t{layout_.width} * count));
        SampleSink sink(strip, layout_, firstRow);
        const std::uint32_t endRow = firstRow + count;
        for (std::uint32_t y = firstRow - firstRow % blockHeight_; y < endRow; y += blockHeight_) {
            if (y != cachedTop_) readBlockRow(y);
            takeBlockRow(y, sink);
        }
    }

  private:
    bool separate() const { return layout_.planar == PLANARCONFIG_SEPARATE; }
    std::uint32_t planes() const { return separate() ? layout_.bands : 1; }
    std::uint32_t blockWidth() const { return tileWidth_ != 0 ? tileWidth_ : layout_.width; }

    // Every block whose top row is y, as the file stores it: plane by plane, left to right.
    void readBlockRow(std::uint32_t y) {
        cachedTop_ = kNoRow;
        TIFF* tif = tif_.get();
        const std::size_t across = blocks_.size() / planes();
        for (std::uint32_t plane = 0; plane < planes(); ++plane) {
            const auto sample = static_cast<std::uint16_t>(plane);
            for (std::size_t column = 0; column < across; ++column) {
                std::vector<std::uint8_t>& block = blocks_[plane * across + column];
                const auto x = static_cast<std::uint32_t>(column * blockWidth());
                tmsize_t read = 0;
                if (tileWidth_ != 0)
                    read = TIFFReadTile(tif, block.data(), x, y, 0, sample);
                else if (separate())
                    read = TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y, sample), block.data(),
                                                static_cast<tmsize_t>(block.size()));
                else
                    read = TIFFReadScanline(tif, block.data(), y, 0);
                if (read < 0) refuse(path_, takeTiffError());
            }
        }
        cachedTop_ = y;
    }

    void takeBlockRow(std::uint32_t y, SampleSink& sink) const {
        const std::size_t across = blocks_.size() / planes();
        for (std::uint32_t plane = 0; plane < planes(); ++plane) {
            for (std::size_t column = 0; column < across; ++column) {
                const std::uint8_t* block = blocks_[plane * across + column].data();
                const auto x = static_cast<std::uint32_t>(column * blockWidth());
                if (separate())
                    sink.take(block, x, y, blockWidth(), blockHeight_, 1, plane, 1);
                else
                    sink.take(block, x, y, blockWidth(), blockHeight_, layout_.samplesPerPixel, 0,
                              layout_.bands);
            }
        }
    }

    static constexpr std::uint32_t kNoRow = 0xFFFFFFFF;
    TiffHandle tif_;
    TiffLayout layout_;
    std::string path_;
    std::uint32_t tileWidth_ = 0;    // 0 for strips
    std::uint32_t blockHeight_ = 1;  // rows of a tile, a separate plane's strip or a scanline
    std::vector<std::vector<std::uint8_t>> blocks_;
    std::uint32_t cachedTop_ = kNoRow;
};

// The pixel-centre map of a GeoTIFF: from a transformation matrix, or from a tie
// point and pixel scale. Area rasters put pixel (0, 0)'s corner at raster (0, 0),
// point rasters its centre.
std::optional<GeoReference> readGeoTiff(TIFF* tif) {
    GTIF* gtif = geoTiff().create(tif);
    std::uint16_t rasterType = RasterPixelIsArea;
    if (gtif != nullptr) {
        geoTiff().keyGet(gtif, GTRasterTypeGeoKey, &rasterType, 0, 1);
        geoTiff().free(gtif);
    }
    const double h = rasterType == RasterPixelIsPoint ? 0.0 : 0.5;

    std::uint16_t count = 0;
    double* values = nullptr;
    if (TIFFGetField(tif, TIFFTAG_GEOTRANSMATRIX, &count, &values) && count >= 16) {
        GeoReference geo;
        geo.xResolution = values[0];
        geo.yRotation = values[1];
        geo.xRotation = values[4];
        geo.yResolution = -values[5];
        geo.xUL = values[0] * h + values[1] * h + values[3];
        geo.yUL = values[4] * h + values[5] * h + values[7];
        return geo;
    }
    double* tie = nullptr;
    std::uint16_t tieCount = 0;
    if (TIFFGetField(tif, TIFFTAG_GEOPIXELSCALE, &count, &values) && count >= 2 &&
        TIFFGetField(tif, TIFFTAG_GEOTIEPOINTS, &tieCount, &tie) && tieCount >= 6) {
        GeoReference geo;
        geo.xResolution = values[0];
        geo.yResolution = values[1];
        geo.xUL = (h - tie[0]) * values[0] + tie[3];
        geo.yUL = tie[4] - (h - tie[1]) * values[1];
        return geo;
    }
    return std::nullopt;
}

// The EPSG code of a projected coordinate system; nullopt for none or a
// user-defined one.
std::optional<std::uint16_t> readProjectedCS(TIFF* tif) {
    GTIF* gtif = geoTiff().create(tif);
    if (gtif == nullptr) return std::nullopt;
    std::uint16_t code = 0;
    const int found = geoTiff().keyGet(gtif, ProjectedCSTypeGeoKey, &code, 0, 1);
    geoTiff().free(gtif);
    if (found != 1 || code == 0 || code == KvUserDefined) return std::nullopt;
    return code;
}

}  // namespace

InputSource openTiff(const std::string& path) {
    captureTiffMessages();
    // Without "m" libtiff maps the whole file into memory, and every page it reads
    // stays resident: a large image would cost its whole size in memory after all.
    TiffHandle tif(geoTiff().open(path.c_str(), "rm"));
    if (!tif) refuse(path, takeTiffError());
    const TiffLayout layout = readLayout(tif.get(), path);
    InputSource input;
    input.geo = readGeoTiff(tif.get());
    if (input.geo) input.projectedCS = readProjectedCS(tif.get());
    input.source = std::make_unique<TiffSource>(std::move(tif), layout, path);
    return input;
}

}  // namespace tvx
