// Registers the TVX driver with GDAL; the plug-in's one exported entry point, which
// GDAL looks up by the file's name (gdal_TVX.so) when it loads its plug-ins.
#include <gdal_priv.h>

#include "tvx_gdalDataset.h"

extern "C" __attribute__((visibility("default"))) void GDALRegister_TVX() {
    if (!GDAL_CHECK_VERSION("TVX driver")) return;
    if (GDALGetDriverByName("TVX") != nullptr) return;
    auto* driver = new GDALDriver();
    driver->SetDescription("TVX");
    driver->SetMetadataItem(GDAL_DCAP_RASTER, "YES");
    driver->SetMetadataItem(GDAL_DMD_LONGNAME, "Tovex wavelet-compressed raster");
    driver->SetMetadataItem(GDAL_DMD_EXTENSION, "tvx");
    driver->pfnIdentify = tvxgdal::TvxDataset::Identify;
    driver->pfnOpen = tvxgdal::TvxDataset::Open;
    GetGDALDriverManager()->RegisterDriver(driver);
}
