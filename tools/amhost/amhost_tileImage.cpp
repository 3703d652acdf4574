#include "amhost_tileImage.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <stdexcept>
#include <vector>

namespace amhost {

namespace {

constexpr std::uint32_t kTileSize = 128;

AmWord requireTag(AmFileReader& reader, AmWord tag) {
    AmWord value = 0;
    if (reader.getTag(tag, &value) != 1)
        throw std::runtime_error("the reader does not answer tag " + std::to_string(tag));
    return value;
}

class PnmFile {
  public:
    PnmFile(const std::string& path, int channels, std::uint32_t width, std::uint32_t height)
        : path_(path), file_(std::fopen(path.c_str(), "wb"), &std::fclose) {
        if (!file_ || std::fprintf(file_.get(), "%s\n%u %u\n255\n", channels == 1 ? "P5" : "P6",
                                   width, height) < 0)
            fail();
    }
    void write(const std::vector<std::uint8_t>& bytes, std::size_t count) {
        if (std::fwrite(bytes.data(), 1, count, file_.get()) != count) fail();
    }
    void close() {
        if (std::fclose(file_.release()) != 0) fail();
    }

  private:
    [[noreturn]] void fail() const { throw std::runtime_error("cannot write " + path_); }
    std::string path_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
};

}  // namespace

TileRead readTiles(AmFileReader& reader, const TileRange& range, const std::string& output) {
    const AmWord width = requireTag(reader, 256);
    const AmWord height = requireTag(reader, 257);
    const AmWord bits = requireTag(reader, 258);
    const AmWord samples = requireTag(reader, 277);
    if (requireTag(reader, 322) != kTileSize || requireTag(reader, 323) != kTileSize)
        throw std::runtime_error("the reader's tiles are not 128 x 128");
    if (bits != 8) throw std::runtime_error("the reader's samples are not 8-bit");
    if (samples != 1 && samples != 4)
        throw std::runtime_error("unexpected samples per pixel " + std::to_string(samples));
    // One row of tiles is held in memory: at most 192 MiB for the widest level taken.
    if (width <= 0 || height <= 0 || width > (AmWord{1} << 19) || height > (AmWord{1} << 30))
        throw std::runtime_error("the level is empty or too large to read");

    TileRead read;
    read.levelWidth = static_cast<std::uint32_t>(width);
    read.levelHeight = static_cast<std::uint32_t>(height);
    read.channels = samples == 4 ? 3 : 1;
    const std::uint32_t across = (read.levelWidth + kTileSize - 1) / kTileSize;
    const std::uint32_t down = (read.levelHeight + kTileSize - 1) / kTileSize;
    const std::size_t tileBytes = static_cast<std::size_t>(samples) * kTileSize * kTileSize;

    // Every tile, edge tiles included, claims the full tile's bytes.
    const auto* byteCounts = reinterpret_cast<const std::uint32_t*>(requireTag(reader, 279));
    if (!byteCounts) throw std::runtime_error("the reader has no tile byte counts");
    for (std::uint32_t i = 0; i < across * down; ++i)
        if (byteCounts[i] != tileBytes)
            throw std::runtime_error("tile " + std::to_string(i) + " has byte count " +
                                     std::to_string(byteCounts[i]));

    if (range.column >= across || range.row >= down)
        throw std::runtime_error("the tiles asked for lie outside the level");
    const std::uint32_t lastColumn = range.column + std::min(range.across, across - range.column);
    const std::uint32_t lastRow = range.row + std::min(range.down, down - range.row);
    const std::uint32_t left = range.column * kTileSize;
    const std::uint32_t right = std::min(lastColumn * kTileSize, read.levelWidth);
    const std::uint32_t regionWidth = right - left;
    const std::uint32_t regionHeight =
        std::min(lastRow * kTileSize, read.levelHeight) - range.row * kTileSize;

    std::unique_ptr<PnmFile> pnm;
    if (!output.empty())
        pnm = std::make_unique<PnmFile>(output, read.channels, regionWidth, regionHeight);
    const std::size_t lineBytes = std::size_t{regionWidth} * read.channels;
    std::vector<std::uint8_t> rowOfTiles(lineBytes * kTileSize);
    std::vector<std::uint8_t> tile(tileBytes);
    for (std::uint32_t row = range.row; row < lastRow; ++row) {
        for (std::uint32_t column = range.column; column < lastColumn; ++column) {
            const std::uint32_t number = row * across + column;
            std::memset(tile.data(), 0, tile.size());
            const auto start = std::chrono::steady_clock::now();
            const std::clock_t cpuStart = std::clock();
            const AmWord status = reader.readTile(static_cast<AmWord>(number), tile.data());
            read.cpuSeconds += static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
            read.seconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            ++read.tiles;
            if (status != 1)
                throw std::runtime_error("reading tile " + std::to_string(number) + " failed");
            if (samples == 4)
                for (std::size_t i = 3; i < tile.size(); i += 4)
                    if (tile[i] != 255)
                        throw std::runtime_error("tile " + std::to_string(number) +
                                                 " has an extra sample other than 255");
            if (!pnm) continue;  // nothing to assemble
            const std::uint32_t x0 = column * kTileSize - left;
            const std::uint32_t pixels = std::min(kTileSize, regionWidth - x0);
            for (std::uint32_t y = 0; y < kTileSize; ++y)
                for (std::uint32_t x = 0; x < pixels; ++x)
                    std::memcpy(&rowOfTiles[y * lineBytes + (std::size_t{x0} + x) * read.channels],
                                &tile[(std::size_t{y} * kTileSize + x) * samples],
                                static_cast<std::size_t>(read.channels));
        }
        const std::uint32_t lines = std::min(kTileSize, read.levelHeight - row * kTileSize);
        if (pnm) pnm->write(rowOfTiles, lines * lineBytes);
    }
    if (pnm) pnm->close();
    return read;
}

}  // namespace amhost
