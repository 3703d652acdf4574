#pragma once
// The plane store over a planeset: it finds the coded planes of a key through
// the plane index and reads them from the kernel stream, a whole (band,
// sub-block) at a time, into its plane cache.
#include <cstdint>
#include <memory>
#include <vector>

#include "tg3/container/tg3_kernelStream.h"
#include "tg3/engine/tg3_planeCache.h"
#include "tg3/engine/tg3_planeRecord.h"
#include "tg3/header/tg3_imageInfo.h"
#include "tg3/planeset/tg3_planeIndex.h"

namespace Corvane {

class tg3_filePlaneStoreClient : public PlaneStoreClient {
  public:
    // Index offsets are relative to `planesetStart` in `stream` (not owned).
    // With MSEs each indexed length ends in two bytes that are not plane data.
    tg3_filePlaneStoreClient(const TG3ImageInfo& info,
                             std::shared_ptr<const PlaneDirectory> directory, KernelStream& stream,
                             std::int64_t planesetStart, bool hasMSEs);
    tg3_filePlaneStoreClient(const TG3ImageInfo& info, PlaneIndex index, KernelStream& stream,
                             std::int64_t planesetStart, bool hasMSEs);

    std::int32_t hasPlane(const PlaneKey& key, bool& present) override;
    std::int32_t getPlane(const PlaneKey& key, PlaneRecord& record) override;
    bool mayHavePlanes(std::uint32_t band, std::uint32_t subblock) override;

    // How many times the planes of a (band, sub-block) were read from the stream.
    std::uint64_t subblockReads() const { return subblockReads_; }

  private:
    bool validKey(const PlaneKey& key) const;
    std::int32_t readSubblock(std::size_t from, std::size_t to);
    // Reads `length` bytes from `offset` (relative to the planeset) into a new buffer.
    std::int32_t readStretch(std::int64_t offset, std::uint64_t length,
                             std::shared_ptr<std::vector<std::uint8_t>>& out);
    // The stream's length, found once; negative when it cannot be found.
    std::int64_t fileEnd();

    TG3ImageInfo info_;
    std::shared_ptr<const PlaneDirectory> directory_;
    KernelStream& stream_;
    std::int64_t planesetStart_;
    bool hasMSEs_;
    std::int64_t fileEnd_ = -1;
    PlaneCache cache_;
    std::vector<PlaneCache::Entry> scratch_;  // the present planes of a sub-block being read
    std::uint64_t subblockReads_ = 0;
};

}  // namespace Corvane
