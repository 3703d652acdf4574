#pragma once
// The process-wide table of transformers, keyed "<source>.to.<destination>" by
// colour scheme code, and the default transformer for pairs without a colour change.
// Readers on several threads register into it and look it up at the same time: a
// lock guards the table, and a lookup shares ownership of the transformer it finds,
// so one replaced meanwhile lives on until its last user lets go of it.
#include <memory>
#include <string>

#include "transform/cv_transformer.h"

namespace Corvane {

std::string transformerKey(std::int32_t sourceScheme, std::int32_t destinationScheme);

// A transformer already stored under the same key, or the previous default, is
// released: destroyed at once unless someone still holds it.
void registerTransformer(std::shared_ptr<Transformer> transformer);
void setDefaultTransformer(std::shared_ptr<Transformer> transformer);

// The transformer stored under a key, or null.
std::shared_ptr<Transformer> registeredTransformer(const std::string& key);

// A fresh converter for the pair, or null when none is registered for it.
std::unique_ptr<PixelConverter> findConverter(const PixelDescription& destination,
                                              const PixelDescription& source);

// As findConverter, for a conversion someone asked for: when there is none, raises
// "Cannot find transformer for <source> to <destination>." with the scheme names.
std::unique_ptr<PixelConverter> requireConverter(const PixelDescription& destination,
                                                 const PixelDescription& source);

// The ten colour-scheme pairs, then the default, each replacing the one before it.
void registerAll();

// Empties the registry and drops the default.
void clearTransformerRegistry();

}  // namespace Corvane
