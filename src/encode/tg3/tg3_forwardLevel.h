#pragma once
// One level of the line-based forward 5-3 transform, the mirror of the decoder's
// inverse level. It takes the rows of its input (the image, or the low-pass band of the
// next finer level) one at a time from the top, lifts each row horizontally, and lifts
// vertically as soon as the rows a step needs are in: each pair of input rows gives a
// row of all four of its bands. Only three lifted lines per component are held, so
// memory grows with the level's width, never with its height. Edges are extended by
// reflection; a periodic image cannot start before its last row is in.
#include <cstdint>
#include <vector>

#include "encode/tg3/tg3_bandRowSink.h"

namespace Corvane {

class ForwardLevel {
  public:
    // `level` is j (1 = coarsest); its bands are 4j - 2 (high-pass across), 4j - 1 (high
    // -pass down) and 4j (both), and its low-pass rows go to `coarser`, or to the sink as
    // band 0 when it is null.
    ForwardLevel(int level, std::uint32_t width, std::uint32_t height, int components,
                 BandRowSink& sink, ForwardLevel* coarser);

    // Takes the next input row; rows[i] (width long) is component i's.
    void pushRow(const std::int32_t* const* rows);

  private:
    // Component c's part of a line of interleaved coefficients.
    std::int32_t* at(std::vector<std::int32_t>& line, int c) {
        return line.data() + static_cast<std::size_t>(c) * width_;
    }
    // Removes from the odd line the prediction from its even neighbours above and below.
    void predict(std::vector<std::int32_t>& odd, std::vector<std::int32_t>& above,
                 std::vector<std::int32_t>& below);
    // Adds to the even line the update from the high-pass lines above and below it.
    void update(std::vector<std::int32_t>& even, std::vector<std::int32_t>& above,
                std::vector<std::int32_t>& below);
    // Deals a line's even columns to lowRows_ and its odd columns to highRows_.
    void splitColumns(std::vector<std::int32_t>& line);
    // Splits a low-pass (or high-pass) line into its two bands' rows and passes them on.
    void emitLow(std::vector<std::int32_t>& line, std::uint32_t row);
    void emitHigh(std::vector<std::int32_t>& line, std::uint32_t row);

    int level_;
    std::uint32_t width_;
    std::uint32_t height_;
    int components_;
    BandRowSink& sink_;
    ForwardLevel* coarser_;

    std::uint32_t received_ = 0;
    // The last even input row not yet updated, the odd row after it, and the high-pass
    // line before the even row.
    std::vector<std::int32_t> even_, odd_, highBefore_, incoming_;
    std::vector<std::int32_t> lowPart_, highPart_;  // one band row, every component
    std::vector<std::int32_t*> lowRows_, highRows_;
};

}  // namespace Corvane
