#include "encode/tg3/tg3_fileEncoder.h"

#include <algorithm>

#include "encode/tg3/tg3_codedImage.h"
#include "encode/tg3/tg3_encodeSettings.h"
#include "encode/tg3/tg3_fileAssembler.h"
#include "encode/tg3/tg3_forwardSampleSteps.h"
#include "encode/tg3/tg3_imageCoder.h"
#include "encode/tg3/tg3_planeSelection.h"
#include "stream/cv_fileStream.h"
#include "support/cv_exception.h"

namespace Corvane {

std::vector<std::uint8_t> encodeTG3(const RasterImage& image, const TG3EncodeOptions& options) {
    const TG3ImageInfo info = encodedImageInfo(image, options);
    EncodeProgress progress(options.callbacks);
    progress.beginStage(0.0, 0.1);

    std::vector<std::vector<std::int32_t>> samples = image.components;
    if (info.colorTransform == colorTransformCMYKToYIQKProcessed) cmykPreProcess(samples);
    std::int32_t status = 0;
    const std::vector<BandPlanes> bands = transformImage(info, samples, status);
    if (status != 0) throwStatus(status);
    samples.clear();

    // Coding every sub-block is most of the work; a quality search decodes several times.
    const double selection = options.rateMode == TG3RateMode::targetQuality ? 0.4 : 0.1;
    progress.beginStage(0.1, 0.9 - selection);
    const CodedImage coded(info, bands, 32 - options.rawPlanes, progress);
    progress.beginStage(1.0 - selection, selection);
    const KeptPlanes kept = choosePlanes(info, options, coded, image, progress);
    std::vector<std::uint8_t> bytes = assembleTG3File(info, options, coded.planes(kept));
    progress.report(1.0);
    return bytes;
}

void encodeTG3File(const RasterImage& image, const TG3EncodeOptions& options,
                   const std::string& path) {
    const std::vector<std::uint8_t> bytes = encodeTG3(image, options);
    const FileSpecification file(path);
    CVFileStream stream(file, "w");
    if (!stream.isOpen()) throw IOException(IoPath{file.path()}, IoOpen);
    // The stream takes at most 2^31 - 1 bytes per call.
    constexpr std::size_t kChunk = std::size_t{1} << 30;
    for (std::size_t done = 0; done < bytes.size(); done += kChunk) {
        const auto count = static_cast<std::uint32_t>(std::min(kChunk, bytes.size() - done));
        if (!stream.write(bytes.data() + done, count))
            throw IOException(IoPath{file.path()}, IoWrite);
    }
    if (!stream.close()) throw IOException(IoPath{file.path()}, IoClose);
}

}  // namespace Corvane
