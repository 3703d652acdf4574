#pragma once
// The private state of a MetadataDatabase.
#include "metadata/cv_metadataDatabase.h"

namespace Corvane {

class MetadataDatabaseImpl {
  public:
    virtual ~MetadataDatabaseImpl() = default;

    MetadataDatabase::Collection elements;
    MetadataElement nullElement;
};

}  // namespace Corvane
