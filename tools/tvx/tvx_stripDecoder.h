#pragma once
// Decodes a window of one level in horizontal strips and hands them over in order
// from top to bottom. Worker threads each open the file with a reader of their own
// and decode their own columns of every strip; only a few strips beyond the one
// being written are held at any time, so memory does not grow with the window's
// height.
#include <cstdint>
#include <functional>
#include <string>

#include "pixel/cv_pixelLayout.h"
#include "support/cv_region.h"

namespace tvx {

struct StripRequest {
    std::string path;
    std::int32_t level = 0;
    Corvane::Region area;  // pixels of that level
    Corvane::PixelLayout layout;
    std::uint32_t stripHeight = 256;
    unsigned threads = 1;
};

// Called on the calling thread for each strip, in order: its rows of interleaved
// samples, the row stride and the row count.
using StripSink = std::function<void(const std::uint8_t*, std::size_t, std::uint32_t)>;
// Called on the calling thread with the fraction decoded so far.
using ProgressSink = std::function<void(double)>;

// Raises the first failure of any worker after all of them have stopped.
void decodeStrips(const StripRequest& request, const StripSink& sink, const ProgressSink& progress);

}  // namespace tvx
