#pragma once
// Codes a band block of integer coefficients into bit planes that the
// bit-plane decoder reads back: the same raster pass, flags and contexts,
// arithmetic-coded through MqEncoder or raw for the lowest planes.
#include <cstdint>
#include <vector>

#include "tg3/engine/tg3_bitPlaneDecoder.h"

namespace Corvane {

struct EncodedPlanes {
    int first = 31;  // plane number of planes[0]; first > last when empty
    std::vector<MemoryPlaneSource::Plane> planes;
    int last() const { return first + static_cast<int>(planes.size()) - 1; }
    MemoryPlaneSource source() const {
        return planes.empty() ? MemoryPlaneSource() : MemoryPlaneSource(first, planes);
    }
};

class BitPlaneEncoder {
  public:
    BitPlaneEncoder(int band, int width, int height);

    // Codes `coefficients` (row-major, W x H, magnitudes below 2^31) from the
    // highest nonzero plane down to `lastPlane` (31: lossless). Planes numbered
    // `firstRawPlane` or higher are stored raw.
    EncodedPlanes encode(const std::vector<std::int32_t>& coefficients, int lastPlane = 31,
                         int firstRawPlane = 32) const;

  private:
    SignificanceTable table_;
    int width_;
    int height_;
};

}  // namespace Corvane
