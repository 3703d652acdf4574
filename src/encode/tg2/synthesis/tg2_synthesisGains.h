#pragma once
// How much one unit of quantisation error in each subband costs in the rebuilt
// image: the squared norm of the subband's synthesis basis function, as the
// decoder's own 9/7 synthesis produces it, divided by the square of the weight
// the coefficients are scaled by before quantising. Equal steps over
// sqrt(gain) give every subband the same error per unit of rate, the choice
// that minimises the squared error of the image at a given size.
#include <cstdint>
#include <vector>

namespace Corvane {

// The energy in the image of a unit coefficient `depth` levels down (1 is the
// finest split) along one dimension: of the high-pass band at that depth when
// `high`, else of the low-pass band.
double synthesisEnergy97(bool high, std::uint32_t depth);

// The gain of every subband of an image of the given size and level count, in
// subband index order, for coefficients scaled by the decoder's subband weights.
std::vector<double> weightedSubbandGains(std::uint32_t width, std::uint32_t height,
                                         std::uint32_t levels);

}  // namespace Corvane
