// `tvx encode IN OUT.tvx`: a PNG, TIFF or PNM image written as a TG3 or TG2 file.
#include <cmath>
#include <filesystem>
#include <iostream>

#include "encode/tg2/tg2_fileEncoder.h"
#include "encode/tg3/tg3_fileEncoder.h"
#include "encode/tg3/tg3_mosaicWriter.h"
#include "image/cv_worldFile.h"
#include "metadata/cv_classicalStandardTags.h"
#include "pixel/cv_colorSpace.h"
#include "support/cv_exception.h"
#include "tvx_atomicOutput.h"
#include "tvx_commands.h"
#include "tvx_geoReference.h"
#include "tvx_inputImage.h"
#include "tvx_progressBar.h"

namespace tvx {

namespace {

using Bytes = std::vector<std::uint8_t>;

Corvane::TG3Order parseOrder(const std::string& text) {
    if (text == "pipelined") return Corvane::orderPipelined;
    if (text == "nopipe") return Corvane::orderNoPipe;
    if (text == "sbcp") return Corvane::orderSBCP;
    throw UsageError("--order is pipelined, nopipe or sbcp, not '" + text + "'");
}

// The size in bytes that B bits per pixel allow.
std::uint64_t targetBytes(double bitsPerPixel, const Corvane::RasterShape& image) {
    return static_cast<std::uint64_t>(bitsPerPixel * image.width * image.height / 8.0);
}

// What an encoder is told of its input besides the samples.
struct InputFacts {
    Corvane::RasterShape shape;
    std::optional<GeoReference> geo;
    std::optional<std::uint16_t> projectedCS;
};

// Shows the encoder's progress on a progress bar; nothing asks it to stop.
class EncodeBar : public Corvane::CV_ProcessCallbacks {
  public:
    explicit EncodeBar(ProgressBar& bar) : bar_(bar) {}
    void progress(float fraction) override { bar_.update(fraction); }
    bool isInterrupted() override { return false; }

  private:
    ProgressBar& bar_;
};

Corvane::TG3EncodeOptions tg3Options(const ParsedArguments& arguments, const InputFacts& input,
                                     const std::string& inputName, std::uint32_t imageNumber = 0,
                                     Corvane::CV_ProcessCallbacks* callbacks = nullptr) {
    const Corvane::RasterShape& image = input.shape;
    Corvane::TG3EncodeOptions options;
    options.callbacks = callbacks;
    options.imageNumber = imageNumber;
    if (const auto levels = arguments.integer("levels", 0, 30))
        options.levels = static_cast<int>(*levels);
    if (const auto size = arguments.integer("subblock", 1, 65535))
        options.subblockSize = static_cast<std::uint32_t>(*size);
    if (const auto order = arguments.value("order")) options.order = parseOrder(*order);
    if (const auto colour = arguments.integer("colour", 1, 20))
        options.colourTransform = static_cast<Corvane::TG3ColorTransform>(*colour);
    options.periodic = arguments.has("periodic");
    if (const auto quality = arguments.number("quality", 1.0, 200.0)) {
        options.rateMode = Corvane::TG3RateMode::targetQuality;
        options.targetPsnr = *quality;
    } else if (const auto bpp = arguments.number("bpp", 0.001, 64.0)) {
        options.rateMode = Corvane::TG3RateMode::targetSize;
        options.targetBytes = targetBytes(*bpp, image);
    }

    options.metadata.emplace();
    Corvane::ClassicalTagTable* table = &options.metadata->table();
    Corvane::setImageWidth(table, image.width);
    Corvane::setImageHeight(table, image.height);
    Corvane::setInputName(table, inputName.c_str());
    if (input.geo) {
        const GeoReference& geo = *input.geo;
        Corvane::setXYOrigin(table, geo.xUL, geo.yUL);
        Corvane::setXResolution(table, geo.xResolution);
        Corvane::setYResolution(table, geo.yResolution);
        if (input.projectedCS) Corvane::setProjectedCSType(table, *input.projectedCS);
        // The description holds a north-up grid: origin, corner and signed steps.
        const Corvane::ImageDescription description = Corvane::northUpDescription(
            geo.xUL, geo.yUL, geo.xResolution, geo.yResolution, image.width, image.height);
        options.description = description;
    }
    return options;
}

Corvane::TG2EncodeOptions tg2Options(const ParsedArguments& arguments, const InputFacts& input,
                                     Corvane::CV_ProcessCallbacks* callbacks = nullptr) {
    const Corvane::RasterShape& image = input.shape;
    if (image.bitsPerSample != 8)
        throw Corvane::Exception("TG2 files hold 8-bit samples; use --gen 3 for 16-bit images");
    if (arguments.has("order") || arguments.has("quality") || arguments.has("colour") ||
        arguments.has("periodic"))
        throw UsageError("--order, --quality, --colour and --periodic apply to --gen 3 only");
    Corvane::TG2EncodeOptions options;
    options.callbacks = callbacks;
    if (const auto levels = arguments.integer("levels", 0, 30))
        options.levels = static_cast<std::uint32_t>(*levels);
    if (const auto size = arguments.integer("subblock", 1, 4096)) {
        options.subBlockWidth = options.subBlockHeight = static_cast<std::uint32_t>(*size);
        options.blockWidth = options.blockHeight =
            std::max(options.blockWidth, static_cast<std::uint32_t>(*size));
    }
    if (input.geo)
        options.georeference = Corvane::TG2Georeference{
            input.geo->xUL, input.geo->yUL, input.geo->xResolution, input.geo->yResolution};
    options.projectedCSType = input.projectedCS;
    // Y, I and Q bands cost fewer bits than R, G and B for the same error in the
    // RGB image that readers show, at every rate we measured on photographs.
    if (image.bandCount == 3 && !arguments.has("keep-rgb"))
        options.colorScheme = Corvane::SchemeYIQ;
    if (const auto step = arguments.number("step", 1e-3, 1e6))
        options.step = static_cast<float>(*step);
    else if (const auto bpp = arguments.number("bpp", 0.001, 64.0))
        options.targetBytes = targetBytes(*bpp, image);
    return options;
}

// An input of a mosaic with its georeferencing: its GeoTIFF tags, or the world file
// beside it (same name, extension .wld), which wins when both are there.
InputImage readMosaicInput(const std::string& path) {
    InputImage image = readImageFile(path);
    if (auto world = readWorldFile(std::filesystem::path(path).replace_extension(".wld").string()))
        image.geo = world;
    if (!image.geo)
        throw Corvane::Exception(path +
                                 " has no georeferencing (GeoTIFF tags or a .wld beside it)");
    if (image.geo->rotated())
        throw Corvane::Exception(path + " is rotated; mosaic images must be north up");
    return image;
}

// One TG3 file of several images, each input placed by its georeferencing.
Bytes encodeMosaic(const ParsedArguments& arguments, const std::vector<std::string>& inputs) {
    const bool embedTG2 = arguments.has("embed-tg2");
    if (arguments.has("world") || arguments.has("write-world"))
        throw UsageError("--world and --write-world take one input; mosaic inputs bring their own");
    if (arguments.has("gen"))
        throw UsageError("a mosaic is a TG3 file; --embed-tg2 embeds TG2 images");
    if (embedTG2 && (arguments.has("order") || arguments.has("quality")))
        throw UsageError("--order and --quality apply to TG3 images, not with --embed-tg2");
    if (!embedTG2 && arguments.has("step")) throw UsageError("--step applies to --embed-tg2 only");

    std::vector<Corvane::TG3MosaicPart> parts;
    std::optional<GeoReference> first;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const InputImage image = readMosaicInput(inputs[i]);
        const GeoReference& geo = *image.geo;
        if (!first) first = geo;
        // Readers refuse mosaics whose images differ in pixel size or samples.
        if (geo.xResolution != first->xResolution || geo.yResolution != first->yResolution)
            throw Corvane::Exception(inputs[i] + " has another pixel size than " + inputs[0]);
        Corvane::TG3MosaicPart part;
        part.imageNumber = static_cast<std::uint32_t>(i);
        part.embeddedTG2 = embedTG2;
        if (embedTG2) {
            // The mosaic's description places the image; the embedded file needs none.
            part.bytes = Corvane::encodeTG2(
                image.raster,
                tg2Options(arguments, InputFacts{Corvane::shapeOf(image.raster), {}, {}}));
            part.description =
                Corvane::northUpDescription(geo.xUL, geo.yUL, geo.xResolution, geo.yResolution,
                                            image.raster.width, image.raster.height);
        } else {
            const std::string name = std::filesystem::path(inputs[i]).filename().string();
            const InputFacts facts{Corvane::shapeOf(image.raster), image.geo, image.projectedCS};
            part.bytes = Corvane::encodeTG3(image.raster,
                                            tg3Options(arguments, facts, name, part.imageNumber));
        }
        parts.push_back(std::move(part));
    }
    return Corvane::assembleTG3Mosaic(parts);
}

}  // namespace

int runEncode(const ParsedArguments& arguments) {
    const std::string& input = arguments.positional[0];
    const std::string& output = arguments.positional.back();
    const auto generation = arguments.integer("gen", 2, 3).value_or(3);
    if (arguments.has("keep-rgb") && generation != 2 && !arguments.has("embed-tg2"))
        throw UsageError("--keep-rgb applies to TG2 files only (--gen 2 or --embed-tg2)");
    if (arguments.has("quality") && arguments.has("bpp"))
        throw UsageError("--quality and --bpp exclude each other");
    if (arguments.positional.size() > 2) {
        const std::vector<std::string> inputs(arguments.positional.begin(),
                                              arguments.positional.end() - 1);
        const Bytes bytes = encodeMosaic(arguments, inputs);
        AtomicOutput file(output);
        file.writeAll(std::string(bytes.begin(), bytes.end()));
        file.commit();
        if (!arguments.has("quiet"))
            std::cerr << "wrote " << output << ": " << bytes.size() << " bytes, " << inputs.size()
                      << " images\n";
        return 0;
    }
    if (arguments.has("embed-tg2")) throw UsageError("--embed-tg2 applies to mosaics only");
    if (arguments.has("step") && (generation != 2 || arguments.has("bpp")))
        throw UsageError("--step applies to --gen 2 only, without --bpp");

    InputSource image = openImageFile(input);
    if (const auto world = arguments.value("world")) {
        image.geo = readWorldFile(*world);
        if (!image.geo) throw Corvane::Exception("Cannot open the world file " + *world);
    }
    const InputFacts facts{image.source->shape(), image.geo, image.projectedCS};
    const std::string inputName = std::filesystem::path(input).filename().string();
    ProgressBar bar("encoding", arguments.has("quiet"));
    EncodeBar callbacks(bar);
    // The encoders read their input a strip at a time and write the file as they go.
    AtomicOutput file(output);
    file.closeStream();
    if (generation == 3)
        Corvane::encodeTG3File(*image.source,
                               tg3Options(arguments, facts, inputName, 0, &callbacks),
                               file.temporaryPath());
    else
        Corvane::encodeTG2File(*image.source, tg2Options(arguments, facts, &callbacks),
                               file.temporaryPath());
    bar.finish();
    const std::uintmax_t bytes = std::filesystem::file_size(file.temporaryPath());

    const std::string worldPath = Corvane::worldFilePath(output).path();
    if (arguments.has("write-world")) {
        if (!image.geo)
            throw Corvane::Exception("--write-world: " + input + " has no georeferencing");
        writeWorldFile(worldPath, *image.geo);
    }
    file.commit();
    if (!arguments.has("quiet")) {
        const double bitsPerPixel =
            8.0 * static_cast<double>(bytes) / (double(facts.shape.width) * facts.shape.height);
        std::cerr << "wrote " << output << ": " << bytes << " bytes, " << bitsPerPixel
                  << " bits per pixel\n";
    }
    return 0;
}

}  // namespace tvx
