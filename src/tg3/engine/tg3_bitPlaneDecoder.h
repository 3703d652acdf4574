#pragma once
// Decodes the bit planes of one band block of a sub-block into integer
// coefficients. The whole W x H block is always scanned, because the
// arithmetic decoder's context states depend on every coefficient.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "tg3/engine/tg3_bitPlaneContexts.h"

namespace Corvane {

// The coded bytes of one plane.
struct PlaneBytes {
    const std::uint8_t* data = nullptr;
    std::size_t length = 0;
    bool raw = false;  // bits stored uncoded, most significant first
};

// Where a component's planes come from: a plane store reading them from a
// file, or planes held in memory.
class PlaneSource {
  public:
    virtual ~PlaneSource() = default;
    // The first and last plane (1..31) with data; first > last when none.
    virtual int firstPlane() const = 0;
    virtual int lastPlane() const = 0;
    // The bytes of plane p; false when the plane is missing.
    virtual bool plane(int p, PlaneBytes& out) const = 0;
};

// Planes held in memory, numbered from `first` upwards.
class MemoryPlaneSource : public PlaneSource {
  public:
    struct Plane {
        std::vector<std::uint8_t> bytes;
        bool raw = false;
    };
    MemoryPlaneSource() = default;
    MemoryPlaneSource(int first, std::vector<Plane> planes)
        : first_(first), planes_(std::move(planes)) {}
    int firstPlane() const override { return planes_.empty() ? 31 : first_; }
    int lastPlane() const override {
        return planes_.empty() ? 0 : first_ + static_cast<int>(planes_.size()) - 1;
    }
    bool plane(int p, PlaneBytes& out) const override;

  private:
    int first_ = 31;
    std::vector<Plane> planes_;
};

class BitPlaneDecoder {
  public:
    BitPlaneDecoder(int band, int width, int height);

    // Decodes every component i from sources[i] into outputs[i] (row stride
    // and element stride in words) and reconstructs two's-complement values
    // with the midpoint offset of the last decoded plane.
    void decodeBand(const std::vector<const PlaneSource*>& sources,
                    const std::vector<std::int32_t*>& outputs, std::size_t rowStride,
                    std::size_t elementStride);

  private:
    void scanPlane(const PlaneBytes& bytes, std::uint32_t mask, std::uint32_t* coefficients,
                   std::uint32_t* flags, class MqDecoder& mq);

    SignificanceTable table_;
    int width_;
    int height_;
};

}  // namespace Corvane
