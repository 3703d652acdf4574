#pragma once
// RGB samples as the Y, I and Q bands of a TG2 file of the YIQ colour scheme. Readers
// turn such a file back into RGB with the library's YIQ-to-RGB transformer; the
// conversion here is that transformer's matrix inverted, so a pixel converted and
// converted back returns its own values up to the rounding of floats. Y carries the
// grey level, I and Q the colour differences; photographs keep most of their detail
// in Y, which is why a coder spends fewer bits on the two others.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "encode/encode_rasterImage.h"

namespace Corvane {

// Y, I and Q of one strip of rows: one plane per band, row after row, the strip's
// width x height samples each; I and Q take either sign.
using YiqStrip = std::array<std::vector<float>, 3>;

// Converts a strip of RGB rows (three bands of 8-bit samples in the RasterImage form).
// Raises InvalidArgumentException for another band count or sample size.
void rgbToYiqRows(const RasterImage& rgb, YiqStrip& yiq);

// One band (0 Y, 1 I, 2 Q) of a whole RGB image, row after row, converted a strip of
// rows at a time so that no more than that band is held beside the image.
std::vector<float> yiqBand(const RasterImage& rgb, std::size_t band);

// How much a unit of squared error in each of Y, I and Q costs in the RGB image that
// readers show, summed over R, G and B: the squared norm of the band's column of the
// YIQ-to-RGB matrix (3 for Y, which enters each of them whole). A band shown as it
// is, such as R of an RGB file, weighs 1; so a step gives about the same error in
// the shown image whichever bands the file stores.
std::array<double, 3> yiqBandWeights();

}  // namespace Corvane
