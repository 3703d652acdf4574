#include "common/mosaic_files.h"

#include <algorithm>

#include "common/decode_support.h"
#include "encode/tg2/tg2_fileEncoder.h"
#include "encode/tg3/tg3_fileEncoder.h"
#include "encode/tg3/tg3_mosaicWriter.h"
#include "reader/cv_tvxFileImageReader.h"

namespace tovex_test {

namespace {

// Lossy TG2 and lossless TG3, each as a file of its own.
std::vector<std::uint8_t> encodeAlone(const MosaicPart& part, std::uint32_t number) {
    if (part.tg2) return Corvane::encodeTG2(part.image, {});
    Corvane::TG3EncodeOptions options;
    options.imageNumber = number;
    options.levels = 3;
    return Corvane::encodeTG3(part.image, options);
}

// The offset at `level`: floor(value / 2^level), or value * 2^-level when magnified.
std::int64_t floorShift(std::int64_t value, std::int32_t level) {
    if (level < 0) return value * (std::int64_t{1} << -level);
    return value >= 0 ? value >> level : -((-value + (1 << level) - 1) >> level);
}

}  // namespace

std::vector<std::uint8_t> makeMosaic(const std::vector<MosaicPart>& parts, bool northUp) {
    std::vector<Corvane::TG3MosaicPart> joined;
    for (const MosaicPart& part : parts) {
        Corvane::ImageDescription where;
        if (northUp) {
            where = Corvane::northUpDescription(part.x, 1000.0 - part.y, 1, 1, part.image.width,
                                                part.image.height);
        } else if (part.geo) {
            where.flags = Corvane::ImageDescription::hasGeoData;
            where.xUL = part.x, where.yUL = part.y, where.xRes = where.yRes = 1.0;
            where.xLR = part.x + part.image.width - 1.0;
            where.yLR = part.y + part.image.height - 1.0;
        }
        Corvane::TG3MosaicPart p;
        p.imageNumber = part.number;
        p.embeddedTG2 = part.tg2;
        if (part.tg2) {
            p.bytes = encodeAlone(part, part.number);
            if (part.geo) p.description = where;
        } else {
            Corvane::TG3EncodeOptions options;
            options.imageNumber = part.number;
            options.levels = 3;
            if (part.geo) options.description = where;
            p.bytes = Corvane::encodeTG3(part.image, options);
        }
        joined.push_back(std::move(p));
    }
    return Corvane::assembleTG3Mosaic(joined);
}

std::vector<std::int32_t> placedAlone(const std::vector<MosaicPart>& parts, std::int32_t level,
                                      const Corvane::PixelLayout& layout, const TempDir& dir,
                                      std::int32_t& width, std::int32_t& height,
                                      std::int32_t uncovered) {
    // The extent: every geo part's box, and the point (0, 0) of a part without.
    std::int64_t x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN;
    for (const MosaicPart& p : parts) {
        const std::int64_t px = p.geo ? p.x : 0, py = p.geo ? p.y : 0;
        x0 = std::min(x0, px), y0 = std::min(y0, py);
        x1 = std::max(x1, p.geo ? px + p.image.width - 1 : 0);
        y1 = std::max(y1, p.geo ? py + p.image.height - 1 : 0);
    }
    width = Corvane::levelExtent(std::int32_t(x1 - x0 + 1), level);
    height = Corvane::levelExtent(std::int32_t(y1 - y0 + 1), level);
    const int bands = static_cast<int>(layout.samplesPerPixel());
    std::vector<std::int32_t> canvas(std::size_t(width) * height * bands, uncovered);
    for (const MosaicPart& p : parts) {
        const std::string path = dir.file("alone.tvx");
        const std::vector<std::uint8_t> bytes = encodeAlone(p, 0);
        writeFile(path, std::string(bytes.begin(), bytes.end()));
        Corvane::TvxFileImageReader reader(path, 0);
        const Corvane::Scene box = levelBox(reader, level);
        const std::vector<std::int32_t> alone = decodeScene(reader, level, box);
        const std::int64_t left = floorShift((p.geo ? p.x : 0) - x0, level);
        const std::int64_t top = floorShift((p.geo ? p.y : 0) - y0, level);
        for (std::int64_t y = 0; y < box.height(); ++y)
            for (std::int64_t x = 0; x < box.width(); ++x) {
                if (left + x < 0 || top + y < 0 || left + x >= width || top + y >= height) continue;
                for (int b = 0; b < bands; ++b)
                    canvas[std::size_t(((top + y) * width + left + x) * bands + b)] =
                        alone[std::size_t((y * box.width() + x) * bands + b)];
            }
    }
    return canvas;
}

}  // namespace tovex_test
