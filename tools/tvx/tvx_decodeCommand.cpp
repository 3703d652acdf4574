// `tvx decode FILE OUT`: one level (or a window of it) written as PNG, GeoTIFF or PNM.
#include <iostream>
#include <thread>

#include "support/cv_exception.h"
#include "tvx_commands.h"
#include "tvx_imageFiles.h"
#include "tvx_levelChoice.h"
#include "tvx_openImage.h"
#include "tvx_progressBar.h"
#include "tvx_rasterWriter.h"
#include "tvx_stripDecoder.h"

namespace tvx {

namespace {

std::int32_t chooseLevel(const ParsedArguments& arguments, const Corvane::ImageStage& image) {
    if (const auto level = arguments.integer("level", 0, image.levelCount()))
        return static_cast<std::int32_t>(*level);
    if (const auto width = arguments.integer("width", 1, 0x7FFFFFFF)) {
        const auto level = levelForWidth(image.width(), image.height(), image.levelCount(), *width);
        if (!level)
            throw Corvane::Exception("No level of the image is " + std::to_string(*width) +
                                     " pixels wide or wider");
        return *level;
    }
    return 0;
}

}  // namespace

int runDecode(const ParsedArguments& arguments) {
    const std::string& input = arguments.positional[0];
    const std::string& output = arguments.positional[1];
    if (arguments.has("level") && arguments.has("width"))
        throw UsageError("--level and --width exclude each other");
    if (!isWritableImagePath(output))
        throw UsageError("OUT must end in .png, .tif, .tiff, .pgm, .ppm or .pam");
    const bool windowed = arguments.has("window");
    const PixelWindow window = windowed ? parseWindow(*arguments.value("window")) : PixelWindow{};
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const auto threads =
        static_cast<unsigned>(arguments.integer("threads", 1, 256).value_or(cores));

    OpenedImage image = openTovexImage(input);
    const Corvane::TvxFileImageReader& reader = *image.reader;

    StripRequest request;
    request.path = input;
    // A level beyond the largest magnification is refused by the level rule; a
    // requested level is checked against the image above.
    request.level = chooseLevel(arguments, reader);
    const std::int64_t levelWidth = levelExtentOf(reader.width(), request.level);
    const std::int64_t levelHeight = levelExtentOf(reader.height(), request.level);
    request.width = levelWidth;
    request.height = levelHeight;
    if (windowed) {
        if (window.x + window.width > levelWidth || window.y + window.height > levelHeight)
            throw Corvane::Exception(
                "The window " + std::to_string(window.x) + "," + std::to_string(window.y) + "," +
                std::to_string(window.width) + "," + std::to_string(window.height) +
                " does not lie inside level " + std::to_string(request.level) + " (" +
                std::to_string(levelWidth) + " x " + std::to_string(levelHeight) + ")");
        request.x = window.x;
        request.y = window.y;
        request.width = window.width;
        request.height = window.height;
    }
    request.layout = outputLayoutOf(image);
    request.threads = threads;

    RasterHeader header;
    header.width = static_cast<std::uint32_t>(request.width);
    header.height = static_cast<std::uint32_t>(request.height);
    header.bands = request.layout.samplesPerPixel();
    header.bitsPerSample = static_cast<int>(8 * request.layout.bytesPerSample());
    const Corvane::ImageProperties& p = reader.properties();
    if (p.hasGeoInformation()) {
        const GeoReference geo{p.xResolution(), p.yResolution(), p.xRotation(),
                               p.yRotation(),   p.xUL(),         p.yUL()};
        header.geo = geo.atLevelAndWindow(request.level, request.x, request.y);
    }
    image.reader.reset();  // the workers open readers of their own

    auto writer = createRasterWriter(output, header);
    ProgressBar bar("decoding", arguments.has("quiet"));
    decodeStrips(
        request,
        [&](const std::uint8_t* rows, std::size_t stride, std::uint32_t count) {
            writer->writeRows(rows, stride, count);
        },
        [&](double fraction) { bar.update(fraction); });
    writer->finish();
    bar.finish();
    if (!arguments.has("quiet"))
        std::cerr << "wrote " << output << ": " << header.width << " x " << header.height
                  << " at level " << request.level << "\n";
    return 0;
}

}  // namespace tvx
