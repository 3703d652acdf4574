#pragma once
// One level of the line-based inverse 5-3 transform. It rebuilds the rows of
// its output (the low-pass band of the next finer level, or the image) one at
// a time and in increasing order, holding only two vertically updated low-pass
// lines and two high-pass lines per component: memory grows with the width of
// the level's region, never with its height. The last row of a periodic level
// of even height wraps round to the first low-pass line, which is rebuilt then
// from the bands (and the coarser levels' first rows) rather than kept.
#include <cstdint>
#include <vector>

#include "tg3/engine/tg3_bandRowSource.h"
#include "tg3/engine/tg3_levelColumns.h"

namespace Corvane {

class InverseLevel {
  public:
    // `level` is j (1 = coarsest); its detail bands are 4j - 2, 4j - 1 and 4j.
    // `coarser` supplies the low-pass rows, or band 0 is read when it is null.
    InverseLevel(int level, const LevelColumns& region, std::uint32_t height, int components,
                 BandRowSource& source, InverseLevel* coarser, EdgeRule rule = EdgeRule::mirror);

    // Rebuilds output row y (rows go forward, except that a periodic level
    // goes back to row 0 for its last row) and points
    // out[i] at its columns region.first .. region.last for component i; the
    // lines stay valid until the next call. Returns 0 or a band source status.
    std::int32_t produceRow(std::uint32_t y, const std::int32_t** out);

  private:
    // A line of interleaved coefficients over columns left .. right, for
    // every component one after the other.
    struct Line {
        std::int64_t index = -1;
        std::vector<std::int32_t> data;
    };

    std::int32_t lowPassLine(std::uint32_t k, const std::int32_t*& line);
    // `keep` names a cached line that must survive the fetch (-1: none).
    std::int32_t highPassLine(std::uint32_t k, const std::int32_t*& line, std::int64_t keep);
    Line& slotFor(std::vector<Line>& lines, std::int64_t keep);
    std::int32_t fetchInto(std::uint32_t band, std::uint32_t row, std::int32_t firstColumn,
                           std::int32_t columnCount, std::int32_t* line);
    std::int32_t fetchLowPassInput(std::uint32_t row, std::int32_t* line);
    void liftHorizontally(std::int32_t* line) const;
    std::uint32_t edgeRow(std::int64_t y) const;

    int level_;
    LevelColumns region_;
    std::uint32_t height_;
    int components_;
    BandRowSource& source_;
    InverseLevel* coarser_;
    EdgeRule rule_;

    std::int32_t lineLength_ = 0;  // right - left + 1
    std::int32_t realFirst_ = 0;   // columns inside the line that are not pads
    std::int32_t realLast_ = 0;
    std::int32_t lowFirst_ = 0, lowCount_ = 0;    // low-pass band columns used
    std::int32_t highFirst_ = 0, highCount_ = 0;  // high-pass band columns used

    std::vector<Line> lowLines_;   // even rows after the vertical update
    std::vector<Line> highLines_;  // odd rows as they come from the bands
    std::vector<std::int32_t> output_;
    std::vector<std::int32_t*> bandRows_;
};

}  // namespace Corvane
