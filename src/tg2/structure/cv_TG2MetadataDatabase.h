#pragma once
// The metadata of a TG2 file: the classical block found through the pointer after
// the sub-band chunk table. A file without that pointer has no metadata; a file whose
// pointer leads to a block that is missing or cut short opens with no metadata too,
// but says so through isIncomplete(), so that a user learns what was dropped.
#include <cstdint>

#include "metadata/cv_metadataDatabase.h"
#include "stream/cv_stream.h"

namespace Corvane {

class TG2MetadataDatabase : public MetadataDatabase {
  public:
    explicit TG2MetadataDatabase(CVStream* stream);
    bool isIncomplete() const override { return incomplete_; }

  private:
    bool incomplete_ = false;
};

enum class TG2MetadataLocation {
    NoPointer,    // the chunk table is not followed by the block pointer
    Unreachable,  // the pointer leads past the file or to other bytes than the block's
    Found,        // the stream stands at the block's version field
};

// Follows the pointer after the chunk table to the metadata block. Never throws.
TG2MetadataLocation locateTG2MetadataBlock(CVStream& stream);

}  // namespace Corvane
