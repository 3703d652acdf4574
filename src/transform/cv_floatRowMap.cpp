#include "transform/cv_floatRowMap.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Corvane {

void mapFloatRun(const SampleRange<float>& range, const std::uint8_t* in, std::uint8_t* out,
                 std::size_t count) {
    std::size_t i = 0;
#if defined(__SSE2__)
    // The scalar map's steps with the same single-precision operations. maxps and minps
    // return their second operand when the first is NaN, which is how a NaN sample
    // becomes srcMin and a NaN from an endless range becomes dstMin; the clamped value
    // lies in [dstMin, dstMax] (at most 255), so truncation and two saturating packs
    // give its byte.
    const __m128 srcMin = _mm_set1_ps(range.srcMin);
    const __m128 srcMax = _mm_set1_ps(range.srcMax);
    const __m128 scale = _mm_set1_ps(range.scale);
    const __m128 dstMin = _mm_set1_ps(float(range.dstMin));
    const __m128 dstMax = _mm_set1_ps(float(range.dstMax));
    const auto mapFour = [&](std::size_t first) {
        const auto* from = reinterpret_cast<const float*>(in + first * sizeof(float));
        __m128 v = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(from), srcMin), srcMax);
        v = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(v, srcMin), scale), dstMin);
        v = _mm_min_ps(_mm_max_ps(v, dstMin), dstMax);
        return _mm_cvttps_epi32(v);
    };
    for (; i + 16 <= count; i += 16) {
        const __m128i low = _mm_packs_epi32(mapFour(i), mapFour(i + 4));
        const __m128i high = _mm_packs_epi32(mapFour(i + 8), mapFour(i + 12));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
    }
#endif
    for (; i < count; ++i) {
        float sample;
        std::memcpy(&sample, in + i * sizeof(float), sizeof(float));
        out[i] = range.map(sample);
    }
}

}  // namespace Corvane
