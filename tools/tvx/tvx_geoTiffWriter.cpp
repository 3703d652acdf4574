#include "tvx_geoTiffWriter.h"

#include <geotiff/geovalues.h>
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "support/cv_exception.h"
#include "tvx_atomicOutput.h"
#include "tvx_geoTiffLibrary.h"
#include "tvx_tiffMessages.h"

namespace tvx {

namespace {

constexpr std::uint32_t kTileSize = 256;

class GeoTiffWriter : public RasterWriter {
  public:
    GeoTiffWriter(const std::string& path, const RasterHeader& header)
        : output_(path), header_(header) {
        captureTiffMessages();
        output_.closeStream();
        // Classic TIFF offsets are 32-bit; images that could pass 4 GiB use BigTIFF.
        const double rawBytes = double(header.width) * header.height * header.bands *
                                (header.bitsPerSample == 16 ? 2 : 1);
        tif_ = geoTiff().open(output_.temporaryPath().c_str(), rawBytes > 3.5e9 ? "w8" : "w");
        if (tif_ == nullptr) fail();
        writeTags();
        if (header.geo) writeGeoTags(*header.geo);
        pixelBytes_ = std::size_t{header.bands} * (header.bitsPerSample == 16 ? 2 : 1);
        band_.assign(std::size_t{header.width} * kTileSize * pixelBytes_, 0);
        tile_.assign(std::size_t{kTileSize} * kTileSize * pixelBytes_, 0);
    }

    ~GeoTiffWriter() override {
        if (tif_ != nullptr) geoTiff().close(tif_);
    }

    void writeRows(const std::uint8_t* rows, std::size_t stride, std::uint32_t count) override {
        const std::size_t rowBytes = std::size_t{header_.width} * pixelBytes_;
        for (std::uint32_t y = 0; y < count; ++y) {
            std::memcpy(band_.data() + std::size_t{rowsInBand_} * rowBytes, rows + y * stride,
                        rowBytes);
            ++rowsInBand_;
            if (rowsInBand_ == kTileSize || bandTop_ + rowsInBand_ == header_.height) flushBand();
        }
    }

    void finish() override {
        if (bandTop_ != header_.height) fail("the image is incomplete");
        if (!TIFFWriteDirectory(tif_)) fail();
        geoTiff().close(tif_);
        tif_ = nullptr;
        output_.commit();
    }

  private:
    [[noreturn]] void fail(const std::string& why = takeTiffError()) {
        throw Corvane::Exception("Cannot write " + output_.finalPath() + ": " + why);
    }

    void writeTags() {
        const bool cmyk = header_.bands == 4;
        TIFFSetField(tif_, TIFFTAG_IMAGEWIDTH, header_.width);
        TIFFSetField(tif_, TIFFTAG_IMAGELENGTH, header_.height);
        TIFFSetField(tif_, TIFFTAG_BITSPERSAMPLE, header_.bitsPerSample);
        TIFFSetField(tif_, TIFFTAG_SAMPLESPERPIXEL, header_.bands);
        TIFFSetField(tif_, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
        TIFFSetField(tif_, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif_, TIFFTAG_PHOTOMETRIC,
                     header_.bands == 1 ? PHOTOMETRIC_MINISBLACK
                     : cmyk             ? PHOTOMETRIC_SEPARATED
                                        : PHOTOMETRIC_RGB);
        if (cmyk) TIFFSetField(tif_, TIFFTAG_INKSET, INKSET_CMYK);
        TIFFSetField(tif_, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(tif_, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        TIFFSetField(tif_, TIFFTAG_TILEWIDTH, kTileSize);
        TIFFSetField(tif_, TIFFTAG_TILELENGTH, kTileSize);
    }

    // Pixel (0, 0) of a point raster sits at raster (0, 0), which maps straight to
    // the centre of the upper-left pixel that the world-file numbers give.
    void writeGeoTags(const GeoReference& geo) {
        if (geo.rotated()) {
            double matrix[16] = {geo.xResolution,
                                 geo.yRotation,
                                 0,
                                 geo.xUL,
                                 geo.xRotation,
                                 -geo.yResolution,
                                 0,
                                 geo.yUL,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 1};
            TIFFSetField(tif_, TIFFTAG_GEOTRANSMATRIX, 16, matrix);
        } else {
            double scale[3] = {geo.xResolution, geo.yResolution, 0};
            double tie[6] = {0, 0, 0, geo.xUL, geo.yUL, 0};
            TIFFSetField(tif_, TIFFTAG_GEOPIXELSCALE, 3, scale);
            TIFFSetField(tif_, TIFFTAG_GEOTIEPOINTS, 6, tie);
        }
        GTIF* gtif = geoTiff().create(tif_);
        if (gtif == nullptr) fail("cannot attach GeoTIFF keys");
        geoTiff().keySet(gtif, GTRasterTypeGeoKey, TYPE_SHORT, 1, RasterPixelIsPoint);
        if (header_.projectedCS) {
            geoTiff().keySet(gtif, GTModelTypeGeoKey, TYPE_SHORT, 1, ModelTypeProjected);
            geoTiff().keySet(gtif, ProjectedCSTypeGeoKey, TYPE_SHORT, 1, *header_.projectedCS);
        } else {
            geoTiff().keySet(gtif, GTModelTypeGeoKey, TYPE_SHORT, 1, KvUserDefined);
        }
        const int written = geoTiff().writeKeys(gtif);
        geoTiff().free(gtif);
        if (!written) fail("cannot write GeoTIFF keys");
    }

    // Cuts the rows gathered so far into tiles; the parts of edge tiles beyond the
    // image are zero.
    void flushBand() {
        const std::size_t rowBytes = std::size_t{header_.width} * pixelBytes_;
        const std::size_t tileRowBytes = std::size_t{kTileSize} * pixelBytes_;
        for (std::uint32_t x = 0; x < header_.width; x += kTileSize) {
            const std::size_t copyBytes =
                std::size_t{std::min(kTileSize, header_.width - x)} * pixelBytes_;
            std::fill(tile_.begin(), tile_.end(), 0);
            for (std::uint32_t y = 0; y < rowsInBand_; ++y)
                std::memcpy(tile_.data() + y * tileRowBytes,
                            band_.data() + y * rowBytes + x * pixelBytes_, copyBytes);
            if (TIFFWriteTile(tif_, tile_.data(), x, bandTop_, 0, 0) < 0) fail();
        }
        bandTop_ += rowsInBand_;
        rowsInBand_ = 0;
    }

    AtomicOutput output_;
    RasterHeader header_;
    TIFF* tif_ = nullptr;
    std::size_t pixelBytes_ = 1;
    std::vector<std::uint8_t> band_;
    std::vector<std::uint8_t> tile_;
    std::uint32_t bandTop_ = 0;
    std::uint32_t rowsInBand_ = 0;
};

}  // namespace

std::unique_ptr<RasterWriter> createGeoTiffWriter(const std::string& path,
                                                  const RasterHeader& header) {
    return std::make_unique<GeoTiffWriter>(path, header);
}

}  // namespace tvx
