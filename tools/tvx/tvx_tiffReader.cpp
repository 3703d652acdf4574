// TIFF input for `tvx encode`: 8- or 16-bit unsigned grey, RGB or CMYK, in strips or
// tiles, interleaved or in separate planes, with GeoTIFF georeferencing when present.
#include <geotiff/geovalues.h>
#include <tiffio.h>

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

// Copies one decoded block of samples (a row or a tile) into the planes.
class SampleSink {
  public:
    SampleSink(Corvane::RasterImage& raster, const TiffLayout& layout)
        : raster_(raster), layout_(layout) {}

    // The block's top-left pixel is (x0, y0); it is blockWidth pixels wide and holds
    // `perPixel` samples per pixel, the first being band `firstBand`.
    void take(const std::uint8_t* block, std::uint32_t x0, std::uint32_t y0,
              std::uint32_t blockWidth, std::uint32_t blockHeight, std::uint32_t perPixel,
              std::uint32_t firstBand, std::uint32_t bandsInBlock) {
        const std::uint32_t maxValue = (1u << layout_.bitsPerSample) - 1;
        for (std::uint32_t by = 0; by < blockHeight && y0 + by < layout_.height; ++by) {
            for (std::uint32_t bx = 0; bx < blockWidth && x0 + bx < layout_.width; ++bx) {
                const std::size_t pixel = std::size_t{by} * blockWidth + bx;
                const std::size_t target = std::size_t{y0 + by} * layout_.width + (x0 + bx);
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
};

void readTiles(TIFF* tif, const TiffLayout& layout, SampleSink& sink, const std::string& path) {
    std::uint32_t tileWidth = 0, tileHeight = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
    if (tileWidth == 0 || tileHeight == 0) refuse(path, "bad tile size");
    std::vector<std::uint8_t> tile(static_cast<std::size_t>(TIFFTileSize(tif)));
    const bool separate = layout.planar == PLANARCONFIG_SEPARATE;
    const std::uint32_t planes = separate ? layout.bands : 1;
    for (std::uint32_t plane = 0; plane < planes; ++plane) {
        for (std::uint32_t y = 0; y < layout.height; y += tileHeight) {
            for (std::uint32_t x = 0; x < layout.width; x += tileWidth) {
                if (TIFFReadTile(tif, tile.data(), x, y, 0, static_cast<std::uint16_t>(plane)) < 0)
                    refuse(path, takeTiffError());
                if (separate)
                    sink.take(tile.data(), x, y, tileWidth, tileHeight, 1, plane, 1);
                else
                    sink.take(tile.data(), x, y, tileWidth, tileHeight, layout.samplesPerPixel, 0,
                              layout.bands);
            }
        }
    }
}

void readScanlines(TIFF* tif, const TiffLayout& layout, SampleSink& sink, const std::string& path) {
    std::vector<std::uint8_t> line(static_cast<std::size_t>(TIFFScanlineSize(tif)));
    const bool separate = layout.planar == PLANARCONFIG_SEPARATE;
    const std::uint32_t planes = separate ? layout.bands : 1;
    for (std::uint32_t plane = 0; plane < planes; ++plane) {
        for (std::uint32_t y = 0; y < layout.height; ++y) {
            if (TIFFReadScanline(tif, line.data(), y, static_cast<std::uint16_t>(plane)) < 0)
                refuse(path, takeTiffError());
            if (separate)
                sink.take(line.data(), 0, y, layout.width, 1, 1, plane, 1);
            else
                sink.take(line.data(), 0, y, layout.width, 1, layout.samplesPerPixel, 0,
                          layout.bands);
        }
    }
}

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

InputImage readTiff(const std::string& path) {
    captureTiffMessages();
    TiffHandle tif(geoTiff().open(path.c_str(), "r"));
    if (!tif) refuse(path, takeTiffError());
    const TiffLayout layout = readLayout(tif.get(), path);

    InputImage image;
    Corvane::RasterImage& raster = image.raster;
    raster.width = layout.width;
    raster.height = layout.height;
    raster.bitsPerSample = layout.bitsPerSample;
    raster.components.assign(layout.bands,
                             std::vector<std::int32_t>(std::size_t{layout.width} * layout.height));
    SampleSink sink(raster, layout);
    if (TIFFIsTiled(tif.get()))
        readTiles(tif.get(), layout, sink, path);
    else
        readScanlines(tif.get(), layout, sink, path);
    image.geo = readGeoTiff(tif.get());
    if (image.geo) image.projectedCS = readProjectedCS(tif.get());
    return image;
}

}  // namespace tvx
