#pragma once
// Joins images into one TG3 file of several images (a mosaic). Each image is a TG3
// image, whose packets are taken from a single-image file encoded with the image's
// own number, or a whole TG2 stream embedded as a TG2Image packet; either may carry
// an image description, which places it in the mosaic.
#include <cstdint>
#include <optional>
#include <vector>

#include "tg3/header/tg3_imageDescription.h"

namespace Corvane {

struct TG3MosaicPart {
    std::uint32_t imageNumber = 0;
    // A TG2 stream to embed; otherwise `bytes` is a TG3 file whose packets all carry
    // imageNumber (encodeTG3 with TG3EncodeOptions::imageNumber set).
    bool embeddedTG2 = false;
    std::vector<std::uint8_t> bytes;
    // Written for an embedded TG2 image; a TG3 file brings its own description.
    std::optional<ImageDescription> description;
};

// The mosaic's bytes, the parts in the order given (which is the order in which
// later images cover earlier ones). Refuses with InvalidArgumentException a part
// whose bytes are not of the kind it claims, and two parts with the same number.
std::vector<std::uint8_t> assembleTG3Mosaic(const std::vector<TG3MosaicPart>& parts);

// The description that places a north-up image of width x height pixels whose
// upper-left pixel centre lies at (xUL, yUL), pixels xStep wide and yStep high.
ImageDescription northUpDescription(double xUL, double yUL, double xStep, double yStep,
                                    std::uint32_t width, std::uint32_t height);

}  // namespace Corvane
