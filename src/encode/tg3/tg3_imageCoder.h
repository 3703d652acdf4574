#pragma once
// The encoder's path from samples to coded planes, in strips from the top: each strip
// of rows is read from the source and checked, CMYK samples are prepared for K
// recovery, every row goes through the levels of the forward 5-3, every band row that
// comes out takes the forward colour and DC steps (they act on each coefficient across
// the components alone), and the sub-blocks are coded as their rows complete. Memory
// follows the image's width; the height only adds to the coded planes' index.
//
// A periodic image keeps the whole-image transform: its first rows need its last.
#include "encode/encode_progress.h"
#include "encode/encode_rasterSource.h"
#include "encode/tg3/tg3_codedImage.h"
#include "encode/tg3/tg3_subblockRowCoder.h"
#include "tg3/header/tg3_imageInfo.h"

namespace Corvane {

// Rows read from the source at once.
inline constexpr std::uint32_t kSourceStripRows = 16;

// Codes every sub-block of the image `source` holds, described by `info`, into `out`.
// Throws what checkSamples throws for a strip that does not fit, and the colour step's
// refusal through throwStatus.
void codeImage(RasterSource& source, const TG3ImageInfo& info, const PlaneCoding& coding,
               CodedImage& out, EncodeProgress& progress);

}  // namespace Corvane
