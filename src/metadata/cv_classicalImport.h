#pragma once
// Turns the tags of a classical tag table into elements of a metadata database.
#include "metadata/cv_classicalTag.h"
#include "metadata/cv_metadataDatabase.h"

namespace Corvane {

// Every tag but the first (the start marker) and the last (the end marker) becomes
// one element under its key. Shapes that break the element rules raise
// InvalidArgumentException.
void importTagTable(const ClassicalTagTable& table, MetadataDatabase& database);

}  // namespace Corvane
