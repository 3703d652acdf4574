#pragma once
// Reads the current level of a reader tile by tile, as the host does, and writes the
// assembled image as binary PNM.
#include <cstdint>
#include <string>
#include <vector>

#include "host/am_host_interfaces.h"

namespace amhost {

struct HostImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int channels = 0;  // 1 grey, 3 RGB
    std::vector<std::uint8_t> samples;
};

// Asks for the level's size, sample count and tile layout, reads every tile and
// copies its part inside the level. Raises std::runtime_error when a tag is
// missing or odd, a tile fails, or the fourth sample of a colour tile is not 255.
HostImage readAllTiles(AmFileReader& reader);

// P5 for grey, P6 for RGB, maximum value 255. Raises std::runtime_error on failure.
void writePnm(const HostImage& image, const std::string& path);

}  // namespace amhost
