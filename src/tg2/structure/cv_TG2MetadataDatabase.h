#pragma once
// The metadata of a TG2 file: the classical block found through the pointer after
// the sub-band chunk table. A file whose block cannot be found or read simply has
// no metadata.
#include <cstdint>

#include "metadata/cv_metadataDatabase.h"
#include "stream/cv_stream.h"

namespace Corvane {

class TG2MetadataDatabase : public MetadataDatabase {
  public:
    explicit TG2MetadataDatabase(CVStream* stream);
};

// Leaves the stream at the block's version field and answers true, or false when
// the block is not there. Never throws.
bool locateTG2MetadataBlock(CVStream& stream);

}  // namespace Corvane
