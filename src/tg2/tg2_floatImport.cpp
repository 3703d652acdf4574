#include "tg2/tg2_floatImport.h"

#include "image/cv_pixelBuffer.h"
#include "support/cv_exception.h"
#include "support/cv_messages.h"
#include "transform/cv_transformerRegistry.h"

namespace Corvane {

void importFloatPlanes(PixelBuffer& buffer, const Scene& area, const PixelLayout& source,
                       const std::vector<const float*>& planes, std::size_t rowLength) {
    if (area.isEmpty()) return;
    const PixelDescription from = PixelDescription::of(source);
    const PixelDescription to = PixelDescription::of(buffer.layout());
    const std::unique_ptr<PixelConverter> converter = findConverter(to, from);
    if (!converter) throw Exception(getMessageText(messageCode(1, 0x18a)));

    const auto width = static_cast<std::size_t>(area.width());
    const auto height = static_cast<std::size_t>(area.height());
    const std::size_t samplesPerPixel = source.samplesPerPixel();
    const std::vector<std::uint32_t>& bandMap = source.bandMap();
    std::vector<float> pixels(width * height * samplesPerPixel, 0.0f);
    for (std::size_t b = 0; b < planes.size() && b < bandMap.size(); ++b) {
        if (bandMap[b] >= samplesPerPixel) continue;
        for (std::size_t y = 0; y < height; ++y) {
            const float* in = planes[b] + y * rowLength;
            float* out = pixels.data() + y * width * samplesPerPixel + bandMap[b];
            for (std::size_t x = 0; x < width; ++x) out[x * samplesPerPixel] = in[x];
        }
    }

    PixelRaster input;
    input.data = pixels.data();
    input.width = static_cast<std::int32_t>(width);
    input.height = static_cast<std::int32_t>(height);
    input.description = from;
    input.rowStride = width * samplesPerPixel * sizeof(float);

    PixelRaster output;
    output.data = buffer.pixel(area.x0, area.y0);
    output.width = input.width;
    output.height = input.height;
    output.description = to;
    output.rowStride = buffer.rowStride();

    converter->setSourceBuffer(input);
    converter->setDestinationBuffer(output);
    // The buffer's dynamic range says which source values span the output; an image
    // without one hands over 0, which leaves the plain range map.
    converter->setSourceWindowWidth(buffer.window());
    converter->setSourceWindowCentre(buffer.level());
    converter->convert();
}

}  // namespace Corvane
