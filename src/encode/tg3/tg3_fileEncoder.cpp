#include "encode/tg3/tg3_fileEncoder.h"

#include "encode/tg3/tg3_codedImage.h"
#include "encode/tg3/tg3_encodeSettings.h"
#include "encode/tg3/tg3_fileAssembler.h"
#include "encode/tg3/tg3_imageCoder.h"
#include "encode/tg3/tg3_planeSelection.h"
#include "platform/cv_fileSystem.h"
#include "stream/cv_fileStream.h"
#include "support/cv_exception.h"

namespace Corvane {

void encodeTG3(RasterSource& source, const TG3EncodeOptions& options, KernelStream& file) {
    const TG3ImageInfo info = encodedImageInfo(source.shape(), options);
    EncodeProgress progress(options.callbacks);

    // Coding every sub-block is most of the work; a quality search decodes several times.
    const double selection = options.rateMode == TG3RateMode::targetQuality ? 0.4 : 0.1;
    progress.beginStage(0.0, 0.9 - selection);
    CodedImage coded(options.rateMode != TG3RateMode::lossless);
    PlaneCoding coding;
    coding.firstRawPlane = 32 - options.rawPlanes;
    codeImage(source, info, coding, coded, progress);

    progress.beginStage(0.9 - selection, selection);
    const KeptPlanes kept = choosePlanes(info, options, coded, source, progress);
    progress.beginStage(0.9, 0.1);
    assembleTG3File(file, info, options, *coded.content(kept, false), coded.planeCount(kept));
    progress.report(1.0);
}

std::vector<std::uint8_t> encodeTG3(const RasterImage& image, const TG3EncodeOptions& options) {
    // Rows are cut from the image as it stands, so its components must be whole first.
    checkSamples(image, encodedImageInfo(shapeOf(image), options));
    RasterImageSource source(image);
    MemoryKernelStream file;
    encodeTG3(source, options, file);
    return file.bytes();
}

void encodeTG3File(RasterSource& source, const TG3EncodeOptions& options, const std::string& path) {
    const FileSpecification file(path);
    CVFileStream stream(file, "w");
    if (!stream.isOpen()) throw IOException(IoPath{file.path()}, IoOpen);
    try {
        CVKernelStream kernel(stream);
        encodeTG3(source, options, kernel);
        if (!stream.close()) throw IOException(IoPath{file.path()}, IoClose);
    } catch (...) {
        stream.close();
        removeFile(file.path().c_str());
        throw;
    }
}

void encodeTG3File(const RasterImage& image, const TG3EncodeOptions& options,
                   const std::string& path) {
    checkSamples(image, encodedImageInfo(shapeOf(image), options));
    RasterImageSource source(image);
    encodeTG3File(source, options, path);
}

}  // namespace Corvane
