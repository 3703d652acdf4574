#include "tvx_imageFiles.h"

#include <cctype>
#include <filesystem>

#include "support/cv_exception.h"
#include "tvx_geoTiffWriter.h"
#include "tvx_inputImage.h"
#include "tvx_pngFiles.h"
#include "tvx_pnmFiles.h"
#include "tvx_rasterWriter.h"

namespace tvx {

ImageFormat imageFormatOf(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".png") return ImageFormat::Png;
    if (extension == ".tif" || extension == ".tiff") return ImageFormat::Tiff;
    if (extension == ".pgm" || extension == ".ppm" || extension == ".pam" || extension == ".pnm")
        return ImageFormat::Pnm;
    return ImageFormat::Unknown;
}

bool isWritableImagePath(const std::string& path) {
    return imageFormatOf(path) != ImageFormat::Unknown;
}

std::unique_ptr<RasterWriter> createRasterWriter(const std::string& path,
                                                 const RasterHeader& header) {
    switch (imageFormatOf(path)) {
        case ImageFormat::Png:
            return createPngWriter(path, header);
        case ImageFormat::Tiff:
            return createGeoTiffWriter(path, header);
        case ImageFormat::Pnm:
            return createPnmWriter(path, header);
        case ImageFormat::Unknown:
            break;
    }
    throw Corvane::Exception("Cannot tell the format of " + path +
                             " from its extension (.png, .tif, .tiff, .pgm, .ppm, .pam)");
}

InputSource openImageFile(const std::string& path) {
    switch (imageFormatOf(path)) {
        case ImageFormat::Png:
            return openPng(path);
        case ImageFormat::Tiff:
            return openTiff(path);
        case ImageFormat::Pnm:
            return openPnm(path);
        case ImageFormat::Unknown:
            break;
    }
    throw Corvane::Exception("Cannot tell the format of " + path +
                             " from its extension (.png, .tif, .tiff, .pgm, .ppm, .pam)");
}

InputImage readImageFile(const std::string& path) {
    InputSource input = openImageFile(path);
    return InputImage{Corvane::readWholeRaster(*input.source), input.geo, input.projectedCS};
}

}  // namespace tvx
