#include "transform/cv_transformerRegistry.h"

#include <cstdio>
#include <map>

#include "platform/cv_sync.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "transform/cv_transformerKinds.h"

namespace Corvane {

namespace {

struct Registry {
    CVCriticalSection lock;
    std::map<std::string, std::shared_ptr<Transformer>> transformers;
    std::shared_ptr<Transformer> defaultTransformer;
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

// Whatever a registration replaces is released after the lock is let go, so that a
// transformer's destructor never runs inside it.
void registerTransformer(std::shared_ptr<Transformer> transformer) {
    if (!transformer) return;
    const std::string key =
        transformerKey(transformer->sourceScheme(), transformer->destinationScheme());
    Registry& table = registry();
    const CVScopedLock guard(table.lock);
    table.transformers[key].swap(transformer);
}

void setDefaultTransformer(std::shared_ptr<Transformer> transformer) {
    Registry& table = registry();
    const CVScopedLock guard(table.lock);
    table.defaultTransformer.swap(transformer);
}

std::shared_ptr<Transformer> registeredTransformer(const std::string& key) {
    Registry& table = registry();
    const CVScopedLock guard(table.lock);
    const auto found = table.transformers.find(key);
    return found == table.transformers.end() ? nullptr : found->second;
}

std::unique_ptr<PixelConverter> findConverter(const PixelDescription& destination,
                                              const PixelDescription& source) {
    if (const std::shared_ptr<Transformer> transformer =
            registeredTransformer(transformerKey(source.scheme, destination.scheme)))
        return transformer->create(destination, source);
    // Only the luminance of YIQ and YIQK reaches Grayscale without its own transformer.
    if (source.scheme != destination.scheme &&
        !(destination.scheme == SchemeGrayscale &&
          (source.scheme == SchemeYIQ || source.scheme == SchemeYIQK)))
        return nullptr;
    std::shared_ptr<Transformer> fallback;
    {
        Registry& table = registry();
        const CVScopedLock guard(table.lock);
        fallback = table.defaultTransformer;
    }
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
    std::map<std::string, std::shared_ptr<Transformer>> released;
    std::shared_ptr<Transformer> releasedDefault;
    Registry& table = registry();
    const CVScopedLock guard(table.lock);
    released.swap(table.transformers);
    releasedDefault.swap(table.defaultTransformer);
}

}  // namespace Corvane
