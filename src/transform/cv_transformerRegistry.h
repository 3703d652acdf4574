#pragma once
// The process-wide table of transformers, keyed "<source>.to.<destination>" by
// colour scheme code, and the default transformer for pairs without a colour change.
// It takes no lock: readers are created from one thread at a time.
#include <memory>
#include <string>

#include "transform/cv_transformer.h"

namespace Corvane {

std::string transformerKey(std::int32_t sourceScheme, std::int32_t destinationScheme);

// The registry owns what it is given; a transformer already stored under the same key,
// or the previous default, is destroyed.
void registerTransformer(std::unique_ptr<Transformer> transformer);
void setDefaultTransformer(std::unique_ptr<Transformer> transformer);

// The transformer stored under a key, or null.
Transformer* registeredTransformer(const std::string& key);

// A fresh converter for the pair, or null when none is registered for it.
std::unique_ptr<PixelConverter> findConverter(const PixelDescription& destination,
                                              const PixelDescription& source);

// As findConverter, for a conversion someone asked for: when there is none, raises
// "Cannot find transformer for <source> to <destination>." with the scheme names.
std::unique_ptr<PixelConverter> requireConverter(const PixelDescription& destination,
                                                 const PixelDescription& source);

// The ten colour-scheme pairs, then the default.
void registerAll();

// Empties the registry and drops the default.
void clearTransformerRegistry();

}  // namespace Corvane
