#pragma once
// Every sub-block of an image coded once, down to its last plane: a plane's bytes do
// not depend on the planes coded after it, so any truncation of the coding is a choice
// of planes from what is kept here, made without coding again. The bytes wait in a
// temporary file; memory keeps only where each plane is, how long it is and, when a
// rate is to be chosen, the error each truncation leaves.
#include <cstdint>
#include <memory>
#include <vector>

#include "encode/tg3/tg3_bitPlaneEncoder.h"
#include "encode/tg3/tg3_memoryPlaneset.h"
#include "encode/tg3/tg3_temporaryPlaneFile.h"
#include "tg3/header/tg3_imageInfo.h"
#include "tg3/planeset/tg3_planesetWriter.h"

namespace Corvane {

// One component of one coded (band, sub-block).
struct CodedSubblock {
    std::uint32_t subblock = 0;
    std::uint16_t component = 0;
    std::uint8_t band = 0;
    std::uint8_t first = 0;  // number of its first (most significant) plane
    std::uint32_t planeCount = 0;
    std::size_t firstPlane = 0;    // where its planes start in the image's plane table
    std::uint64_t fileOffset = 0;  // where its bytes start in the temporary file
};

// How many planes each coded sub-block keeps, in the order of CodedImage::subblocks().
using KeptPlanes = std::vector<std::size_t>;

class CodedImage {
  public:
    // `withErrors`: keep the squared error of every truncation, for choosing a rate.
    explicit CodedImage(bool withErrors);

    // Keeps one coded component of one sub-block, coded from `coefficients`; a
    // sub-block without planes is not kept.
    void add(std::uint32_t band, std::uint32_t subblock, std::uint16_t component,
             const EncodedPlanes& planes, const std::vector<std::int32_t>& coefficients);

    const std::vector<CodedSubblock>& subblocks() const { return subblocks_; }
    // The squared error the decoder leaves in sub-block n when it keeps k planes.
    double error(std::size_t n, std::size_t kept) const {
        return errors_[subblocks_[n].firstPlane + n + kept];
    }
    // About the bytes the first k planes of sub-block n take in the planeset.
    std::uint64_t bytes(std::size_t n, std::size_t kept) const;

    // The planes numbered up to lastPlanes[band] of every sub-block.
    KeptPlanes keptUpTo(const std::vector<int>& lastPlanes) const;
    // The kept planes as planeset content. With `sizeOnly` the planes' bytes are not
    // read: each plane is skipped over, for measuring the file.
    std::unique_ptr<PlanesetContent> content(const KeptPlanes& kept, bool sizeOnly);
    std::uint64_t planeCount(const KeptPlanes& kept) const;
    // The same planes laid out in memory for the decoder.
    MemoryPlaneset planeset(const KeptPlanes& kept, bool hasMSEs);

    // Reads the first `kept` planes of sub-block n into `planes`.
    void readPlanes(std::size_t n, std::size_t kept, EncodedPlanes& planes);

  private:
    bool withErrors_;
    std::vector<CodedSubblock> subblocks_;
    // Per plane: its length, with the top bit set for a raw plane.
    std::vector<std::uint32_t> planeWords_;
    std::vector<double> errors_;  // planeCount + 1 per sub-block
    TemporaryPlaneFile file_;
    std::vector<std::uint8_t> scratch_;

    friend class KeptPlaneContent;
};

// Every band keeps every plane.
std::vector<int> losslessPlanes(const TG3ImageInfo& info);

}  // namespace Corvane
