#pragma once
// The metadata of a TG3 file: the classical block carried by the file's metadata packet
// of subType 1 for image 0. A file without such a packet has no metadata.
#include <cstdint>

#include "metadata/cv_TG3ClassicalMetadata.h"
#include "metadata/cv_metadataDatabase.h"
#include "tg3/container/tg3_container.h"

namespace Corvane {

class TG3MetadataDatabase : public MetadataDatabase {
  public:
    // Reads the block from the open container (not owned, kept for the database's life).
    // A packet or block that cannot be read throws Exception with the text of 1:1a6.
    explicit TG3MetadataDatabase(TG3Container& container);

  private:
    TG3Container& container_;
};

// Writes a metadata packet of subType 1 carrying the table as a classical block (the form
// TG3ClassicalMetadata::write gives it). A TG3 status.
std::int32_t writeClassicalMetadataPacket(KernelStream& stream, TG3ClassicalMetadata& metadata,
                                          std::uint32_t imageNumber = 0);

}  // namespace Corvane
