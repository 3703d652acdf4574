#pragma once
// The colour and DC-offset steps applied to wavelet coefficients as they leave
// the band cache, before the inverse wavelet transform. Both colour routines
// are exact integer maps and each is the exact inverse of the other.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/cv_status.h"

namespace Corvane {

// Colour transform codes found in the image header.
enum ColourTransformCode : std::int32_t {
    kColourIdentity = 1,
    kColourYiqToRgbA = 4,  // codes 4 and 7 run the opposite direction
    kColourYiqToRgbB = 7,
    kColourRgbToYiq = 10,
    kColourCmykToYiqk = 13,
    kColourCmykToYiqkProcessed = 16,
    kColourReversibleJ2k = 17,
    kColourRgbToYiqOutsideWavelet = 18,
    kColourDcShift = 19,
    kColourDcShiftLuminanceOnly = 20,
};

// floor((x + 8192) / 16384): the rounding of the 14-bit fixed-point constants.
inline std::int64_t roundFixed14(std::int64_t x) {
    return (x + 8192) >> 14;
}

// Inverse colour step on one position of components 0, 1 and 2. Products are
// formed in 64 bits, which gives the exact formula for every 32-bit input (the
// result a split into multiples of 16384 and a remainder would also give).
void YiqToRgb(std::int32_t& a, std::int32_t& b, std::int32_t& c);
// The exact inverse of YiqToRgb.
void RgbToYiq(std::int32_t& a, std::int32_t& b, std::int32_t& c);

// Inverse of the reversible integer transform (luminance and two colour
// differences; the floor-rounded one of JPEG 2000): a, b, c hold Y, Cb, Cr and
// become R, G, B. Exact for every input whose results fit 32 bits.
void ReversibleToRgb(std::int32_t& a, std::int32_t& b, std::int32_t& c);

// The value added to band 0 for the DC-shift codes, from the dynamic range.
std::int32_t dcValueFor(std::int32_t rangeMin, std::int32_t rangeMax);

struct ColourParameters {
    std::int32_t transform = kColourIdentity;  // identity for the DC-shift codes
    std::vector<std::int32_t*> buffers;        // one plane per component, per call
    std::int32_t components = 0;
    bool active = false;
    std::int32_t dcValue = 0;
    bool skipChroma = false;  // code 20: components 1 and 2 get no DC value
};

// Builds the parameters for a colour transform code. Returns 0, or
// TG3Status::unsupported for a code with no inverse here or a colour
// transform on fewer than three components.
std::int32_t buildColourParameters(std::int32_t transformCode, std::int32_t components,
                                   std::int32_t rangeMin, std::int32_t rangeMax,
                                   ColourParameters& out);

// Undoes the DC offset (band 0) and the colour transform on `count`
// coefficients of each of the parameters' component planes (params.buffers).
void applyToBandCoefficients(const ColourParameters& params, std::int32_t band, std::size_t count);

}  // namespace Corvane
