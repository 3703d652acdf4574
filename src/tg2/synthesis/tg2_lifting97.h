#pragma once
// The one-dimensional CDF 9/7 synthesis by lifting, in single precision and
// without the final scaling (the node weights carry it). A line of `length`
// samples holds its low-pass coefficients at even positions and its high-pass
// coefficients at odd positions; both ends are extended symmetrically about the
// end sample. Only the requested output range is computed, and every output
// sample is computed by the same operations whatever the range, so a part of a
// line equals, bit for bit, the same part of the whole line.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Corvane {

// Lifting factors of the synthesis, applied in this order.
inline constexpr float kLift97FirstUpdate = 0.44350684f;
inline constexpr float kLift97FirstPredict = 0.8829111f;
inline constexpr float kLift97SecondUpdate = 0.052980117f;
inline constexpr float kLift97SecondPredict = 1.5861344f;
// How far the synthesis of one output sample reaches to either side: three
// positions for an even (low-pass) sample, four for an odd one.
inline constexpr std::int64_t kLift97EvenReach = 3;
inline constexpr std::int64_t kLift97OddReach = 4;

struct IndexRange {
    std::int64_t first = 0;
    std::int64_t last = -1;
    bool empty() const { return first > last; }
};

// Coefficients first..last of one subband line, `stride` floats apart.
struct CoefficientLine {
    const float* data = nullptr;
    std::ptrdiff_t stride = 1;
    IndexRange range;

    float at(std::int64_t index) const { return data[(index - range.first) * stride]; }
    bool holds(const IndexRange& wanted) const {
        return wanted.empty() || (wanted.first >= range.first && wanted.last <= range.last);
    }
};

// The position inside [0, length - 1] that position p of the symmetrically
// extended line repeats; length must be at least 1.
std::int64_t mirrorPosition(std::int64_t p, std::int64_t length);

// The low-pass and high-pass coefficient indices that the synthesis of samples
// [first, last] of a line of `length` samples reads.
void synthesisNeeds(std::int64_t length, std::int64_t first, std::int64_t last, IndexRange& low,
                    IndexRange& high);

// Writes samples first..last of the line to out (spaced outStride apart). The
// lines must hold what synthesisNeeds names; scratch is working memory.
void synthesiseLine97(const CoefficientLine& low, const CoefficientLine& high, std::int64_t length,
                      std::int64_t first, std::int64_t last, float* out, std::ptrdiff_t outStride,
                      std::vector<float>& scratch);

// The same for `count` neighbouring lines at once: line k starts at the data of
// `low` and `high` plus k, and its samples go to out + k (rows outStride apart).
// Each line gets exactly the bits synthesiseLine97 gives it; working on the lines
// side by side reads memory row by row, which a column at a time does not.
void synthesiseLines97(const CoefficientLine& low, const CoefficientLine& high, std::size_t count,
                       std::int64_t length, std::int64_t first, std::int64_t last, float* out,
                       std::ptrdiff_t outStride, std::vector<float>& scratch);

}  // namespace Corvane
