#pragma once
// One node of the subband tree that a request at some resolution level needs.
// The root is the image plane at the request's level; an inner node splits into
// four children [column index][row index] (0 low-pass, 1 high-pass), of which only
// the low-low child splits again, down to the coarsest level of the image. Each
// node knows the part of its plane that the request needs (its support), grown
// by the synthesis filter's reach at every level, and the weight by which its
// stored coefficients were scaled before quantisation. Leaves carry the subband
// index of the stream, so the coarsest low-low leaf is 0 and the three finest
// detail leaves come last.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "support/cv_region.h"
#include "tg2/synthesis/tg2_array2D.h"

namespace Corvane {

class Subband {
  public:
    // The root for `support` at `level` of an image of `imageWidth` x `imageHeight`
    // samples with `levelCount` wavelet levels. Negative levels magnify and are
    // allowed only when `magnify` is set. Throws InvalidArgumentException for a
    // support outside the plane or inverted, and for a level out of range.
    Subband(std::uint32_t imageWidth, std::uint32_t imageHeight, std::uint32_t bandCount,
            std::uint32_t levelCount, std::int32_t level, const Region& support,
            bool magnify = false);
    ~Subband();
    Subband(const Subband&) = delete;
    Subband& operator=(const Subband&) = delete;

    // Size of the node's whole plane at its level.
    std::uint32_t width() const { return width_; }
    std::uint32_t height() const { return height_; }
    std::uint32_t bandCount() const { return bandCount_; }
    std::uint32_t levelCount() const { return levelCount_; }
    std::int32_t level() const { return level_; }
    const Region& support() const { return support_; }
    double weight() const { return weight_; }

    const Subband* parent() const { return parent_; }
    int columnIndex() const { return columnIndex_; }
    int rowIndex() const { return rowIndex_; }
    bool isLeaf() const { return !children_[0][0]; }
    Subband* child(int columnIndex, int rowIndex) { return children_[columnIndex][rowIndex].get(); }
    const Subband* child(int columnIndex, int rowIndex) const {
        return children_[columnIndex][rowIndex].get();
    }

    // The subband index of a leaf; -1 for inner nodes.
    std::int32_t leafNumber() const { return leafNumber_; }
    // The leaves of the tree below this node, in leaf-number order (only
    // meaningful on the root, where the numbering starts).
    std::vector<Subband*> leaves();
    // Samples of every plane of every node of the tree, all bands: what the tree
    // holds at most once it is filled and synthesised.
    std::uint64_t sampleCount() const;

    // The coefficients of one band over the support, zero-filled on first use.
    Array2D& band(std::uint32_t band);
    // The same for a caller that writes every sample before reading any: made on
    // first use without the zero fill.
    Array2D& bandToOverwrite(std::uint32_t band);
    bool hasBand(std::uint32_t band) const;

  private:
    Subband(Subband& parent, int columnIndex, int rowIndex);
    Array2D& makeBand(std::uint32_t band, bool zeroed);
    void split();
    void numberLeaves();

    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    std::uint32_t bandCount_ = 0;
    std::uint32_t levelCount_ = 0;
    std::int32_t level_ = 0;
    Region support_;
    double weight_ = 1.0;
    Subband* parent_ = nullptr;
    int columnIndex_ = 0;
    int rowIndex_ = 0;
    std::int32_t leafNumber_ = -1;
    std::array<std::array<std::unique_ptr<Subband>, 2>, 2> children_;
    std::vector<std::unique_ptr<Array2D>> bands_;
};

}  // namespace Corvane
