#pragma once
// Shared pieces of the synthesis tests: images of random samples, and a tree
// whose leaves are cut from the planes of the forward analysis.
#include <cstdint>
#include <random>
#include <vector>

#include "encode/tg2/synthesis/tg2_forward97.h"
#include "tg2/synthesis/tg2_array2D.h"
#include "tg2/synthesis/tg2_subband.h"

namespace synthesis_test {

// A plane of samples uniformly spread over [low, high).
Corvane::CoefficientPlane randomImage(std::uint32_t width, std::uint32_t height,
                                      std::mt19937& random, float low = 0.0f, float high = 255.0f);

// Copies into every leaf of the tree the part of the plane with its subband
// index that the leaf's support covers.
void fillLeaves(Corvane::Subband& root, const std::vector<Corvane::CoefficientPlane>& planes);

// Builds the tree for `support` at `level`, fills it from the planes, synthesises
// it and returns the root's samples.
Corvane::Array2D reconstruct(const std::vector<Corvane::CoefficientPlane>& planes,
                             std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                             std::int32_t level, const Corvane::Region& support);

// The largest absolute difference between an array and a plane over the array's area.
double largestDifference(const Corvane::Array2D& array, const Corvane::CoefficientPlane& plane);

}  // namespace synthesis_test
