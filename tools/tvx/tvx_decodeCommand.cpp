// `tvx decode FILE OUT`: one level (or a window of it) written as PNG, GeoTIFF or PNM.
#include <filesystem>
#include <iostream>
#include <limits>
#include <thread>

#include "image/cv_levelChoice.h"
#include "metadata/cv_geoKeys.h"
#include "support/cv_exception.h"
#include "tvx_commands.h"
#include "tvx_imageFiles.h"
#include "tvx_openImage.h"
#include "tvx_outputLimit.h"
#include "tvx_progressBar.h"
#include "tvx_rasterWriter.h"
#include "tvx_stripDecoder.h"

namespace tvx {

namespace {

std::int32_t chooseLevel(const ParsedArguments& arguments, const Corvane::TvxImageReader& image) {
    // Negative levels magnify, as far as the host's level rule goes.
    const std::int32_t most = Corvane::kMostMagnifiedLevel;
    if (const auto level = arguments.integer("level", most, image.levelCount()))
        return static_cast<std::int32_t>(*level);
    const auto width = arguments.integer("width", 1, 0x7FFFFFFF);
    if (!width) return 0;
    const auto level = Corvane::levelForWidth(image.width(), image.levelCount(), *width);
    if (!level) {
        throw Corvane::Exception(
            "No level of the image is " + std::to_string(*width) +
            " pixels wide or wider: magnification stops at level " + std::to_string(most) + " (" +
            std::to_string(Corvane::levelExtentOf(image.width(), most)) + " pixels wide)");
    }
    return *level;
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
    const Corvane::Region window =
        windowed ? parseWindow(*arguments.value("window")) : Corvane::Region{};
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
    const std::int64_t levelWidth = Corvane::levelExtentOf(reader.width(), request.level);
    const std::int64_t levelHeight = Corvane::levelExtentOf(reader.height(), request.level);
    constexpr std::int64_t kLargestSide = std::numeric_limits<std::int32_t>::max();
    if (levelWidth > kLargestSide || levelHeight > kLargestSide)
        throw Corvane::Exception("Level " + std::to_string(request.level) + " would be " +
                                 std::to_string(levelWidth) + " x " + std::to_string(levelHeight) +
                                 " pixels, more than 2147483647 a side");
    request.area = Corvane::Region::fromOrigin(0, 0, levelWidth, levelHeight);
    if (windowed) {
        if (!request.area.contains(window))
            throw Corvane::Exception("The window " + *arguments.value("window") +
                                     " does not lie inside level " + std::to_string(request.level) +
                                     " (" + std::to_string(levelWidth) + " x " +
                                     std::to_string(levelHeight) + ")");
        request.area = window;
    }
    request.layout = outputLayoutOf(image);
    if (!arguments.has("allow-large")) {
        std::error_code error;
        const std::uintmax_t fileBytes = std::filesystem::file_size(input, error);
        refuseLikelyBomb(static_cast<std::uint64_t>(request.area.width()),
                         static_cast<std::uint64_t>(request.area.height()),
                         request.layout.samplesPerPixel(), error ? 0 : fileBytes);
    }
    request.threads = threads;

    RasterHeader header;
    header.width = static_cast<std::uint32_t>(request.area.width());
    header.height = static_cast<std::uint32_t>(request.area.height());
    header.bands = request.layout.samplesPerPixel();
    header.bitsPerSample = static_cast<int>(8 * request.layout.bytesPerSample());
    const Corvane::ImageProperties& p = reader.properties();
    if (p.hasGeoInformation()) {
        const GeoReference geo{p.xResolution(), p.yResolution(), p.xRotation(),
                               p.yRotation(),   p.xUL(),         p.yUL()};
        header.geo = geo.atLevelAndWindow(request.level, request.area.x0, request.area.y0);
        header.projectedCS = Corvane::projectedCSTypeOf(reader.metadata());
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
