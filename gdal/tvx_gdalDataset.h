#pragma once
// A Tovex file as a GDAL dataset: one dataset for full resolution and one per
// reduced level, which GDAL sees as the overviews of its bands. Every read goes to
// the shared image, which decodes the requested window at the level that serves the
// buffer's size, once for all bands.
#include <gdal_pam.h>
#include <ogr_spatialref.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "tvx_gdalImage.h"

namespace tvxgdal {

class TvxRasterBand;

class TvxDataset final : public GDALPamDataset {
  public:
    static int Identify(GDALOpenInfo* openInfo);
    static GDALDataset* Open(GDALOpenInfo* openInfo);

    TvxDataset(std::shared_ptr<TvxImage> image, std::int32_t level, std::int32_t levelsShown);
    ~TvxDataset() override;

    CPLErr GetGeoTransform(double* transform) override;
    const OGRSpatialReference* GetSpatialRef() const override;
    // The image and, when there is one, the world file beside it.
    char** GetFileList() override;

    CPLErr IRasterIO(GDALRWFlag direction, int x, int y, int width, int height, void* data,
                     int bufferWidth, int bufferHeight, GDALDataType bufferType, int bandCount,
                     int* bandMap, GSpacing pixelSpace, GSpacing lineSpace, GSpacing bandSpace,
                     GDALRasterIOExtraArg* extra) override;

    // Reads a window of this dataset's level into a buffer for the given 0-based bands.
    CPLErr readWindow(int x, int y, int width, int height, BufferTarget target);

    int overviewCount() const { return static_cast<int>(overviews_.size()); }
    TvxDataset* overview(int index) const;
    const TvxImage& image() const { return *image_; }

  private:
    void describe();

    std::shared_ptr<TvxImage> image_;
    std::int32_t level_;
    std::int32_t levelsShown_;  // the coarsest level GDAL is shown
    std::optional<std::array<double, 6>> transform_;
    OGRSpatialReference srs_;
    std::vector<std::unique_ptr<TvxDataset>> overviews_;
};

}  // namespace tvxgdal
