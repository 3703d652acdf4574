#include "tg2/synthesis/tg2_array2D.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "support/cv_allocationLimit.h"
#include "support/cv_exception.h"

namespace Corvane {

namespace {

// A decode makes and drops arrays of the same few sizes strip after strip. Large
// blocks handed back to the system come back zeroed page by page, which cost more
// than the synthesis itself; so each thread keeps some freed large sample blocks
// (at most 64 MiB) for the next arrays.
class SampleBlockPool {
  public:
    // A block of at least `count` samples, the first `count` zero-filled when `zeroed`;
    // otherwise a reused block keeps whatever it held. A block's size is always its
    // capacity, so that taking it again never fills the part past a smaller array.
    std::vector<float> take(std::size_t count, bool zeroed) {
        std::size_t best = blocks_.size();
        for (std::size_t i = 0; i < blocks_.size(); ++i) {
            const std::size_t capacity = blocks_[i].size();
            if (capacity >= count && (best == blocks_.size() || capacity < blocks_[best].size()))
                best = i;
        }
        if (best == blocks_.size()) {
            // Strips differ a little in size: room to spare lets the block serve the
            // next, slightly larger array of its kind.
            return std::vector<float>(count + count / 8, 0.0f);
        }
        std::vector<float> block = std::move(blocks_[best]);
        blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(best));
        bytes_ -= block.size() * sizeof(float);
        if (zeroed) std::fill_n(block.begin(), count, 0.0f);
        return block;
    }

    void give(std::vector<float>&& block) {
        // Small blocks come cheaply from the heap; only large ones are kept.
        const std::size_t bytes = block.size() * sizeof(float);
        if (bytes < kMinBytes || bytes_ + bytes > kMaxBytes || blocks_.size() >= kMaxBlocks) return;
        bytes_ += bytes;
        blocks_.push_back(std::move(block));
    }

  private:
    static constexpr std::size_t kMaxBytes = std::size_t{64} << 20;
    static constexpr std::size_t kMaxBlocks = 256;
    static constexpr std::size_t kMinBytes = std::size_t{4} << 10;
    std::vector<std::vector<float>> blocks_;
    std::size_t bytes_ = 0;
};

SampleBlockPool& pool() {
    thread_local SampleBlockPool threadPool;
    return threadPool;
}

}  // namespace

Array2D::Array2D(const Region& area, std::uint32_t bandCount) : Array2D(area, bandCount, true) {}

Array2D::Array2D(const Region& area, std::uint32_t bandCount, Overwritten)
    : Array2D(area, bandCount, false) {}

Array2D::Array2D(const Region& area, std::uint32_t bandCount, bool zeroed)
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
        samples_ = pool().take(total, zeroed);
    } catch (const std::bad_alloc&) {
        throw OutOfMemoryException();
    } catch (const std::length_error&) {
        throw OutOfMemoryException();
    }
}

Array2D::~Array2D() {
    pool().give(std::move(samples_));
}

bool Array2D::containsColumns(std::int64_t first, std::int64_t last) const {
    return first > last || (first >= area_.x0 && last <= area_.x1);
}

bool Array2D::containsRows(std::int64_t first, std::int64_t last) const {
    return first > last || (first >= area_.y0 && last <= area_.y1);
}

std::size_t Array2D::offsetOf(std::uint32_t band, std::int64_t column, std::int64_t row) const {
    const auto w = static_cast<std::size_t>(width());
    const auto h = static_cast<std::size_t>(height());
    return (band * h + static_cast<std::size_t>(row - area_.y0)) * w +
           static_cast<std::size_t>(column - area_.x0);
}

float* Array2D::band(std::uint32_t band) {
    return samples_.data() + offsetOf(band, area_.x0, area_.y0);
}

const float* Array2D::band(std::uint32_t band) const {
    return samples_.data() + offsetOf(band, area_.x0, area_.y0);
}

float& Array2D::at(std::uint32_t band, std::int64_t column, std::int64_t row) {
    return samples_[offsetOf(band, column, row)];
}

float Array2D::at(std::uint32_t band, std::int64_t column, std::int64_t row) const {
    return samples_[offsetOf(band, column, row)];
}

}  // namespace Corvane
