#include "tg2/synthesis/tg2_lifting97.h"

#include <algorithm>

namespace Corvane {

namespace {

bool isOdd(std::int64_t p) {
    return p % 2 != 0;
}

// One lifting step on the positions of one parity inside [from, to] of the
// working line, whose first element is position `origin`. A mirrored position
// sees the same two neighbours as the one it repeats, only swapped; float
// addition commutes, so it gets exactly the same bits, and a line computed in
// part agrees with the whole line.
void liftStep(float* work, std::int64_t origin, std::int64_t from, std::int64_t to, int parity,
              float factor) {
    std::int64_t p = from;
    if ((isOdd(p) ? 1 : 0) != parity) ++p;
    for (; p <= to; p += 2) {
        float* here = work + (p - origin);
        here[0] = here[0] + factor * (here[-1] + here[1]);
    }
}

// The first and last positions of the extended line that the synthesis of
// samples [first, last] reads.
std::int64_t firstRead(std::int64_t first) {
    return first - (isOdd(first) ? kLift97OddReach : kLift97EvenReach);
}

std::int64_t lastRead(std::int64_t last) {
    return last + (isOdd(last) ? kLift97OddReach : kLift97EvenReach);
}

}  // namespace

std::int64_t mirrorPosition(std::int64_t p, std::int64_t length) {
    if (length <= 1) return 0;
    const std::int64_t period = 2 * (length - 1);
    p %= period;
    if (p < 0) p += period;
    return p < length ? p : period - p;
}

void synthesisNeeds(std::int64_t length, std::int64_t first, std::int64_t last, IndexRange& low,
                    IndexRange& high) {
    low = IndexRange{};
    high = IndexRange{};
    if (first > last || length <= 0) return;
    if (length == 1) {
        low = IndexRange{0, 0};
        return;
    }
    const auto include = [](IndexRange& range, std::int64_t index) {
        if (range.empty()) {
            range = IndexRange{index, index};
        } else {
            range.first = std::min(range.first, index);
            range.last = std::max(range.last, index);
        }
    };
    for (std::int64_t p = firstRead(first); p <= lastRead(last); ++p) {
        const std::int64_t q = mirrorPosition(p, length);
        include(q % 2 == 0 ? low : high, q / 2);
    }
}

void synthesiseLines97(const CoefficientLine& low, const CoefficientLine& high, std::size_t count,
                       std::int64_t length, std::int64_t first, std::int64_t last, float* out,
                       std::ptrdiff_t outStride, std::vector<float>& scratch) {
    if (first > last || count == 0) return;
    if (length == 1) {
        // A single sample has no high-pass neighbour: it is its own low-pass value.
        for (std::size_t k = 0; k < count; ++k) out[k] = low.data[k];
        return;
    }
    const std::int64_t origin = firstRead(first);
    const std::int64_t end = lastRead(last);
    const auto n = static_cast<std::ptrdiff_t>(count);
    scratch.resize(static_cast<std::size_t>(end - origin + 1) * count);
    float* work = scratch.data();
    for (std::int64_t p = origin; p <= end; ++p) {
        // Only the few positions beyond either end of the line are mirrored.
        const std::int64_t q = p >= 0 && p < length ? p : mirrorPosition(p, length);
        const CoefficientLine& line = (q & 1) == 0 ? low : high;
        const float* from = line.data + ((q >> 1) - line.range.first) * line.stride;
        std::copy(from, from + n, work + (p - origin) * n);
    }
    // Each step narrows the part of the working lines that holds finished values
    // by one position on either side; the last two leave exactly [first, last].
    const auto step = [&](std::int64_t from, std::int64_t to, int parity, float factor) {
        std::int64_t p = from;
        if ((isOdd(p) ? 1 : 0) != parity) ++p;
        for (; p <= to; p += 2) {
            float* here = work + (p - origin) * n;
            const float* before = here - n;
            const float* after = here + n;
            for (std::ptrdiff_t k = 0; k < n; ++k)
                here[k] = here[k] + factor * (before[k] + after[k]);
        }
    };
    step(origin + 1, end - 1, 0, -kLift97FirstUpdate);
    step(origin + 2, end - 2, 1, -kLift97FirstPredict);
    step(origin + 3, end - 3, 0, kLift97SecondUpdate);
    step(origin + 4, end - 4, 1, kLift97SecondPredict);
    for (std::int64_t p = first; p <= last; ++p) {
        const float* from = work + (p - origin) * n;
        std::copy(from, from + n, out + (p - first) * outStride);
    }
}

void synthesiseLine97(const CoefficientLine& low, const CoefficientLine& high, std::int64_t length,
                      std::int64_t first, std::int64_t last, float* out, std::ptrdiff_t outStride,
                      std::vector<float>& scratch) {
    if (first > last) return;
    if (length == 1) {
        // A single sample has no high-pass neighbour: it is its own low-pass value.
        out[0] = low.at(0);
        return;
    }
    const std::int64_t origin = firstRead(first);
    const std::int64_t end = lastRead(last);
    scratch.resize(static_cast<std::size_t>(end - origin + 1));
    float* work = scratch.data();
    for (std::int64_t p = origin; p <= end; ++p) {
        // Only the few positions beyond either end of the line are mirrored.
        const std::int64_t q = p >= 0 && p < length ? p : mirrorPosition(p, length);
        work[p - origin] = (q & 1) == 0 ? low.at(q >> 1) : high.at(q >> 1);
    }
    // Each step narrows the part of the working line that holds finished values
    // by one position on either side; the last two leave exactly [first, last].
    liftStep(work, origin, origin + 1, end - 1, 0, -kLift97FirstUpdate);
    liftStep(work, origin, origin + 2, end - 2, 1, -kLift97FirstPredict);
    liftStep(work, origin, origin + 3, end - 3, 0, kLift97SecondUpdate);
    liftStep(work, origin, origin + 4, end - 4, 1, kLift97SecondPredict);
    for (std::int64_t p = first; p <= last; ++p) out[(p - first) * outStride] = work[p - origin];
}

}  // namespace Corvane
