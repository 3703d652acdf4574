#pragma once
// The float-to-8-bit range map over a run of samples, for converters whose source
// and destination pixels hold the same bands in the same order: a row is then one
// flat run. Gives, sample for sample, what SampleRange<float>::map gives.
#include <cstddef>
#include <cstdint>

#include "transform/cv_sampleRange.h"

namespace Corvane {

// `in` holds `count` floats in native byte order, with no alignment asked.
void mapFloatRun(const SampleRange<float>& range, const std::uint8_t* in, std::uint8_t* out,
                 std::size_t count);

}  // namespace Corvane
