#include "tg2/tg2_array2D.h"

#include <new>
#include <stdexcept>

#include "support/cv_allocationLimit.h"
#include "support/cv_exception.h"

namespace Corvane {

Array2D::Array2D(const Support& area, std::uint32_t bandCount)
    : area_(area), bandCount_(bandCount) {
    if (area.empty()) return;
    // The area follows from sizes a file claims: refuse anything past the cap on one
    // allocation before asking for the memory.
    const auto w = static_cast<std::uint64_t>(area.width());
    const auto h = static_cast<std::uint64_t>(area.height());
    if (bandCount == 0) return;
    if (w > kMaxAllocationBytes / h) throw OutOfMemoryException();
    requireAllocation(w * h * bandCount, sizeof(float));
    const std::size_t total = w * h * bandCount;
    try {
        samples_.assign(total, 0.0f);
    } catch (const std::bad_alloc&) {
        throw OutOfMemoryException();
    } catch (const std::length_error&) {
        throw OutOfMemoryException();
    }
}

bool Array2D::containsColumns(std::int64_t first, std::int64_t last) const {
    return first > last || (first >= area_.firstColumn && last <= area_.lastColumn);
}

bool Array2D::containsRows(std::int64_t first, std::int64_t last) const {
    return first > last || (first >= area_.firstRow && last <= area_.lastRow);
}

std::size_t Array2D::offsetOf(std::uint32_t band, std::int64_t column, std::int64_t row) const {
    const auto w = static_cast<std::size_t>(width());
    const auto h = static_cast<std::size_t>(height());
    return (band * h + static_cast<std::size_t>(row - area_.firstRow)) * w +
           static_cast<std::size_t>(column - area_.firstColumn);
}

float* Array2D::band(std::uint32_t band) {
    return samples_.data() + offsetOf(band, area_.firstColumn, area_.firstRow);
}

const float* Array2D::band(std::uint32_t band) const {
    return samples_.data() + offsetOf(band, area_.firstColumn, area_.firstRow);
}

float& Array2D::at(std::uint32_t band, std::int64_t column, std::int64_t row) {
    return samples_[offsetOf(band, column, row)];
}

float Array2D::at(std::uint32_t band, std::int64_t column, std::int64_t row) const {
    return samples_[offsetOf(band, column, row)];
}

}  // namespace Corvane
