#include "tvx_gdalDataset.h"

#include <cstring>

#include "image/cv_worldFile.h"
#include "pixel/cv_colorSpace.h"
#include "tvx_gdalErrors.h"
#include "tvx_gdalGeoreference.h"
#include "tvx_gdalMetadata.h"
#include "tvx_gdalRasterBand.h"

namespace tvxgdal {

namespace {

GDALColorInterp colourOf(std::uint32_t scheme, int band) {
    static constexpr GDALColorInterp rgb[] = {GCI_RedBand, GCI_GreenBand, GCI_BlueBand};
    static constexpr GDALColorInterp cmyk[] = {GCI_CyanBand, GCI_MagentaBand, GCI_YellowBand,
                                               GCI_BlackBand};
    if (scheme == Corvane::SchemeGrayscale && band == 0) return GCI_GrayIndex;
    if (scheme == Corvane::SchemeRGB && band < 3) return rgb[band];
    if (scheme == Corvane::SchemeCMYK && band < 4) return cmyk[band];
    return GCI_Undefined;
}

// Levels past the first that is one pixel each way repeat it; a file that claims
// more is shown only that far.
std::int32_t levelsWorthShowing(const TvxImage& image) {
    std::int32_t shown = 0;
    for (std::int32_t level = 1; level <= image.levelCount(); ++level) {
        shown = level;
        if (image.levelWidth(level) == 1 && image.levelHeight(level) == 1) break;
    }
    return shown;
}

// GDAL's metadata lists, set directly on the object: values the file holds are not
// changes that a PAM side file would need to keep.
void setList(GDALMajorObject& object, const std::vector<std::string>& items, const char* domain) {
    CPLStringList list;
    for (const std::string& item : items) list.AddString(item.c_str());
    object.GDALMajorObject::SetMetadata(list.List(), domain);
}

}  // namespace

int TvxDataset::Identify(GDALOpenInfo* openInfo) {
    // The magic is enough: the generation byte after it, and a file cut short before
    // it, are judged by the library, whose refusal then says what is wrong.
    return openInfo->nHeaderBytes >= 4 && std::memcmp(openInfo->pabyHeader, "tovx", 4) == 0;
}

GDALDataset* TvxDataset::Open(GDALOpenInfo* openInfo) {
    if (!Identify(openInfo)) return nullptr;
    if (openInfo->eAccess == GA_Update) {
        CPLError(CE_Failure, CPLE_NotSupported, "The TVX driver cannot update %s: it only reads",
                 openInfo->pszFilename);
        return nullptr;
    }
    std::shared_ptr<TvxImage> image;
    std::unique_ptr<TvxDataset> dataset;
    const CPLErr opened = reportingFailures([&] {
        image = std::make_shared<TvxImage>(openInfo->pszFilename);
        dataset = std::make_unique<TvxDataset>(image, 0, levelsWorthShowing(*image));
    });
    if (opened != CE_None) return nullptr;
    dataset->SetDescription(openInfo->pszFilename);
    dataset->TryLoadXML(openInfo->GetSiblingFiles());
    return dataset.release();
}

TvxDataset::TvxDataset(std::shared_ptr<TvxImage> image, std::int32_t level,
                       std::int32_t levelsShown)
    : image_(std::move(image)), level_(level), levelsShown_(levelsShown) {
    nRasterXSize = static_cast<int>(image_->levelWidth(level));
    nRasterYSize = static_cast<int>(image_->levelHeight(level));
    eAccess = GA_ReadOnly;
    const Corvane::TvxFileImageReader& reader = image_->reader();
    const auto noData = noDataValuesOf(reader);
    const std::uint32_t scheme = image_->layout().colorSpace().scheme();
    const int bands = static_cast<int>(image_->layout().samplesPerPixel());
    for (int band = 0; band < bands; ++band) {
        const bool hasNoData = noData && static_cast<std::size_t>(band) < noData->size();
        SetBand(band + 1, new TvxRasterBand(this, band + 1, colourOf(scheme, band), hasNoData,
                                            hasNoData ? (*noData)[band] : 0.0));
    }
    transform_ = geoTransformOf(reader.properties());
    if (transform_ && level > 0) {
        // Pixel (0, 0) of a reduced level covers the first 2^level pixels each way.
        const double scale = static_cast<double>(std::int64_t{1} << level);
        for (int i : {1, 2, 4, 5}) (*transform_)[i] *= scale;
    }
    if (const auto code = projectedCodeOf(reader.metadata())) {
        if (srs_.importFromEPSG(*code) == OGRERR_NONE)
            srs_.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        else
            srs_.Clear();
    }
    setList(*this, {"INTERLEAVE=PIXEL"}, "IMAGE_STRUCTURE");
    if (level > 0) return;
    setList(*this, imageFactsOf(reader), "");
    setList(*this, metadataItemsOf(reader.metadata()), kMetadataDomain);
    for (std::int32_t overview = 1; overview <= levelsShown_; ++overview)
        overviews_.push_back(std::make_unique<TvxDataset>(image_, overview, levelsShown_));
}

TvxDataset::~TvxDataset() {
    FlushCache(true);
    overviews_.clear();
}

CPLErr TvxDataset::GetGeoTransform(double* transform) {
    if (!transform_) return GDALPamDataset::GetGeoTransform(transform);
    std::copy(transform_->begin(), transform_->end(), transform);
    return CE_None;
}

const OGRSpatialReference* TvxDataset::GetSpatialRef() const {
    return srs_.IsEmpty() ? GDALPamDataset::GetSpatialRef() : &srs_;
}

char** TvxDataset::GetFileList() {
    char** files = GDALPamDataset::GetFileList();
    const std::string world = Corvane::worldFilePath(image_->reader().fileSpecification()).path();
    VSIStatBufL status;
    if (VSIStatL(world.c_str(), &status) == 0 && CSLFindString(files, world.c_str()) < 0)
        files = CSLAddString(files, world.c_str());
    return files;
}

TvxDataset* TvxDataset::overview(int index) const {
    if (index < 0 || index >= overviewCount()) return nullptr;
    return overviews_[static_cast<std::size_t>(index)].get();
}

CPLErr TvxDataset::IRasterIO(GDALRWFlag direction, int x, int y, int width, int height, void* data,
                             int bufferWidth, int bufferHeight, GDALDataType bufferType,
                             int bandCount, int* bandMap, GSpacing pixelSpace, GSpacing lineSpace,
                             GSpacing bandSpace, GDALRasterIOExtraArg*) {
    if (direction != GF_Read) {
        CPLError(CE_Failure, CPLE_NotSupported, "Tovex files are read only");
        return CE_Failure;
    }
    std::vector<int> bands;
    for (int i = 0; i < bandCount; ++i) bands.push_back(bandMap[i] - 1);
    return readWindow(x, y, width, height,
                      {data, bufferType, bufferWidth, bufferHeight, std::move(bands), pixelSpace,
                       lineSpace, bandSpace});
}

CPLErr TvxDataset::readWindow(int x, int y, int width, int height, BufferTarget target) {
    return reportingFailures([&] {
        const LevelWindow window =
            chooseLevel(image_->levelWidth(0), image_->levelHeight(0), levelsShown_, level_, x, y,
                        width, height, target.width, target.height);
        image_->read(window, target);
    });
}

}  // namespace tvxgdal
