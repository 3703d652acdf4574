#include "tg2/decoder/tg2_floatImport.h"

#include <algorithm>

#include "image/cv_pixelBuffer.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "transform/cv_transformerRegistry.h"

namespace Corvane {

void importFloatPlanes(PixelBuffer& buffer, const Scene& area, const PixelLayout& source,
                       const std::vector<const float*>& planes, std::size_t rowLength) {
    if (area.isEmpty()) return;
    const PixelDescription from = PixelDescription::of(source);
    const PixelDescription to = PixelDescription::of(buffer.layout());
    const std::unique_ptr<PixelConverter> converter = findConverter(to, from);
    if (!converter) throw Exception(getMessageText(kNoTransformerRegistered));

    const auto width = static_cast<std::size_t>(area.width());
    const auto height = static_cast<std::size_t>(area.height());
    const std::size_t samplesPerPixel = source.samplesPerPixel();
    const std::vector<std::uint32_t>& bandMap = source.bandMap();
    // The planes are interleaved a few rows at a time into a small buffer, which
    // stays in the cache and is taken again for every group of rows.
    constexpr std::size_t kRowsAtOnce = 16;
    const std::size_t rowsAtOnce = std::min(kRowsAtOnce, height);
    std::vector<float> pixels(width * rowsAtOnce * samplesPerPixel, 0.0f);
    for (std::size_t top = 0; top < height; top += rowsAtOnce) {
        const std::size_t rows = std::min(rowsAtOnce, height - top);
        for (std::size_t b = 0; b < planes.size() && b < bandMap.size(); ++b) {
            if (bandMap[b] >= samplesPerPixel) continue;
            for (std::size_t y = 0; y < rows; ++y) {
                const float* in = planes[b] + (top + y) * rowLength;
                float* out = pixels.data() + y * width * samplesPerPixel + bandMap[b];
                for (std::size_t x = 0; x < width; ++x) out[x * samplesPerPixel] = in[x];
            }
        }

        PixelRaster input;
        input.data = pixels.data();
        input.width = static_cast<std::int32_t>(width);
        input.height = static_cast<std::int32_t>(rows);
        input.description = from;
        input.rowStride = width * samplesPerPixel * sizeof(float);

        PixelRaster output;
        output.data = buffer.pixel(area.x0, area.y0 + static_cast<std::int32_t>(top));
        output.width = input.width;
        output.height = input.height;
        output.description = to;
        output.rowStride = buffer.rowStride();

        converter->setSourceBuffer(input);
        converter->setDestinationBuffer(output);
        // The buffer's dynamic range says which source values span the output; an
        // image without one hands over 0, which leaves the plain range map.
        converter->setSourceWindowWidth(buffer.window());
        converter->setSourceWindowCentre(buffer.level());
        converter->convert();
    }
}

}  // namespace Corvane
