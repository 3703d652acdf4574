#include "amhost_tileImage.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace amhost {

namespace {

constexpr std::uint32_t kTileSize = 128;

AmWord requireTag(AmFileReader& reader, AmWord tag) {
    AmWord value = 0;
    if (reader.getTag(tag, &value) != 1)
        throw std::runtime_error("the reader does not answer tag " + std::to_string(tag));
    return value;
}

}  // namespace

HostImage readAllTiles(AmFileReader& reader) {
    const AmWord width = requireTag(reader, 256);
    const AmWord height = requireTag(reader, 257);
    const AmWord bits = requireTag(reader, 258);
    const AmWord samples = requireTag(reader, 277);
    if (requireTag(reader, 322) != kTileSize || requireTag(reader, 323) != kTileSize)
        throw std::runtime_error("the reader's tiles are not 128 x 128");
    if (bits != 8) throw std::runtime_error("the reader's samples are not 8-bit");
    if (samples != 1 && samples != 4)
        throw std::runtime_error("unexpected samples per pixel " + std::to_string(samples));
    // The assembled image is held in memory; two gigabytes is plenty for a tool.
    if (width <= 0 || height <= 0 || width * height > (AmWord{1} << 29))
        throw std::runtime_error("the level is empty or too large to assemble");

    const auto levelWidth = static_cast<std::uint32_t>(width);
    const auto levelHeight = static_cast<std::uint32_t>(height);
    const std::uint32_t across = (levelWidth + kTileSize - 1) / kTileSize;
    const std::uint32_t down = (levelHeight + kTileSize - 1) / kTileSize;
    const std::size_t tileBytes = static_cast<std::size_t>(samples) * kTileSize * kTileSize;

    // Every tile, edge tiles included, claims the full tile's bytes.
    const auto* byteCounts = reinterpret_cast<const std::uint32_t*>(requireTag(reader, 279));
    if (!byteCounts) throw std::runtime_error("the reader has no tile byte counts");
    for (std::uint32_t i = 0; i < across * down; ++i)
        if (byteCounts[i] != tileBytes)
            throw std::runtime_error("tile " + std::to_string(i) + " has byte count " +
                                     std::to_string(byteCounts[i]));

    HostImage image;
    image.width = levelWidth;
    image.height = levelHeight;
    image.channels = samples == 4 ? 3 : 1;
    image.samples.resize(static_cast<std::size_t>(levelWidth) * levelHeight * image.channels);

    std::vector<std::uint8_t> tile(tileBytes);
    for (std::uint32_t n = 0; n < across * down; ++n) {
        std::memset(tile.data(), 0, tile.size());
        if (reader.readTile(static_cast<AmWord>(n), tile.data()) != 1)
            throw std::runtime_error("reading tile " + std::to_string(n) + " failed");
        if (samples == 4)
            for (std::size_t i = 3; i < tile.size(); i += 4)
                if (tile[i] != 255)
                    throw std::runtime_error("tile " + std::to_string(n) +
                                             " has an extra sample other than 255");
        const std::uint32_t x0 = (n % across) * kTileSize;
        const std::uint32_t y0 = (n / across) * kTileSize;
        for (std::uint32_t y = 0; y < kTileSize && y0 + y < levelHeight; ++y)
            for (std::uint32_t x = 0; x < kTileSize && x0 + x < levelWidth; ++x) {
                const std::uint8_t* from =
                    &tile[(static_cast<std::size_t>(y) * kTileSize + x) * samples];
                std::uint8_t* to =
                    &image.samples[((static_cast<std::size_t>(y0) + y) * levelWidth + x0 + x) *
                                   image.channels];
                std::memcpy(to, from, static_cast<std::size_t>(image.channels));
            }
    }
    return image;
}

void writePnm(const HostImage& image, const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(path.c_str(), "wb"),
                                                        &std::fclose);
    if (!out) throw std::runtime_error("cannot write " + path);
    std::fprintf(out.get(), "%s\n%u %u\n255\n", image.channels == 1 ? "P5" : "P6", image.width,
                 image.height);
    if (std::fwrite(image.samples.data(), 1, image.samples.size(), out.get()) !=
        image.samples.size())
        throw std::runtime_error("cannot write " + path);
    std::FILE* file = out.release();
    if (std::fclose(file) != 0) throw std::runtime_error("cannot write " + path);
}

}  // namespace amhost
