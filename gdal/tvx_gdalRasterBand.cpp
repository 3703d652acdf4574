#include "tvx_gdalRasterBand.h"

#include <algorithm>
#include <cstring>

#include "tvx_gdalDataset.h"

namespace tvxgdal {

namespace {
constexpr int kBlockSize = 128;
}  // namespace

TvxRasterBand::TvxRasterBand(TvxDataset* dataset, int band, GDALColorInterp colour, bool hasNoData,
                             double noData)
    : colour_(colour), hasNoData_(hasNoData), noData_(noData) {
    poDS = dataset;
    nBand = band;
    eDataType = dataset->image().dataType();
    nBlockXSize = kBlockSize;
    nBlockYSize = kBlockSize;
}

TvxDataset& TvxRasterBand::dataset() const {
    return *static_cast<TvxDataset*>(poDS);
}

CPLErr TvxRasterBand::IReadBlock(int blockX, int blockY, void* data) {
    const int sampleBytes = GDALGetDataTypeSizeBytes(eDataType);
    std::memset(data, 0, static_cast<std::size_t>(kBlockSize) * kBlockSize * sampleBytes);
    const int x = blockX * kBlockSize, y = blockY * kBlockSize;
    const int width = std::min(kBlockSize, nRasterXSize - x);
    const int height = std::min(kBlockSize, nRasterYSize - y);
    return dataset().readWindow(x, y, width, height,
                                {data,
                                 eDataType,
                                 width,
                                 height,
                                 {nBand - 1},
                                 sampleBytes,
                                 static_cast<GSpacing>(sampleBytes) * kBlockSize,
                                 0});
}

CPLErr TvxRasterBand::IRasterIO(GDALRWFlag direction, int x, int y, int width, int height,
                                void* data, int bufferWidth, int bufferHeight,
                                GDALDataType bufferType, GSpacing pixelSpace, GSpacing lineSpace,
                                GDALRasterIOExtraArg*) {
    if (direction != GF_Read) {
        CPLError(CE_Failure, CPLE_NotSupported, "Tovex files are read only");
        return CE_Failure;
    }
    return dataset().readWindow(
        x, y, width, height,
        {data, bufferType, bufferWidth, bufferHeight, {nBand - 1}, pixelSpace, lineSpace, 0});
}

double TvxRasterBand::GetNoDataValue(int* hasNoData) {
    if (!hasNoData_) return GDALPamRasterBand::GetNoDataValue(hasNoData);
    if (hasNoData != nullptr) *hasNoData = TRUE;
    return noData_;
}

int TvxRasterBand::GetOverviewCount() {
    return dataset().overviewCount();
}

GDALRasterBand* TvxRasterBand::GetOverview(int index) {
    TvxDataset* overview = dataset().overview(index);
    return overview != nullptr ? overview->GetRasterBand(nBand) : nullptr;
}

}  // namespace tvxgdal
