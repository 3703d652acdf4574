#include "tg2/synthesis/tg2_subband.h"

#include <cmath>
#include <limits>

#include "support/cv_allocationLimit.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

namespace Corvane {

namespace {

// Gain of one level of the low-low band in the image's weights, applied per
// level when a root sits below full resolution, and its magnifying counterpart.
constexpr float kLevelWeight = 1.3215904f;
constexpr double kMagnifiedLevelWeight = 1.321590367859372;
// Per-dimension weights of a low-pass and a high-pass child.
constexpr double kLowPassWeight = 1.1496044397354126;
constexpr double kHighPassWeight = 0.8698644206960049;
// How far the synthesis reaches into a child on each side: a low-pass child is
// needed from (first - 3) / 2, a high-pass one from (first - 5) / 2, both up to
// (last + 3) / 2; a child range is never narrower than five coefficients.
constexpr std::int64_t kLowPassLead = 3;
constexpr std::int64_t kHighPassLead = 5;
constexpr std::int64_t kTrail = 3;
constexpr std::int64_t kMinimumSpan = 4;
// More halvings than this leave every 32-bit plane at one sample.
constexpr std::int32_t kHalvingsToOneSample = 33;

[[noreturn]] void refuse(std::int32_t code) {
    throw InvalidArgumentException(getMessageText(code));
}

constexpr std::int32_t kBadSupport = kInvalidImageSupport;
constexpr std::int32_t kBadMagnifiedLevel = kScaleBeyondLevels;
constexpr std::int32_t kBadLevel = kScaleOutOfRange;

std::int64_t ceilHalf(std::int64_t value) {
    return value >= 0 ? (value + 1) / 2 : -((-value) / 2);
}

std::uint32_t childSize(std::uint32_t parentSize, int index) {
    return index == 0 ? static_cast<std::uint32_t>((std::uint64_t{parentSize} + 1) / 2)
                      : parentSize / 2;
}

// The range of a child that the synthesis of the parent's range [first, last]
// reads, clamped to the child's plane of `size` samples.
void childRange(std::int64_t first, std::int64_t last, int index, std::uint32_t size,
                std::int64_t& childFirst, std::int64_t& childLast) {
    if (first > last || size == 0) {
        childFirst = 0;
        childLast = -1;
        return;
    }
    childFirst = ceilHalf(first - (index == 0 ? kLowPassLead : kHighPassLead));
    childLast = (last + kTrail) / 2;
    if (childLast < childFirst + kMinimumSpan) childLast = childFirst + kMinimumSpan;
    if (childFirst < 0) childFirst = 0;
    if (childLast > std::int64_t{size} - 1) childLast = std::int64_t{size} - 1;
}

}  // namespace

Subband::Subband(std::uint32_t imageWidth, std::uint32_t imageHeight, std::uint32_t bandCount,
                 std::uint32_t levelCount, std::int32_t level, const Region& support, bool magnify)
    : bandCount_(bandCount), levelCount_(levelCount), level_(level), support_(support) {
    std::uint64_t width = imageWidth;
    std::uint64_t height = imageHeight;
    if (level < 0 && magnify) {
        const std::int64_t shift = -std::int64_t{level};
        const std::uint64_t largest = std::max(width, height);
        if (shift >= 32 || (largest << shift) > std::numeric_limits<std::uint32_t>::max())
            refuse(kBadMagnifiedLevel);
        width <<= shift;
        height <<= shift;
    }
    for (std::int32_t i = 0; i < std::min(level, kHalvingsToOneSample); ++i) {
        width = (width + 1) / 2;
        height = (height + 1) / 2;
    }
    width_ = static_cast<std::uint32_t>(width);
    height_ = static_cast<std::uint32_t>(height);

    const bool outside = support.x0 < 0 || support.y0 < 0 || support.x1 < 0 || support.y1 < 0 ||
                         support.x1 >= std::int64_t{width_} || support.y1 >= std::int64_t{height_};
    if (outside) refuse(kBadSupport);
    if (level > std::int64_t{levelCount}) refuse(magnify ? kBadMagnifiedLevel : kBadLevel);
    if (level < 0 && !magnify) refuse(kBadLevel);
    if (support.x0 > support.x1 || support.y0 > support.y1) refuse(kBadSupport);

    support_.x0 = std::max<std::int64_t>(support_.x0, 0);
    support_.y0 = std::max<std::int64_t>(support_.y0, 0);
    support_.x1 = std::min<std::int64_t>(support_.x1, std::int64_t{width_} - 1);
    support_.y1 = std::min<std::int64_t>(support_.y1, std::int64_t{height_} - 1);

    if (level < 0) {
        weight_ = std::pow(kMagnifiedLevelWeight, level);
    } else {
        // The gain is applied in single precision, level by level.
        float gain = 1.0f;
        for (std::int32_t i = 0; i < level && std::isfinite(gain); ++i) gain *= kLevelWeight;
        weight_ = gain;
    }

    // Only the low-low branch goes deeper; build it as a loop so that the depth
    // of the tree never becomes the depth of the call stack.
    for (Subband* node = this; node->level_ < std::int64_t{levelCount_}; node = node->child(0, 0))
        node->split();
    numberLeaves();
}

Subband::Subband(Subband& parent, int columnIndex, int rowIndex)
    : width_(childSize(parent.width_, columnIndex)),
      height_(childSize(parent.height_, rowIndex)),
      bandCount_(parent.bandCount_),
      levelCount_(parent.levelCount_),
      level_(columnIndex == 0 && rowIndex == 0 ? parent.level_ + 1
                                               : static_cast<std::int32_t>(parent.levelCount_)),
      parent_(&parent),
      columnIndex_(columnIndex),
      rowIndex_(rowIndex) {
    const Region& from = parent.support_;
    childRange(from.x0, from.x1, columnIndex, width_, support_.x0, support_.x1);
    childRange(from.y0, from.y1, rowIndex, height_, support_.y0, support_.y1);
    weight_ = parent.weight_ * (columnIndex == 0 ? kLowPassWeight : kHighPassWeight) *
              (rowIndex == 0 ? kLowPassWeight : kHighPassWeight);
}

Subband::~Subband() {
    // Unlink the low-low chain node by node so that a deep tree is not torn down
    // by recursion.
    std::unique_ptr<Subband> next = std::move(children_[0][0]);
    while (next) {
        std::unique_ptr<Subband> deeper = std::move(next->children_[0][0]);
        next = std::move(deeper);
    }
}

void Subband::split() {
    for (int c = 0; c < 2; ++c)
        for (int r = 0; r < 2; ++r) children_[c][r].reset(new Subband(*this, c, r));
}

void Subband::numberLeaves() {
    std::int32_t next = 0;
    for (Subband* leaf : leaves()) leaf->leafNumber_ = next++;
}

std::vector<Subband*> Subband::leaves() {
    // The deepest low-low leaf first, then the three detail children of each
    // inner node from the deepest up: [1][0], [0][1], [1][1].
    std::vector<Subband*> innerNodes;
    Subband* node = this;
    while (!node->isLeaf()) {
        innerNodes.push_back(node);
        node = node->child(0, 0);
    }
    std::vector<Subband*> result{node};
    for (auto it = innerNodes.rbegin(); it != innerNodes.rend(); ++it) {
        result.push_back((*it)->child(1, 0));
        result.push_back((*it)->child(0, 1));
        result.push_back((*it)->child(1, 1));
    }
    return result;
}

std::uint64_t Subband::sampleCount() const {
    // Sides below 2^32 keep a plane within 64 bits; times a huge band count it
    // would not, and anything past the cap is refused alike, so it stops there.
    const auto planeOf = [this](const Subband& node) {
        const Region& s = node.support_;
        const std::uint64_t plane =
            static_cast<std::uint64_t>(s.width()) * static_cast<std::uint64_t>(s.height());
        if (bandCount_ != 0 && plane > kMaxAllocationBytes / bandCount_)
            return kMaxAllocationBytes + 1;
        return plane * bandCount_;
    };
    std::uint64_t total = 0;
    for (const Subband* node = this; node; node = node->children_[0][0].get()) {
        total += planeOf(*node);
        if (node->isLeaf()) break;
        for (const auto& [c, r] : {std::pair{1, 0}, std::pair{0, 1}, std::pair{1, 1}})
            total += planeOf(*node->children_[c][r]);
    }
    return total;
}

Array2D& Subband::band(std::uint32_t band) {
    return makeBand(band, true);
}

Array2D& Subband::bandToOverwrite(std::uint32_t band) {
    return makeBand(band, false);
}

Array2D& Subband::makeBand(std::uint32_t band, bool zeroed) {
    if (band >= bandCount_) throw InvalidArgumentException("band");
    if (bands_.size() < bandCount_) bands_.resize(bandCount_);
    if (!bands_[band])
        bands_[band] = zeroed ? std::make_unique<Array2D>(support_, 1)
                              : std::make_unique<Array2D>(support_, 1, Array2D::Overwritten{});
    return *bands_[band];
}

bool Subband::hasBand(std::uint32_t band) const {
    return band < bands_.size() && bands_[band];
}

}  // namespace Corvane
