#pragma once
// Every sub-block of an image coded once, down to its last plane, and kept: a plane's
// bytes do not depend on the planes coded after it, so any truncation of the coding
// is a choice of planes from what is kept here, made without coding again.
#include <cstdint>
#include <vector>

#include "encode/encode_progress.h"
#include "encode/tg3/tg3_bitPlaneEncoder.h"
#include "encode/tg3/tg3_forwardTransform53.h"
#include "encode/tg3/tg3_memoryPlaneset.h"
#include "tg3/header/tg3_imageInfo.h"
#include "tg3/planeset/tg3_planesetWriter.h"

namespace Corvane {

struct CodedSubblock {
    std::uint32_t band = 0;
    std::uint32_t subblock = 0;
    std::uint16_t component = 0;
    EncodedPlanes planes;
    // The squared error the decoder leaves for each number of planes kept.
    std::vector<double> errors;
    // The bytes the first k planes take in the planeset, for each k.
    std::size_t bytes(std::size_t kept) const;
};

// How many planes each coded sub-block keeps, in the order of CodedImage::subblocks().
using KeptPlanes = std::vector<std::size_t>;

// The last plane of a band that keeps no plane at all.
inline constexpr int kNoPlanes = -1;

class CodedImage {
  public:
    // Codes the bands of every component (as transformImage leaves them); planes
    // numbered `firstRawPlane` or higher are stored raw. Reports the share of
    // sub-blocks coded to `progress`.
    CodedImage(const TG3ImageInfo& info, const std::vector<BandPlanes>& bands, int firstRawPlane,
               EncodeProgress& progress);

    // The planes numbered up to lastPlanes[band] of every sub-block.
    KeptPlanes keptUpTo(const std::vector<int>& lastPlanes) const;
    // The kept planes of every sub-block, in coding order.
    std::vector<CodedPlane> planes(const KeptPlanes& kept) const;
    // The same planes laid out in memory for the decoder.
    MemoryPlaneset planeset(const KeptPlanes& kept, bool hasMSEs) const;

    const std::vector<CodedSubblock>& subblocks() const { return subblocks_; }

  private:
    // How many of a sub-block's planes are numbered lastPlane or lower.
    static std::size_t keptPlanes(const EncodedPlanes& planes, int lastPlane);

    std::vector<CodedSubblock> subblocks_;
};

// Every band keeps every plane.
std::vector<int> losslessPlanes(const TG3ImageInfo& info);

}  // namespace Corvane
