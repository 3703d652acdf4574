#pragma once
// Coded planes as the plane store hands them out: the key that names a plane,
// the record that holds its bytes, and the list of a component's planes that
// the bit-plane decoder reads.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "tg3/engine/tg3_bitPlaneDecoder.h"

namespace Corvane {

struct PlaneKey {
    std::uint32_t subblock = 0;
    std::uint16_t component = 0;
    std::uint8_t band = 0;
    std::uint8_t plane = 0;
};

inline constexpr std::uint8_t kPlanePresent = 0x1;
inline constexpr std::uint8_t kPlaneRaw = 0x2;
inline constexpr std::uint8_t kPlaneOwnsBuffer = 0x4;

struct PlaneRecord {
    const std::uint8_t* data = nullptr;
    std::uint32_t length = 0;
    std::uint8_t flags = 0;
    // The bytes when the record owns them; copies of a record share them.
    std::shared_ptr<const std::vector<std::uint8_t>> buffer;

    bool present() const { return (flags & kPlanePresent) != 0; }
    bool raw() const { return (flags & kPlaneRaw) != 0; }
    // Frees owned bytes and clears every flag.
    void clear() { *this = PlaneRecord{}; }
};

// The planes of one component, indexed by plane number, appended in order.
class PlaneList : public PlaneSource {
  public:
    static constexpr int kCapacity = 32;

    // Accepted only for the plane after the last one; the record's contents
    // are kept only when it is present.
    bool append(int plane, const PlaneRecord& record);
    // The lowest plane with data, or -1.
    int first() const;
    int last() const { return last_; }
    // Nothing (null) past the last plane.
    const PlaneRecord* lookup(int plane) const;

    int firstPlane() const override;
    int lastPlane() const override;
    bool plane(int p, PlaneBytes& out) const override;

  private:
    std::array<PlaneRecord, kCapacity> records_{};
    std::int8_t last_ = -1;
};

// What the sub-block decoder asks for planes: a store reading them from a
// planeset, or anything else that can answer by key.
class PlaneStoreClient {
  public:
    virtual ~PlaneStoreClient() = default;
    // Sets `present` for the plane of `key`; returns 0 or a status.
    virtual std::int32_t hasPlane(const PlaneKey& key, bool& present) = 0;
    // Fills `record` (empty when the plane has no data); returns 0 or a status.
    virtual std::int32_t getPlane(const PlaneKey& key, PlaneRecord& record) = 0;
    // False only when no component of the (band, sub-block) has any plane, so that
    // the decoder can write its zeros without asking for each plane in turn.
    virtual bool mayHavePlanes(std::uint32_t /*band*/, std::uint32_t /*subblock*/) { return true; }
};

}  // namespace Corvane
