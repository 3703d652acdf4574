#pragma once
// One sample of the pixel as a GDAL band. Reads of windows go to the dataset, which
// decodes them for all bands; blocks of 128 x 128 pixels, the library's tile size,
// come through the same path, a whole row of tiles decoded for the first of them.
#include <gdal_pam.h>

namespace tvxgdal {

class TvxDataset;

class TvxRasterBand final : public GDALPamRasterBand {
  public:
    TvxRasterBand(TvxDataset* dataset, int band, GDALColorInterp colour, bool hasNoData,
                  double noData);

    CPLErr IReadBlock(int blockX, int blockY, void* data) override;
    CPLErr IRasterIO(GDALRWFlag direction, int x, int y, int width, int height, void* data,
                     int bufferWidth, int bufferHeight, GDALDataType bufferType,
                     GSpacing pixelSpace, GSpacing lineSpace, GDALRasterIOExtraArg* extra) override;

    GDALColorInterp GetColorInterpretation() override { return colour_; }
    double GetNoDataValue(int* hasNoData) override;
    int GetOverviewCount() override;
    GDALRasterBand* GetOverview(int index) override;

  private:
    TvxDataset& dataset() const;

    GDALColorInterp colour_;
    bool hasNoData_;
    double noData_;
};

}  // namespace tvxgdal
