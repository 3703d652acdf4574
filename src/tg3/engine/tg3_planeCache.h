#pragma once
// Holds every plane of one (band, sub-block) for all components, so that the
// per-component, per-plane requests of one sub-block read the planeset once.
// Only present planes are stored: an image may declare many components and
// planes, and the cache must not take memory for planes the file lacks.
#include <cstdint>
#include <utility>
#include <vector>

#include "tg3/engine/tg3_planeRecord.h"

namespace Corvane {

class PlaneCache {
  public:
    // A present plane: its place (component x planes + plane) and its record.
    using Entry = std::pair<std::uint64_t, PlaneRecord>;

    PlaneCache(std::uint32_t components, std::uint32_t planes);

    bool holds(std::uint32_t band, std::uint32_t subblock) const {
        return band == band_ && subblock == subblock_;
    }
    std::uint64_t slotOf(std::uint32_t component, std::uint32_t plane) const {
        return std::uint64_t{component} * planes_ + plane;
    }
    // Replaces the held sub-block by the given present planes. Refuses a
    // plane outside the image's components and planes.
    bool hold(std::uint32_t band, std::uint32_t subblock, std::vector<Entry> planes);
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
    std::vector<Entry> entries_;  // sorted by slot
};

}  // namespace Corvane
