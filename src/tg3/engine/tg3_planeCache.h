#pragma once
// Holds every plane of one (band, sub-block) for all components, so that the
// per-component, per-plane requests of one sub-block read the planeset once.
#include <cstdint>
#include <vector>

#include "tg3/engine/tg3_planeRecord.h"

namespace Corvane {

class PlaneCache {
  public:
    PlaneCache(std::uint32_t components, std::uint32_t planes);

    bool holds(std::uint32_t band, std::uint32_t subblock) const {
        return band == band_ && subblock == subblock_;
    }
    // Replaces the held sub-block by the given planes (component-major,
    // components x planes entries each). Refuses arrays of another shape.
    bool hold(std::uint32_t band, std::uint32_t subblock, const std::vector<std::uint8_t>& present,
              const std::vector<PlaneRecord>& records);
    // Copies out the record of a held plane (empty when absent); false when
    // the plane is outside the cache.
    bool get(std::uint32_t component, std::uint32_t plane, PlaneRecord& record) const;
    // Frees owned buffers and forgets the held sub-block.
    void empty();

  private:
    std::uint32_t components_;
    std::uint32_t planes_;
    std::uint32_t band_ = 0xFFFFFFFFu;  // nothing held yet
    std::uint32_t subblock_ = 0xFFFFFFFFu;
    std::vector<std::uint8_t> present_;
    std::vector<PlaneRecord> records_;
};

}  // namespace Corvane
