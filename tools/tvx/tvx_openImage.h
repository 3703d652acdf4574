#pragma once
// A Tovex file opened through the library's file-level reader, with the facts the
// commands need beside it: the generation byte and the pixel layout they decode to.
#include <memory>
#include <string>

#include "pixel/cv_pixelLayout.h"
#include "reader/cv_tvxFileImageReader.h"

namespace tvx {

struct OpenedImage {
    std::unique_ptr<Corvane::TvxFileImageReader> reader;
    int generation = 0;  // the file's generation byte
};

OpenedImage openTovexImage(const std::string& path);

// The samples `tvx decode` writes: TG3 images in their own type (8 or 16 bits) and
// bands (grey, RGB or CMYK); TG2 images as 8-bit grey, RGB or CMYK; YIQ images as
// 8-bit RGB and YIQK images as 8-bit CMYK, converted by the library's transformers.
// Other colour schemes are refused.
Corvane::PixelLayout outputLayoutOf(const OpenedImage& image);

}  // namespace tvx
