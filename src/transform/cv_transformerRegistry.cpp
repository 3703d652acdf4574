#include "transform/cv_transformerRegistry.h"

#include <cstdio>
#include <map>

#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "transform/cv_transformerKinds.h"

namespace Corvane {

namespace {

struct Registry {
    std::map<std::string, std::unique_ptr<Transformer>> transformers;
    std::unique_ptr<Transformer> defaultTransformer;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

std::string transformerKey(std::int32_t sourceScheme, std::int32_t destinationScheme) {
    char key[32];
    std::snprintf(key, sizeof key, "%d.to.%d", sourceScheme, destinationScheme);
    return key;
}

void registerTransformer(std::unique_ptr<Transformer> transformer) {
    if (!transformer) return;
    const std::string key =
        transformerKey(transformer->sourceScheme(), transformer->destinationScheme());
    registry().transformers[key] = std::move(transformer);
}

void setDefaultTransformer(std::unique_ptr<Transformer> transformer) {
    registry().defaultTransformer = std::move(transformer);
}

Transformer* registeredTransformer(const std::string& key) {
    const auto found = registry().transformers.find(key);
    return found == registry().transformers.end() ? nullptr : found->second.get();
}

std::unique_ptr<PixelConverter> findConverter(const PixelDescription& destination,
                                              const PixelDescription& source) {
    if (Transformer* transformer =
            registeredTransformer(transformerKey(source.scheme, destination.scheme)))
        return transformer->create(destination, source);
    // Only the luminance of YIQ and YIQK reaches Grayscale without its own transformer.
    if (source.scheme != destination.scheme &&
        !(destination.scheme == SchemeGrayscale &&
          (source.scheme == SchemeYIQ || source.scheme == SchemeYIQK)))
        return nullptr;
    Transformer* fallback = registry().defaultTransformer.get();
    return fallback ? fallback->create(destination, source) : nullptr;
}

std::unique_ptr<PixelConverter> requireConverter(const PixelDescription& destination,
                                                 const PixelDescription& source) {
    std::unique_ptr<PixelConverter> converter = findConverter(destination, source);
    if (converter) return converter;
    char text[1000];
    std::snprintf(text, sizeof text, getMessageText(kNoTransformerFor),
                  ColorSpace::schemeName(static_cast<std::uint32_t>(source.scheme)),
                  ColorSpace::schemeName(static_cast<std::uint32_t>(destination.scheme)));
    throw Exception(text);
}

void registerAll() {
    registerTransformer(std::make_unique<KindTransformer<CmykToRgb>>());
    registerTransformer(std::make_unique<KindTransformer<CmykToRgbk>>());
    registerTransformer(std::make_unique<KindTransformer<RgbToCmyk>>());
    registerTransformer(std::make_unique<KindTransformer<RgbToGrayscale>>());
    registerTransformer(std::make_unique<KindTransformer<YiqToRgb>>());
    registerTransformer(std::make_unique<KindTransformer<RgbToYiq>>());
    registerTransformer(std::make_unique<KindTransformer<CmykToYiqk>>());
    registerTransformer(std::make_unique<KindTransformer<YiqkToCmyk>>());
    registerTransformer(std::make_unique<KindTransformer<YiqkToRgb>>());
    registerTransformer(std::make_unique<KindTransformer<GrayscaleToRgb>>());
    setDefaultTransformer(std::make_unique<KindTransformer<DefaultKind>>());
}

void clearTransformerRegistry() {
    registry().transformers.clear();
    registry().defaultTransformer.reset();
}

}  // namespace Corvane
