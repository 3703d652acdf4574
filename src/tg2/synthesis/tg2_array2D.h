#pragma once
// A rectangle of 32-bit float samples placed at an origin inside a larger plane,
// one plane per band (band-sequential). Subband nodes keep their coefficients in
// these, covering exactly the node's support.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/cv_region.h"

namespace Corvane {

class Array2D {
  public:
    Array2D() = default;
    // A zero-filled array over `area`; an empty area makes an empty array. Throws
    // OutOfMemoryException when the samples cannot be held.
    explicit Array2D(const Region& area, std::uint32_t bandCount = 1);
    // The same without the zero fill, for an array whose every sample is written
    // before it is read: its samples start undefined.
    struct Overwritten {};
    Array2D(const Region& area, std::uint32_t bandCount, Overwritten);
    Array2D(const Array2D&) = default;
    Array2D(Array2D&&) = default;
    Array2D& operator=(const Array2D&) = default;
    Array2D& operator=(Array2D&&) = default;
    // Hands the samples to a per-thread pool for the next arrays.
    ~Array2D();

    std::int64_t firstColumn() const { return area_.x0; }
    std::int64_t firstRow() const { return area_.y0; }
    std::int64_t width() const { return area_.width(); }
    std::int64_t height() const { return area_.height(); }
    std::uint32_t bandCount() const { return bandCount_; }
    const Region& area() const { return area_; }

    // Whether the array holds every column (row) of an inclusive range; an empty
    // range is always held.
    bool containsColumns(std::int64_t first, std::int64_t last) const;
    bool containsRows(std::int64_t first, std::int64_t last) const;

    // The first sample of a band; rows follow each other width() samples apart.
    float* band(std::uint32_t band);
    const float* band(std::uint32_t band) const;

    // The sample at plane coordinates (column, row) of a band; the caller keeps
    // them inside the area.
    float& at(std::uint32_t band, std::int64_t column, std::int64_t row);
    float at(std::uint32_t band, std::int64_t column, std::int64_t row) const;

  private:
    Array2D(const Region& area, std::uint32_t bandCount, bool zeroed);
    std::size_t offsetOf(std::uint32_t band, std::int64_t column, std::int64_t row) const;

    Region area_;
    std::uint32_t bandCount_ = 0;
    std::vector<float> samples_;
};

}  // namespace Corvane
