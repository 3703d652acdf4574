#pragma once
// Loads the sample images of tests/data as the encoders' input.
#include <string>

#include "encode/encode_rasterImage.h"

using TestImage = Corvane::RasterImage;

// An 8-bit PNG as grey (1 plane) or RGB (3 planes); empty on failure.
TestImage loadPng(const std::string& name, bool rgb);
// A binary PGM (P5), PPM (P6) or PAM (P7) with 8- or 16-bit samples; empty on failure.
TestImage loadPnm(const std::string& name);
// The rectangle at (x, y) of size w x h.
inline TestImage cropImage(const TestImage& image, std::uint32_t x, std::uint32_t y,
                           std::uint32_t w, std::uint32_t h) {
    return Corvane::cropRaster(image, x, y, w, h);
}
