#include "tvx_gdalBufferCopy.h"

#include <algorithm>

namespace tvxgdal {

std::int64_t sourceOf(std::int64_t index, std::int64_t origin, std::int64_t extent,
                      std::int64_t bufferExtent) {
    // Centre of buffer pixel `index`, (index + 1/2) * extent / bufferExtent, in
    // integers so that a buffer of the window's own size maps pixel to pixel.
    const std::int64_t offset = (2 * index + 1) * extent / (2 * bufferExtent);
    return origin + std::min(offset, extent - 1);
}

void copyIntoBuffer(const DecodedRows& rows, std::size_t pixelBytes, GDALDataType dataType,
                    std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height,
                    const BufferTarget& target) {
    const int sampleBytes = GDALGetDataTypeSizeBytes(dataType);
    const bool sameWidth = target.width == width;
    // The window column of every buffer column, relative to the decoded rows.
    std::vector<std::size_t> columns;
    std::vector<std::uint8_t> gathered;
    if (!sameWidth) {
        columns.resize(static_cast<std::size_t>(target.width));
        for (std::int64_t i = 0; i < target.width; ++i)
            columns[static_cast<std::size_t>(i)] =
                static_cast<std::size_t>(sourceOf(i, x, width, target.width) - rows.left);
        gathered.resize(columns.size() * static_cast<std::size_t>(sampleBytes));
    }
    auto* const out = static_cast<std::uint8_t*>(target.data);
    for (std::int64_t j = 0; j < target.height; ++j) {
        const std::int64_t row = sourceOf(j, y, height, target.height);
        if (row < rows.top || row >= rows.top + rows.rows) continue;
        const std::uint8_t* line =
            rows.samples + static_cast<std::size_t>(row - rows.top) * rows.stride;
        for (std::size_t b = 0; b < target.bands.size(); ++b) {
            const std::uint8_t* first = line + static_cast<std::size_t>(target.bands[b]) *
                                                   static_cast<std::size_t>(sampleBytes);
            std::uint8_t* destination =
                out + j * target.lineSpace + static_cast<GSpacing>(b) * target.bandSpace;
            if (sameWidth) {
                GDALCopyWords64(first + static_cast<std::size_t>(x - rows.left) * pixelBytes,
                                dataType, static_cast<int>(pixelBytes), destination, target.type,
                                static_cast<int>(target.pixelSpace), target.width);
                continue;
            }
            for (std::size_t i = 0; i < columns.size(); ++i)
                std::copy_n(first + columns[i] * pixelBytes, sampleBytes,
                            gathered.data() + i * static_cast<std::size_t>(sampleBytes));
            GDALCopyWords64(gathered.data(), dataType, sampleBytes, destination, target.type,
                            static_cast<int>(target.pixelSpace), target.width);
        }
    }
}

}  // namespace tvxgdal
