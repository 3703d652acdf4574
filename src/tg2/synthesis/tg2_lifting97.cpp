#include "tg2/synthesis/tg2_lifting97.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Corvane {

namespace {

bool isOdd(std::int64_t p) {
    return p % 2 != 0;
}

// target[i] += factor * (left[i] + right[i]) for i < count: the arithmetic of every
// lifting step. The vector path does the same single-precision operations in the same
// order on four samples at once, so both paths give the same bits.
void liftAdd(float* target, const float* left, const float* right, std::ptrdiff_t count,
             float factor) {
    std::ptrdiff_t i = 0;
#if defined(__SSE2__)
    const __m128 f = _mm_set1_ps(factor);
    for (; i + 4 <= count; i += 4) {
        const __m128 sum = _mm_add_ps(_mm_loadu_ps(left + i), _mm_loadu_ps(right + i));
        _mm_storeu_ps(target + i, _mm_add_ps(_mm_loadu_ps(target + i), _mm_mul_ps(f, sum)));
    }
#endif
    for (; i < count; ++i) target[i] = target[i] + factor * (left[i] + right[i]);
}

// A working line kept as its even and its odd positions apart, so that a lifting
// step, which changes the positions of one parity from their two neighbours of the
// other, runs over contiguous samples. A mirrored position sees the same two
// neighbours as the one it repeats, only swapped; float addition commutes, so it
// gets exactly the same bits, and a line computed in part agrees with the whole line.
struct SplitLine {
    float* even;  // position firstEven + 2i
    float* odd;   // position firstOdd + 2i
    std::int64_t firstEven;
    std::int64_t firstOdd;

    float& at(std::int64_t p) {
        return isOdd(p) ? odd[(p - firstOdd) / 2] : even[(p - firstEven) / 2];
    }

    // One lifting step on the positions of one parity inside [from, to].
    void lift(std::int64_t from, std::int64_t to, int parity, float factor) {
        std::int64_t p = from;
        if ((isOdd(p) ? 1 : 0) != parity) ++p;
        if (p > to) return;
        float* target = parity ? odd + (p - firstOdd) / 2 : even + (p - firstEven) / 2;
        const float* left = parity ? even + (p - 1 - firstEven) / 2 : odd + (p - 1 - firstOdd) / 2;
        liftAdd(target, left, left + 1, (to - p) / 2 + 1, factor);
    }
};

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
            liftAdd(here, here - n, here + n, n, factor);
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
    const std::int64_t span = end - origin + 1;
    scratch.resize(static_cast<std::size_t>(span + 1));
    SplitLine work{scratch.data(), scratch.data() + (span + 1) / 2,
                   origin + (isOdd(origin) ? 1 : 0), origin + (isOdd(origin) ? 0 : 1)};
    // Only the few positions beyond either end of the line are mirrored; the rest are
    // the two coefficient lines copied as they stand.
    const std::int64_t inFirst = std::max<std::int64_t>(origin, 0);
    const std::int64_t inLast = std::min(end, length - 1);
    const auto mirrored = [&](std::int64_t p) {
        const std::int64_t q = mirrorPosition(p, length);
        work.at(p) = (q & 1) == 0 ? low.at(q >> 1) : high.at(q >> 1);
    };
    for (std::int64_t p = origin; p < std::min(inFirst, end + 1); ++p) mirrored(p);
    for (std::int64_t p = std::max(inLast + 1, origin); p <= end; ++p) mirrored(p);
    for (int parity = 0; parity < 2; ++parity) {
        std::int64_t p = inFirst + ((isOdd(inFirst) ? 1 : 0) != parity ? 1 : 0);
        if (p > inLast) continue;
        const CoefficientLine& line = parity ? high : low;
        const float* from = line.data + ((p >> 1) - line.range.first) * line.stride;
        float* to = &work.at(p);
        const std::int64_t count = (inLast - p) / 2 + 1;
        if (line.stride == 1) {
            std::copy(from, from + count, to);
        } else {
            for (std::int64_t i = 0; i < count; ++i) to[i] = from[i * line.stride];
        }
    }
    // Each step narrows the part of the working line that holds finished values
    // by one position on either side; the last two leave exactly [first, last].
    work.lift(origin + 1, end - 1, 0, -kLift97FirstUpdate);
    work.lift(origin + 2, end - 2, 1, -kLift97FirstPredict);
    work.lift(origin + 3, end - 3, 0, kLift97SecondUpdate);
    work.lift(origin + 4, end - 4, 1, kLift97SecondPredict);
    // Interleaved again on the way out, each parity from its own run.
    for (int parity = 0; parity < 2; ++parity) {
        const std::int64_t p = first + ((isOdd(first) ? 1 : 0) != parity ? 1 : 0);
        if (p > last) continue;
        const float* from = &work.at(p);
        float* to = out + (p - first) * outStride;
        const std::int64_t count = (last - p) / 2 + 1;
        for (std::int64_t i = 0; i < count; ++i) to[i * 2 * outStride] = from[i];
    }
}

}  // namespace Corvane
