#pragma once
// Coded planes laid out one after the other in memory, with the plane index
// that the plane store reads them through, as if they stood in a planeset.
#include <cstdint>
#include <vector>

#include "encode/tg3/tg3_bitPlaneEncoder.h"
#include "tg3/planeset/tg3_planeIndex.h"

namespace Corvane {

class MemoryPlaneset {
  public:
    // With MSEs every plane is followed by two bytes that are not plane data:
    // the two bytes the decoder's end-of-data rule would supply.
    explicit MemoryPlaneset(bool hasMSEs = false) : hasMSEs_(hasMSEs) {}

    // Adds the planes of one component of one (band, sub-block).
    void add(std::uint32_t band, std::uint32_t subblock, std::uint16_t component,
             const EncodedPlanes& planes);

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    const PlaneIndex& index() const { return index_; }

  private:
    bool hasMSEs_;
    std::vector<std::uint8_t> bytes_;
    PlaneIndex index_;
};

}  // namespace Corvane
